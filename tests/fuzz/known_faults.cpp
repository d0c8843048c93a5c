#include "fuzz/known_faults.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fuzz/package_layout.h"
#include "fuzz/progress.h"

namespace {

// base/xml.cpp refuses documents nested deeper than this.
constexpr int kNestingGuardDepth = 256;

// Windows reports a stack overflow as such. Wine, unable to raise the exception on a full
// stack, ends the thread without a word: the worker's watchdog sees it vanish.
bool DiedOfStackOverflow(const Death& death) {
    return death.kind == Death::Kind::Crash &&
           (death.exitCode == STATUS_STACK_OVERFLOW || death.exitCode == kExitThreadDied);
}

// The nesting guard counts "/>" wherever it stands, in text, comments, CDATA and attribute
// values too, so a deep document behind enough of them reaches TinyXML's recursion.
bool NestingGuardLetThrough(const Harness& harness, const std::string& input, const Death& death) {
    if (!DiedOfStackOverflow(death)) return false;
    std::optional<std::string> xml = harness.XmlText(input);
    return xml && ElementDepth(*xml) > kNestingGuardDepth;
}

// store/picture.cpp hands the OLE decoder a picture whose header claims any size; a small
// file claiming 30000 x 30000 pixels makes it allocate gigabytes.
bool PictureSizeUnchecked(const Harness& harness, const std::string&, const Death& death) {
    return death.kind == Death::Kind::Memory && std::strcmp(harness.Name(), "package") == 0 &&
           death.stage == "decoding the picture";
}

// The OLE picture loader takes bytes that begin with a zero word for an icon or cursor and
// trusts its directory: an entry count beyond the bytes, or an image offset whose sum with
// the image size wraps past 4 GB, makes it read far outside the buffer.
bool IconDirectoryTrusted(const Harness& harness, const std::string& input, const Death& death) {
    if (death.kind != Death::Kind::Crash || std::strcmp(harness.Name(), "package") != 0 ||
        death.stage != "decoding the picture")
        return false;
    std::string payload = PackageLayout::Decode(input, "package.tvp").payload;
    return payload.size() >= 2 && payload[0] == '\0' && payload[1] == '\0';
}

}  // namespace

const std::vector<KnownFault>& KnownFaults() {
    static const std::vector<KnownFault> faults = {
        {"xml-nesting-guard", "imagelist", "xml-nesting-guard.xml",
         "base/xml.cpp's nesting guard counts \"/>\" inside text, comments, CDATA and attribute values; "
         "a deep document behind them overflows TinyXML's recursion",
         NestingGuardLetThrough},
        {"picture-size", "package", "picture-size.tvp",
         "store/picture.cpp decodes a picture whose header claims e.g. 30000 x 30000 pixels and allocates gigabytes",
         PictureSizeUnchecked},
        // Found by this driver; not mended yet.
        {"picture-icon-directory", "package", "picture-icon-directory.tvp",
         "store/picture.cpp hands the OLE loader a payload that begins like an icon; the loader trusts the icon "
         "directory's count and offsets and reads outside the buffer (crash)",
         IconDirectoryTrusted},
    };
    return faults;
}

const KnownFault* FindKnownFault(const Harness& harness, const std::string& input, const Death& death) {
    for (const KnownFault& fault : KnownFaults())
        if (fault.matches(harness, input, death)) return &fault;
    return nullptr;
}

std::string DescribeDeath(const Death& death) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(death.exitCode));
    std::string where = death.stage.empty() ? "" : " while " + death.stage;
    switch (death.kind) {
        case Death::Kind::Memory:
        case Death::Kind::Allocation:
            return death.note;
        case Death::Kind::Hang:
            return "no progress for too long" + where;
        default:
            return death.note.empty() ? std::string("the process died (exit code ") + code + ")" + where : death.note;
    }
}

int ElementDepth(const std::string& text) {
    int depth = 0, deepest = 0;
    std::size_t i = 0;
    auto skipPast = [&](const char* end) {
        std::size_t at = text.find(end, i);
        i = at == std::string::npos ? text.size() : at + std::strlen(end);
    };
    while (i < text.size()) {
        if (text[i] != '<') {
            ++i;
        } else if (text.compare(i, 4, "<!--") == 0) {
            skipPast("-->");
        } else if (text.compare(i, 9, "<![CDATA[") == 0) {
            skipPast("]]>");
        } else if (text.compare(i, 2, "<?") == 0 || text.compare(i, 2, "<!") == 0) {
            skipPast(">");
        } else {
            bool closing = text.compare(i, 2, "</") == 0;
            char quote = 0;
            std::size_t end = i + 1;
            for (; end < text.size(); ++end) {
                char c = text[end];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            bool empty = end < text.size() && text[end - 1] == '/';
            if (closing)
                --depth;
            else if (!empty)
                deepest = std::max(deepest, ++depth);
            i = end + 1;
        }
    }
    return deepest;
}

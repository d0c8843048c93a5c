#include "store/package_file.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>

#include "base/debug_log.h"
#include "base/digest.h"
#include "base/file_io.h"
#include "base/handles.h"
#include "base/text.h"
#include "base/utf8.h"
#include "base/xml.h"
#include "store/picture.h"
#include "store/rc5.h"

namespace {

constexpr char kMagic[4] = {'K', 'S', 'P', '1'};
constexpr size_t kMagicBytes = sizeof kMagic;
constexpr size_t kPrefixBytes = kMagicBytes + 2 + Rc5::kKeyBytes;  // magic, header length, key
// Pictures are a few megabytes; anything near this is a damaged or hostile file.
constexpr std::uint64_t kMaxPayloadBytes = 512ull << 20;
constexpr std::uint64_t kFirstReadBytes = 512;

using Key = std::array<unsigned char, Rc5::kKeyBytes>;

void AppendLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t ReadLe(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

// The key travels in the file, so it only has to differ between packages, not be secret.
Key NewKey() {
    static std::mutex mutex;
    static std::mt19937 engine = [] {
        std::uint32_t entropy = 0;
        try {
            entropy = std::random_device()();
        } catch (...) {  // no system source: the clock and the process id still vary
        }
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        auto now = std::chrono::system_clock::now().time_since_epoch().count();
        std::seed_seq seed{entropy,
                           static_cast<std::uint32_t>(counter.QuadPart),
                           static_cast<std::uint32_t>(counter.QuadPart >> 32),
                           static_cast<std::uint32_t>(now),
                           static_cast<std::uint32_t>(now >> 32),
                           static_cast<std::uint32_t>(GetCurrentProcessId())};
        return std::mt19937(seed);
    }();
    std::lock_guard<std::mutex> lock(mutex);
    Key key;
    for (size_t i = 0; i < key.size(); i += 4) {
        std::uint32_t word = engine();
        for (size_t k = 0; k < 4; ++k) key[i + k] = static_cast<unsigned char>(word >> (8 * k));
    }
    return key;
}

// Where the picture came from, for a store read back after a restart; a URL too long for the
// header is left out rather than the package.
constexpr size_t kMaxHeaderUrl = 2048;

std::string EscapedXml(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}

std::string HeaderText(const ImagePtr& image, size_t length) {
    std::string text = "<tvp>";
    if (image) {
        text += "<pid>" + std::to_string(image->GetId()) + "</pid><width>" + std::to_string(image->GetWidth()) +
                "</width><height>" + std::to_string(image->GetHeight()) + "</height><order>" +
                std::to_string(image->GetOrder()) + "</order>";
        const std::wstring url = image->GetFullUrl();
        if (!url.empty() && url.size() <= kMaxHeaderUrl) text += "<url>" + EscapedXml(ToUtf8(url)) + "</url>";
    }
    return text + "<length>" + std::to_string(length) + "</length></tvp>";
}

// Damaged packages are common after crashes; say which and why in the debugger output.
bool Reject(const Path& path, const wchar_t* why) {
    DebugLog(L"Not a usable package " + path.str() + L": " + why + L"\n");
    return false;
}

// How many of count bytes the file still held; false only when reading fails.
bool ReadInto(HANDLE file, unsigned char* out, size_t count, size_t& done) {
    done = 0;
    while (done < count) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1 << 20)), got = 0;
        if (!ReadFile(file, out + done, chunk, &got, nullptr)) {
            LogLastError(L"ReadFile");
            return false;
        }
        if (got == 0) break;  // the file shrank since its size was taken
        done += got;
    }
    return true;
}

bool ReadExactly(HANDLE file, unsigned char* out, size_t count) {
    size_t done = 0;
    return ReadInto(file, out, count, done) && done == count;
}

// Fills the buffer as far as the file goes and cuts it to what was read.
bool ReadUpTo(HANDLE file, Bytes& buffer) {
    size_t done = 0;
    if (!ReadInto(file, buffer.data(), buffer.size(), done)) return false;
    buffer.resize(done);
    return true;
}

// Packages of older versions have no magic and no header: the key is the file's own
// lower-case name, which the content repeats after the payload length.
bool ReadLegacyPayload(HANDLE file, std::uint64_t size, const Path& path, Bytes& payload) {
    if (size > kMaxPayloadBytes) return Reject(path, L"too large");
    std::wstring name = path.str().substr(path.str().find_last_of(L'\\') + 1);
    if (name.empty()) return false;
    int length = static_cast<int>(name.size());
    std::wstring lower(name.size(), L'\0');
    if (LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, name.c_str(), length, &lower[0], length) != length) {
        LogLastError(L"LCMapStringW");
        return false;
    }
    int ansiLength = WideCharToMultiByte(CP_ACP, 0, lower.c_str(), length, nullptr, 0, nullptr, nullptr);
    if (ansiLength <= 0) return false;
    std::string ansi(static_cast<size_t>(ansiLength), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, lower.c_str(), length, &ansi[0], ansiLength, nullptr, nullptr) != ansiLength)
        return false;

    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        LogLastError(L"SetFilePointerEx");
        return false;
    }
    Bytes content(static_cast<size_t>(size));
    if (!ReadUpTo(file, content)) return false;
    Rc5(ansi.data(), ansi.size()).DecipherBlocks(content.data(), content.size() / Rc5::kBlockBytes);

    size_t nameEnd = 4 + ansi.size();
    if (content.size() < nameEnd) return Reject(path, L"shorter than its name");
    std::uint32_t payloadLength = ReadLe(content.data(), 4);
    if (payloadLength > content.size() - nameEnd) return Reject(path, L"stored length beyond the file");
    if (std::memcmp(content.data() + 4, ansi.data(), ansi.size()) != 0)
        return Reject(path, L"stored name differs (renamed, or not a package)");
    content.erase(content.begin(), content.begin() + nameEnd);
    content.resize(payloadLength);
    payload = std::move(content);
    return true;
}

bool ParseHeader(Bytes plain, PackageFields& fields) {
    while (!plain.empty() && plain.back() == 0) plain.pop_back();  // block padding
    auto document = ParseXml(std::string_view(reinterpret_cast<const char*>(plain.data()), plain.size()));
    if (!document) return false;
    const TiXmlElement* root = document->RootElement();
    if (!root) return false;
    for (const TiXmlElement* child = root->FirstChildElement(); child; child = child->NextSiblingElement())
        fields[FromUtf8(child->Value())] = ElementText(child).value_or(std::wstring());
    return true;
}

}  // namespace

bool WritePackage(const ImagePtr& image, const Bytes& payload, const Path& path) {
    if (path.empty()) return false;
    Key key = NewKey();
    Rc5 cipher(key.data(), key.size());
    std::string header = HeaderText(image, payload.size());
    Bytes headerCipher = cipher.Encipher(Bytes(header.begin(), header.end()));
    if (headerCipher.size() > 0xFFFF) return false;

    size_t blocks = (payload.size() + Rc5::kBlockBytes - 1) / Rc5::kBlockBytes;
    std::string file(kMagic, kMagicBytes);
    file.reserve(kPrefixBytes + headerCipher.size() + blocks * Rc5::kBlockBytes);
    AppendLe(file, static_cast<std::uint32_t>(headerCipher.size()), 2);
    file.append(reinterpret_cast<const char*>(key.data()), key.size());
    file.append(reinterpret_cast<const char*>(headerCipher.data()), headerCipher.size());
    size_t payloadOffset = file.size();
    file.append(reinterpret_cast<const char*>(payload.data()), payload.size());
    file.resize(payloadOffset + blocks * Rc5::kBlockBytes, '\0');
    cipher.EncipherBlocks(reinterpret_cast<unsigned char*>(&file[payloadOffset]), blocks);
    // Download tasks skip images whose package exists, so a half-written one would stay.
    return WriteFileAtomically(path, file);
}

bool ReadPackage(PackageFields* fields, Bytes* payload, const Path& path) {
    if (!fields && !payload) return true;
    // A missing file or a folder simply fails to open; no need to ask first.
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file.get(), &fileSize) || fileSize.QuadPart < 0) {
        LogLastError(L"GetFileSizeEx");
        return false;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(fileSize.QuadPart);
    if (size < kMagicBytes) return Reject(path, L"truncated");
    // One read brings the prefix and, for any real package, the whole header: a scan of the
    // store opens thousands of packages for their headers alone.
    Bytes head(static_cast<size_t>(std::min<std::uint64_t>(size, kFirstReadBytes)));
    if (!ReadExactly(file.get(), head.data(), head.size())) return Reject(path, L"truncated");
    if (std::memcmp(head.data(), kMagic, kMagicBytes) != 0) {
        if (payload) {
            Bytes legacy;
            if (!ReadLegacyPayload(file.get(), size, path, legacy)) return false;
            *payload = std::move(legacy);
        }
        if (fields) fields->clear();  // older packages carry no header
        return true;
    }

    if (size < kPrefixBytes) return Reject(path, L"truncated");
    const size_t headerLength = ReadLe(head.data() + kMagicBytes, 2);
    if (size < kPrefixBytes + headerLength) return Reject(path, L"header beyond the file");
    if (head.size() < kPrefixBytes + headerLength) {
        size_t have = head.size();
        head.resize(kPrefixBytes + headerLength);
        if (!ReadExactly(file.get(), head.data() + have, head.size() - have)) return Reject(path, L"truncated");
    }
    Rc5 cipher(head.data() + kMagicBytes + 2, Rc5::kKeyBytes);
    PackageFields parsed;
    Bytes header(head.begin() + kPrefixBytes, head.begin() + kPrefixBytes + headerLength);
    if (!ParseHeader(cipher.Decipher(header), parsed)) return Reject(path, L"header is not readable XML");
    if (!payload) {
        *fields = std::move(parsed);
        return true;
    }

    auto lengthField = parsed.find(L"length");
    long long length = lengthField == parsed.end() ? 0 : ParseNumber(lengthField->second);
    const std::uint64_t remaining = size - kPrefixBytes - headerLength;
    if (length < 0 || remaining < static_cast<std::uint64_t>(length)) return Reject(path, L"payload cut short");
    if (remaining > kMaxPayloadBytes) return Reject(path, L"payload implausibly large");
    LARGE_INTEGER payloadStart;
    payloadStart.QuadPart = static_cast<LONGLONG>(kPrefixBytes + headerLength);
    if (!SetFilePointerEx(file.get(), payloadStart, nullptr, FILE_BEGIN)) {
        LogLastError(L"SetFilePointerEx");
        return false;
    }
    Bytes body(static_cast<size_t>(remaining));
    if (!ReadUpTo(file.get(), body)) return false;
    if (body.size() < static_cast<size_t>(length)) return Reject(path, L"payload cut short");
    cipher.DecipherBlocks(body.data(), body.size() / Rc5::kBlockBytes);
    body.resize(static_cast<size_t>(length));
    *payload = std::move(body);
    if (fields) *fields = std::move(parsed);
    return true;
}

bool LoadPackageImage(const ImagePtr& image, Picture* picture, const Path& path, DecodeHint hint) {
    PackageFields fields;
    Bytes payload;
    if (!ReadPackage(&fields, picture ? &payload : nullptr, path)) return false;
    if (image) {
        auto field = [&](const wchar_t* name) -> const std::wstring* {
            auto found = fields.find(name);
            return found == fields.end() ? nullptr : &found->second;
        };
        const std::wstring* url = field(L"url");
        image->Reset(-1, path, url ? *url : std::wstring());
        const std::wstring* width = field(L"width");
        const std::wstring* height = field(L"height");
        if (width && height) image->SetSize(ParseInt(*width), ParseInt(*height));
        if (const std::wstring* id = field(L"pid")) image->SetId(ParseInt(*id));
        if (const std::wstring* order = field(L"order")) image->SetOrder(ParseInt(*order));
    }
    return picture ? picture->LoadFromBytes(payload, hint) : true;
}

std::wstring MakePackageFileName(const std::wstring& url) {
    static_assert(sizeof(wchar_t) == 2, "wide strings are UTF-16 on Windows");
    std::wstring digest = Md5Hex(url.data(), url.size() * sizeof(wchar_t));
    return digest.empty() ? std::wstring() : digest + L".tvp";
}

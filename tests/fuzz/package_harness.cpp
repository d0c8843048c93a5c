// Package files, current and legacy, through ReadPackage and LoadPackageImage. Inputs are
// whole files; since nearly every byte of a package is enciphered, most mutations work on
// the deciphered parts (header text, picture, length fields) and encipher them again.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/text.h"
#include "base/utf8.h"
#include "fuzz/harness.h"
#include "fuzz/package_layout.h"
#include "fuzz/picture_size.h"
#include "store/package_file.h"
#include "store/picture.h"
#include "support/test_support.h"

namespace {

using Problem = std::optional<std::string>;

// A table of words, packed by hand: clang-format would give each a line of its own.
// clang-format off
Tokens HeaderTokens() {
    Tokens tokens = XmlTokens();
    const Tokens& numbers = InterestingNumbers();
    tokens.insert(tokens.end(), numbers.begin(), numbers.end());
    for (const char* word : {
        "<tvp>", "</tvp>", "<length>", "</length>", "<length>-1</length>", "<length>4294967296</length>",
        "<length>99999999999</length>", "<length/>", "<pid>", "</pid>", "<width>", "</width>", "<height>",
        "</height>", "<order>", "</order>"})
        tokens.push_back(word);
    return tokens;
}
// clang-format on

// Raw-byte tokens: the magic, header lengths at their edges, picture signatures.
// clang-format off
Tokens FileTokens() {
    return {"KSP1", std::string("\x00\x00", 2), std::string("\xFF\xFF", 2), std::string("\x08\x00", 2),
            std::string("\xF8\xFF", 2), std::string("\xFF\xFF\xFF\xFF", 4), std::string("\x00\x00\x00\x80", 4),
            "\xFF\xD8\xFF", "GIF89a", "BM", "\x89PNG\r\n\x1A\n", std::string(16, '\0')};
}
// clang-format on

class PackageHarness : public Harness {
public:
    const char* Name() const override { return "package"; }
    const Tokens& FormatTokens() const override { return m_fileTokens; }

    std::string Mutate(const std::string& seed, const std::string& other, const Mutator& mutator,
                       Rng& rng) const override {
        PackageLayout layout = PackageLayout::Decode(seed, kFileName);
        PackageLayout otherLayout = PackageLayout::Decode(other, kFileName);
        std::string file;
        switch (rng.Below(layout.form == PackageLayout::Form::Unknown ? 1 : 8)) {
            case 0:
                return mutator.Mutate(seed, other, m_fileTokens, rng);
            case 1:
            case 2:
            case 3:
                layout.header = mutator.Mutate(layout.header, otherLayout.header, m_headerTokens, rng);
                break;
            case 4:
                ChangePictureSize(layout.payload, mutator.Limits().maxPictureSide, rng);
                break;
            case 5:
                layout.payload = mutator.Mutate(layout.payload, otherLayout.payload, m_fileTokens, rng);
                break;
            case 6:
                layout.ChangeLengthField(rng);
                break;
            default:
                layout.ChangeKey(rng);
                break;
        }
        file = layout.Encode();
        // Now and then the enciphered file too, as damage on disk would be.
        return rng.OneIn(8) ? mutator.Mutate(file, other, m_fileTokens, rng) : file;
    }

    std::optional<std::string> XmlText(const std::string& input) const override {
        PackageLayout layout = PackageLayout::Decode(input, kFileName);
        if (layout.form != PackageLayout::Form::Current) return std::nullopt;
        return layout.header;
    }

    void Prepare(const Path& workFolder) override { m_path = workFolder / Path(FromUtf8(kFileName)); }

    Problem Run(const std::string& input) override {
        try {
            WriteAll(m_path, input);
            return Check(input);
        } catch (...) {
            return DescribeCurrentException();
        }
    }

private:
    // Legacy packages are enciphered with their own lower-case file name.
    static constexpr const char* kFileName = "package.tvp";

    Problem Check(const std::string& input) {
        ReportStage("reading the package");
        const PackageFields kSentinelFields{{L"kept", L"yes"}};
        const Bytes kSentinelPayload{1, 2, 3};
        PackageFields fields = kSentinelFields;
        Bytes payload = kSentinelPayload;
        bool whole = ReadPackage(&fields, &payload, m_path);
        if (!whole) {
            if (fields != kSentinelFields || payload != kSentinelPayload)
                return std::string("a failed read changed its outputs");
        } else if (Problem problem = CheckContent(input, fields, payload)) {
            return problem;
        } else {
            ReportAccepted();
        }

        PackageFields headerOnly;
        bool header = ReadPackage(&headerOnly, nullptr, m_path);
        if (whole && (!header || headerOnly != fields))
            return std::string("the header alone reads differently from the whole package");

        auto image = std::make_shared<Image>(7, Path(L"before"), L"a.jpg", L"http://x/");
        if (LoadPackageImage(image, nullptr, m_path) != header)
            return std::string("loading the record disagrees with reading the header");
        if (header && (image->GetPath() != m_path || !image->GetUrl().empty()))
            return std::string("the record was not reset to the package");
        return whole ? CheckPicture() : std::nullopt;
    }

    static Problem CheckContent(const std::string& input, const PackageFields& fields, const Bytes& payload) {
        if (input.compare(0, 4, "KSP1") != 0) {
            if (!fields.empty()) return std::string("a legacy package came with header fields");
            // The content is the payload's length, the name, then the payload.
            if (payload.size() + 4 + std::strlen(kFileName) > input.size())
                return std::string("a legacy payload larger than its file holds");
            return std::nullopt;
        }
        auto length = fields.find(L"length");
        long long declared = length == fields.end() ? 0 : ParseNumber(length->second);
        if (declared != static_cast<long long>(payload.size()))
            return "the header says " + std::to_string(declared) + " bytes, the payload has " +
                   std::to_string(payload.size());
        return std::nullopt;
    }

    Problem CheckPicture() {
        ReportStage("decoding the picture");
        Picture picture;
        bool loaded = LoadPackageImage(nullptr, &picture, m_path);
        ReportStage("checking the picture");
        if (loaded == picture.IsEmpty()) return std::string("the picture's result and its content disagree");
        if (loaded && (picture.GetWidth() <= 0 || picture.GetHeight() <= 0))
            return std::string("a loaded picture without a size");
        return CheckScaledPicture(loaded ? &picture : nullptr);
    }

    // The same package for a small cover size, as menu thumbnails and wallpapers ask: a JPEG
    // comes scaled, never larger than whole nor smaller than the cover, and it loads whenever
    // the whole picture does (a picture too large to decode whole may load scaled).
    Problem CheckScaledPicture(const Picture* whole) {
        ReportStage("decoding the picture scaled");
        const DecodeHint hint{24, 18};
        Picture scaled;
        const bool loaded = LoadPackageImage(nullptr, &scaled, m_path, hint);
        ReportStage("checking the scaled picture");
        if (loaded == scaled.IsEmpty()) return std::string("the scaled picture's result and its content disagree");
        if (!loaded)
            return whole ? std::optional<std::string>("a picture that loads whole fails scaled") : std::nullopt;
        const SIZE full = scaled.GetFullSize(), size = scaled.GetSize();
        if (whole && (full.cx != whole->GetWidth() || full.cy != whole->GetHeight()))
            return std::string("the scaled picture's full size is not the whole picture's size");
        if (size.cx > full.cx || size.cy > full.cy) return std::string("a scaled picture larger than the whole");
        if (size.cx < std::min<LONG>(hint.coverWidth, full.cx) || size.cy < std::min<LONG>(hint.coverHeight, full.cy))
            return std::string("a scaled picture smaller than the size it must cover");
        return std::nullopt;
    }

    Tokens m_headerTokens = HeaderTokens();
    Tokens m_fileTokens = FileTokens();
    Path m_path;
};

}  // namespace

std::unique_ptr<Harness> MakePackageHarness() { return std::make_unique<PackageHarness>(); }

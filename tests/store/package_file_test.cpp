#include "store/package_file.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <winioctl.h>

#include <algorithm>
#include <random>
#include <string>

#include "base/digest.h"
#include "base/handles.h"
#include "base/text.h"
#include "store/picture.h"
#include "store/rc5.h"
#include "support/test_support.h"

namespace {

Bytes RandomBytes(size_t size, unsigned seed) {
    std::mt19937 engine(seed);
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<unsigned char>(engine());
    return bytes;
}

std::string Le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
    return out;
}

std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

const std::string kKey = "0123456789abcdef";

// A current package assembled by hand, so that headers the writer never produces can be tried.
std::string CurrentPackage(const std::string& header, const Bytes& payload, const std::string& key = kKey) {
    Rc5 rc5(key.data(), key.size());
    std::string cipheredHeader = AsString(rc5.Encipher(AsBytes(header)));
    return "KSP1" + Le(static_cast<std::uint32_t>(cipheredHeader.size()), 2) + key + cipheredHeader +
           AsString(rc5.Encipher(payload));
}

// The older format: length, the lower-case file name, the payload; whole blocks enciphered
// with the name as key, a trailing partial block left as it is.
std::string LegacyPackage(const std::string& lowerName, const Bytes& payload, std::uint32_t storedLength) {
    std::string content = Le(storedLength, 4) + lowerName + AsString(payload);
    Rc5(lowerName.data(), lowerName.size())
        .EncipherBlocks(reinterpret_cast<unsigned char*>(&content[0]), content.size() / Rc5::kBlockBytes);
    return content;
}

// A file of the given size whose bytes after the prefix take no disk space.
void WriteSparse(const Path& path, const std::string& prefix, LONGLONG size) {
    UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD returned = 0;  // NTFS needs to be told; elsewhere the hole is there anyway
    DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), prefix.data(), static_cast<DWORD>(prefix.size()), &written, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = size;
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
}

// Outputs preset to values that a failed read must leave alone.
struct Outputs {
    PackageFields fields{{L"kept", L"yes"}};
    Bytes payload{1, 2, 3};
    bool Read(const Path& path) { return ReadPackage(&fields, &payload, path); }
    bool Untouched() const { return fields == PackageFields{{L"kept", L"yes"}} && payload == Bytes{1, 2, 3}; }
};

}  // namespace

TEST(Digest, KnownAnswers) {
    auto md5 = [](const std::string& text) { return Md5Hex(text.data(), text.size()); };
    EXPECT_EQ(md5(""), L"d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5("abc"), L"900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5("message digest"), L"f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5(std::string(1000000, 'a')), L"7707d6ae4e027c70eea2a935c2296f21");
    EXPECT_EQ(Md5Hex(nullptr, 0), L"d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc", 3, HexCase::Upper), L"900150983CD24FB0D6963F7D28E17F72");

    auto sha256 = [](const std::string& text) { return Sha256Hex(text.data(), text.size()); };
    EXPECT_EQ(sha256(""), L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256("abc"), L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("message digest", 14, HexCase::Upper),
              L"F7846F55CF23E14EEBEAB5B4E1550CAD5B509E3348FBC4EFA3A1413D393CB650");

    // A published checksum: its length says which digest, case does not matter.
    auto verdict = [](const std::wstring& checksum) { return CheckDigest(checksum, "abc", 3); };
    EXPECT_EQ(verdict(L"900150983CD24fb0d6963f7d28e17f72"), ChecksumVerdict::Match);
    EXPECT_EQ(verdict(L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"), ChecksumVerdict::Match);
    EXPECT_EQ(verdict(L"900150983cd24fb0d6963f7d28e17f73"), ChecksumVerdict::Mismatch);
    EXPECT_EQ(verdict(L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ae"), ChecksumVerdict::Mismatch);
    for (const wchar_t* nothing : {L"", L"900150983cd24fb0d6963f7d28e17f7", L"900150983cd24fb0d6963f7d28e17f72 ",
                                   L"900150983cd24fb0d6963f7d28e17fxx", L"\uFF1000150983cd24fb0d6963f7d28e17f72"})
        EXPECT_EQ(verdict(nothing), ChecksumVerdict::Unverifiable) << nothing;

    // A file read in chunks gets the digests of the whole.
    DigestStream pieces;
    const std::string million(1000000, 'a');
    for (size_t at = 0; at < million.size(); at += 65536)
        pieces.Add(million.data() + at, std::min<size_t>(65536, million.size() - at));
    EXPECT_EQ(HexOf(pieces.Md5()), L"7707d6ae4e027c70eea2a935c2296f21");
    EXPECT_EQ(HexOf(pieces.Sha256(), HexCase::Upper),
              L"CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0");
    EXPECT_EQ(CheckDigests(L"7707D6AE4E027C70EEA2A935C2296F21", HexOf(pieces.Md5()), L""), ChecksumVerdict::Match);
    EXPECT_EQ(CheckDigests(L"7707d6ae4e027c70eea2a935c2296f21", L"", HexOf(pieces.Sha256())),
              ChecksumVerdict::Unverifiable)
        << "an MD5 checksum needs the MD5";
}

TEST(PackageFile, FileNameIsMd5OfUtf16Url) {
    // hashlib.md5("http://x/a.jpg".encode("utf-16-le")).hexdigest()
    EXPECT_EQ(MakePackageFileName(L"http://x/a.jpg"), L"f6a1041fdc5906ef2f5a63d539772b05.tvp");
    EXPECT_NE(MakePackageFileName(L"http://x/a.jpg"), MakePackageFileName(L"http://x/A.jpg"));
}

TEST(PackageFile, RoundTripWithAndWithoutImage) {
    TempDir dir;
    Bytes payload = RandomBytes(1000, 1);
    auto image = std::make_shared<Image>(-42, dir / L"ignored", L"a.jpg?x=1&y=<2>", L"http://x/fengguang/");
    image->SetSize(1920, 1080);
    image->SetOrder(7);
    ASSERT_TRUE(WritePackage(image, payload, dir / L"with.tvp"));
    ASSERT_TRUE(WritePackage(nullptr, payload, dir / L"without.tvp"));

    PackageFields fields;
    Bytes read;
    ASSERT_TRUE(ReadPackage(&fields, &read, dir / L"with.tvp"));
    EXPECT_EQ(read, payload);
    EXPECT_EQ(
        fields,
        (PackageFields{
            {L"pid", L"-42"}, {L"width", L"1920"}, {L"height", L"1080"}, {L"order", L"7"},
            {L"url", L"http://x/fengguang/a.jpg?x=1&y=<2>"}, {L"length", L"1000"}}));
    auto back = std::make_shared<Image>(0, Path(), L"", L"");
    ASSERT_TRUE(LoadPackageImage(back, nullptr, dir / L"with.tvp"));
    EXPECT_EQ(back->GetFullUrl(), L"http://x/fengguang/a.jpg?x=1&y=<2>") << "where it came from, after a restart";
    ASSERT_TRUE(WritePackage(std::make_shared<Image>(1, dir / L"l", std::wstring(3000, L'u'), L""), payload,
                             dir / L"long.tvp"));
    ASSERT_TRUE(ReadPackage(&fields, nullptr, dir / L"long.tvp")) << "a URL too long is left out, not the package";
    EXPECT_EQ(fields.count(L"url"), 0u);
    ASSERT_TRUE(ReadPackage(&fields, &read, dir / L"without.tvp"));
    EXPECT_EQ(read, payload);
    EXPECT_EQ(fields, (PackageFields{{L"length", L"1000"}}));

    // The layout other readers depend on: magic, header length, key, header, payload.
    auto checkLayout = [&](const Path& path, const std::string& expectedHeader) {
        std::string file = ReadAll(path);
        ASSERT_GE(file.size(), 22u);
        EXPECT_EQ(file.substr(0, 4), "KSP1");
        size_t headerLength = static_cast<unsigned char>(file[4]) | static_cast<unsigned char>(file[5]) << 8;
        EXPECT_EQ(headerLength % 8, 0u);
        ASSERT_EQ(file.size(), 22 + headerLength + 1000);
        Rc5 rc5(file.data() + 6, 16);
        std::string header = AsString(rc5.Decipher(AsBytes(file.substr(22, headerLength))));
        EXPECT_EQ(header, expectedHeader + std::string(headerLength - expectedHeader.size(), '\0'));
        EXPECT_EQ(rc5.Decipher(AsBytes(file.substr(22 + headerLength))), payload);
        EXPECT_NE(file.substr(22 + headerLength), AsString(payload));
    };
    checkLayout(dir / L"without.tvp", "<tvp><length>1000</length></tvp>");
    checkLayout(
        dir / L"with.tvp",
        "<tvp><pid>-42</pid><width>1920</width><height>1080</height><order>7</order>"
        "<url>http://x/fengguang/a.jpg?x=1&amp;y=&lt;2&gt;</url><length>1000</length></tvp>");

    // Each package gets its own key.
    EXPECT_NE(ReadAll(dir / L"without.tvp").substr(6, 16), ReadAll(dir / L"with.tvp").substr(6, 16));
}

TEST(PackageFile, PayloadIsPaddedToWholeBlocks) {
    TempDir dir;
    for (size_t size : {0, 8, 9}) {
        Path path = dir / (std::to_wstring(size) + L".tvp");
        Bytes payload = RandomBytes(size, static_cast<unsigned>(size) + 1);
        ASSERT_TRUE(WritePackage(nullptr, payload, path)) << size;
        // "<tvp><length>N</length></tvp>" is 29 bytes, stored as 32.
        EXPECT_EQ(ReadAll(path).size(), 22u + 32u + (size + 7) / 8 * 8) << size;
        Outputs out;
        ASSERT_TRUE(out.Read(path)) << size;
        EXPECT_EQ(out.payload, payload) << size;
    }
}

TEST(PackageFile, RejectsTruncatedAndDamagedFiles) {
    TempDir dir;
    Path path = dir / L"bad.tvp";
    Bytes payload = RandomBytes(100, 2);
    std::string good = CurrentPackage("<tvp><pid>5</pid><length>100</length></tvp>", payload);

    struct Case {
        const char* what;
        std::string bytes;
    } const cases[] = {
        {"empty", ""},
        {"three bytes", "KSP"},
        {"magic without key", std::string("KSP1") + std::string(17, 'k')},
        {"header beyond the file", "KSP1" + Le(0xFFF8, 2) + kKey + std::string(64, 'x')},
        {"empty header", "KSP1" + Le(0, 2) + kKey},
        {"header not XML", CurrentPackage("this is no xml at all", payload)},
        {"header unclosed", CurrentPackage("<tvp><length>100</length>", payload)},
        {"header with a wrong key", good.substr(0, 6) + std::string(16, 'z') + good.substr(22)},
        {"negative length", CurrentPackage("<tvp><length>-1</length></tvp>", payload)},
        {"length beyond the file", CurrentPackage("<tvp><length>101</length></tvp>", Bytes(96, 0))},
    };
    for (const Case& c : cases) {
        WriteAll(path, c.bytes);
        Outputs out;
        EXPECT_FALSE(out.Read(path)) << c.what;
        EXPECT_TRUE(out.Untouched()) << c.what;
    }

    // Cut anywhere before the payload's end: rejected, never a shortened picture.
    for (size_t cut = 0; cut < good.size() - 4; ++cut) {
        WriteAll(path, good.substr(0, cut));
        Outputs out;
        EXPECT_FALSE(out.Read(path)) << "cut at " << cut;
        EXPECT_TRUE(out.Untouched()) << "cut at " << cut;
    }
    WriteAll(path, good);
    Outputs out;
    EXPECT_TRUE(out.Read(path));
    EXPECT_EQ(out.payload, payload);

    EXPECT_FALSE(Outputs().Read(dir / L"missing.tvp"));
    EXPECT_FALSE(Outputs().Read(dir.path()));
    EXPECT_TRUE(ReadPackage(nullptr, nullptr, dir / L"missing.tvp"));
}

TEST(PackageFile, SurvivesRandomBytes) {
    TempDir dir;
    Path path = dir / L"random.tvp";
    std::mt19937 engine(99);
    std::string good = CurrentPackage("<tvp><length>40</length></tvp>", RandomBytes(40, 3));
    int read = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        if (round % 3 == 0) {
            bytes = AsString(RandomBytes(engine() % 200, round));
        } else if (round % 3 == 1) {
            bytes = "KSP1" + AsString(RandomBytes(engine() % 200, round));
        } else {
            bytes = good;
            for (int flips = 1 + engine() % 4; flips > 0; --flips)
                bytes[engine() % bytes.size()] ^= 1 << (engine() % 8);
        }
        WriteAll(path, bytes);
        PackageFields fields;
        Bytes payload;
        if (ReadPackage(&fields, &payload, path)) {
            // What reads is whole: exactly the length its header gives.
            auto length = fields.find(L"length");
            EXPECT_EQ(static_cast<long long>(payload.size()), length == fields.end() ? 0 : ParseNumber(length->second))
                << "round " << round;
            ++read;
        }
    }
    EXPECT_GT(read, 0) << "flips that miss the header still read";
}

TEST(PackageFile, HugeFilesAreRefusedWithoutReadingThem) {
    TempDir dir;
    Path path = dir / L"huge.tvp";
    // Claims as much as the file holds, but far more than a picture can be.
    WriteSparse(path, CurrentPackage("<tvp><length>600000000</length></tvp>", Bytes()), 600ll << 20);
    Outputs out;
    EXPECT_FALSE(out.Read(path));
    EXPECT_TRUE(out.Untouched());
    PackageFields fields;
    ASSERT_TRUE(ReadPackage(&fields, nullptr, path));  // the header alone is fine
    EXPECT_EQ(fields[L"length"], L"600000000");

    // Claims more than the file holds.
    WriteSparse(path, CurrentPackage("<tvp><length>99999999999999</length></tvp>", Bytes()), 300ll << 20);
    EXPECT_FALSE(out.Read(path));
    EXPECT_TRUE(out.Untouched());
}

TEST(PackageFile, LegacyPackagesAreKeyedByTheirName) {
    TempDir dir;
    Bytes payload = RandomBytes(1001, 4);
    // A name longer than the key, as real ones are, and a short one in mixed case.
    std::string longName = "0cc175b9c0f1b6a831c399e269772661.tvp";
    WriteAll(dir / L"0cc175b9c0f1b6a831c399e269772661.tvp", LegacyPackage(longName, payload, 1001));
    WriteAll(dir / L"Old.TVP", LegacyPackage("old.tvp", payload, 1001));

    for (const wchar_t* name : {L"0cc175b9c0f1b6a831c399e269772661.tvp", L"Old.TVP"}) {
        Outputs out;
        ASSERT_TRUE(out.Read(dir / name)) << name;
        EXPECT_EQ(out.payload, payload) << name;
        EXPECT_TRUE(out.fields.empty()) << name;
    }

    // Renamed, the key no longer fits.
    ASSERT_TRUE(MoveFileW((dir / L"Old.TVP").c_str(), (dir / L"new.tvp").c_str()));
    Outputs renamed;
    EXPECT_FALSE(renamed.Read(dir / L"new.tvp"));
    EXPECT_TRUE(renamed.Untouched());

    // A stored length beyond the content, and one that would wrap around.
    for (std::uint32_t length : {1002u, 0xFFFFFFFFu, 0xFFFFFFFCu}) {
        WriteAll(dir / L"old.tvp", LegacyPackage("old.tvp", payload, length));
        Outputs out;
        EXPECT_FALSE(out.Read(dir / L"old.tvp")) << length;
        EXPECT_TRUE(out.Untouched()) << length;
    }
    WriteAll(dir / L"old.tvp", LegacyPackage("old.tvp", payload, 0));
    Outputs empty;
    ASSERT_TRUE(empty.Read(dir / L"old.tvp"));
    EXPECT_TRUE(empty.payload.empty());

    // Only the header asked for: a legacy file has none, which is not a failure.
    PackageFields fields{{L"stale", L"1"}};
    EXPECT_TRUE(ReadPackage(&fields, nullptr, dir / L"new.tvp"));
    EXPECT_TRUE(fields.empty());
    auto image = std::make_shared<Image>(12, Path(L"c:\\other"), L"a.jpg", L"http://x/");
    EXPECT_TRUE(LoadPackageImage(image, nullptr, dir / L"new.tvp"));
    EXPECT_EQ(image->GetId(), -1);
    EXPECT_EQ(image->GetPath(), dir / L"new.tvp");
    EXPECT_EQ(image->GetFullUrl(), L"");
    EXPECT_EQ(image->GetWidth(), 0);
    EXPECT_EQ(image->GetHeight(), 0);
    EXPECT_EQ(image->GetOrder(), 0);
}

TEST(PackageFile, RenamedCurrentPackageStillReads) {
    TempDir dir;
    Bytes payload = RandomBytes(77, 5);
    ASSERT_TRUE(WritePackage(nullptr, payload, dir / L"a.tvp"));
    ASSERT_TRUE(MoveFileW((dir / L"a.tvp").c_str(), (dir / L"b.tvp").c_str()));
    Outputs out;
    ASSERT_TRUE(out.Read(dir / L"b.tvp"));
    EXPECT_EQ(out.payload, payload);
}

TEST(PackageFile, HeaderFieldsFillTheImageRecord) {
    TempDir dir;
    Path path = dir / L"fields.tvp";
    auto load = [&](const std::string& header) {
        WriteAll(path, CurrentPackage(header, Bytes()));
        auto image = std::make_shared<Image>(3, Path(L"c:\\before"), L"b.jpg", L"http://y/");
        EXPECT_TRUE(LoadPackageImage(image, nullptr, path)) << header;
        return image;
    };
    auto image = load("<tvp><pid>9</pid><width>640</width><height>480</height><order>-2</order></tvp>");
    EXPECT_EQ(image->GetId(), 9);
    EXPECT_EQ(image->GetWidth(), 640);
    EXPECT_EQ(image->GetHeight(), 480);
    EXPECT_EQ(image->GetOrder(), -2);
    EXPECT_EQ(image->GetPath(), path);
    EXPECT_EQ(image->GetFullUrl(), L"");

    image = load("<tvp><width>x12</width><height> 34</height></tvp>");  // no leading digits: 0
    EXPECT_EQ(image->GetId(), -1);
    EXPECT_EQ(image->GetWidth(), 0);
    EXPECT_EQ(image->GetHeight(), 34);

    image = load("<tvp><width>640</width></tvp>");  // a size needs both
    EXPECT_EQ(image->GetWidth(), 0);
    EXPECT_EQ(image->GetHeight(), 0);

    // Later duplicates win, empty elements read as empty, text is UTF-8.
    WriteAll(path, CurrentPackage("<tvp><a>1</a><a>2</a><b/><c>\xE5\xA3\x81\xE7\xBA\xB8</c></tvp>", Bytes()));
    PackageFields fields;
    ASSERT_TRUE(ReadPackage(&fields, nullptr, path));
    EXPECT_EQ(fields, (PackageFields{{L"a", L"2"}, {L"b", L""}, {L"c", L"\x58c1\x7eb8"}}));
    EXPECT_FALSE(LoadPackageImage(image, nullptr, dir / L"missing.tvp"));
}

TEST(PackageFile, FailedWriteLeavesNoPackage) {
    TempDir dir;
    Bytes payload = RandomBytes(64, 6);
    Path missingFolder = dir / L"missing" / L"a.tvp";
    EXPECT_FALSE(WritePackage(nullptr, payload, missingFolder));
    EXPECT_FALSE(missingFolder.Exists());

    // A folder squats on the name: the write fails and the folder stays as it was.
    Path occupied = dir / L"b.tvp";
    ASSERT_TRUE(occupied.CreateDirectories());
    EXPECT_FALSE(WritePackage(nullptr, payload, occupied));
    EXPECT_TRUE(occupied.IsDirectory());
    EXPECT_EQ(dir.path().ListDirectory(), std::vector<Path>{occupied}) << "no temporary file left behind";
}

TEST(PackageFile, LoadsThePicture) {
    TempDir dir;
    Picture original;
    Bytes bmp;
    ASSERT_TRUE(original.Create(3, 2, RGB(10, 20, 30)));
    ASSERT_TRUE(original.SaveToBytes(bmp));
    auto image = std::make_shared<Image>(5, Path(), L"", L"");
    image->SetSize(3, 2);
    ASSERT_TRUE(WritePackage(image, bmp, dir / L"p.tvp"));

    Picture picture;
    auto loaded = std::make_shared<Image>(0, Path(), L"", L"");
    ASSERT_TRUE(LoadPackageImage(loaded, &picture, dir / L"p.tvp"));
    EXPECT_EQ(picture.GetWidth(), 3);
    EXPECT_EQ(picture.GetHeight(), 2);
    EXPECT_EQ(loaded->GetId(), 5);

    ASSERT_TRUE(WritePackage(image, RandomBytes(50, 8), dir / L"q.tvp"));
    EXPECT_FALSE(LoadPackageImage(loaded, &picture, dir / L"q.tvp")) << "not a picture";
}

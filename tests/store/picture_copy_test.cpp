// Copies of pictures for the user: byte for byte, never over a file, nothing from a damaged package.
#include <gtest/gtest.h>

#include "store/package_file.h"
#include "store/picture_copy.h"
#include "support/test_support.h"

TEST(SavePictureCopy, ThePackagesPictureByteForByteUnderAFreeName) {
    TempDir dir;
    const Path package = dir / L"p.tvp", pictures = dir / L"Pictures" / L"Kestrane";
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0};
    for (int i = 0; i < 5000; ++i) jpeg.push_back(static_cast<unsigned char>(i * 7));
    ASSERT_TRUE(WritePackage(nullptr, jpeg, package));

    std::optional<Path> first = SavePictureCopy(package, true, pictures, L"Scenery 2026-12-10");
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, pictures / L"Scenery 2026-12-10.jpg") << "the folder is made when missing";
    EXPECT_EQ(ReadAll(*first), std::string(jpeg.begin(), jpeg.end())) << "as the service sent it";
    WriteAll(pictures / L"Scenery 2026-12-10 (2).jpg", "the user's own");
    std::optional<Path> third = SavePictureCopy(package, true, pictures, L"Scenery 2026-12-10");
    ASSERT_TRUE(third);
    EXPECT_EQ(*third, pictures / L"Scenery 2026-12-10 (3).jpg") << "a number added, nothing replaced";
    EXPECT_EQ(ReadAll(pictures / L"Scenery 2026-12-10 (2).jpg"), "the user's own");
    EXPECT_EQ(ReadAll(*first), std::string(jpeg.begin(), jpeg.end()));

    const Bytes png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    ASSERT_TRUE(WritePackage(nullptr, png, package));
    EXPECT_EQ(SavePictureCopy(package, true, pictures, L"a:b/c?"), std::optional<Path>(pictures / L"a_b_c_.png"))
        << "the extension follows the bytes, the name what a file system takes";

    const Path own = dir / L"beach.JPEG";
    WriteAll(own, "not even a picture: copied as it is");
    EXPECT_EQ(SavePictureCopy(own, false, pictures, L"Mine"), std::optional<Path>(pictures / L"Mine.JPEG"));
    EXPECT_EQ(ReadAll(pictures / L"Mine.JPEG"), "not even a picture: copied as it is");
    EXPECT_TRUE(own.Exists()) << "the user's file stays";
}

TEST(SavePictureCopy, ADamagedOrMissingPackageWritesNothing) {
    TempDir dir;
    const Path pictures = dir / L"out";
    const Path damaged = dir / L"d.tvp";
    ASSERT_TRUE(WritePackage(nullptr, Bytes(4000, 0x42), damaged));
    std::string bytes = ReadAll(damaged);
    WriteAll(damaged, bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(SavePictureCopy(damaged, true, pictures, L"x"));
    EXPECT_FALSE(SavePictureCopy(dir / L"missing.tvp", true, pictures, L"x"));
    EXPECT_FALSE(SavePictureCopy(dir / L"missing.jpg", false, pictures, L"x"));
    EXPECT_TRUE(!pictures.Exists() || pictures.ListFiles().empty()) << "no file, no half-written one";
}

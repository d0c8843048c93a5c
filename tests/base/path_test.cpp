#include <gtest/gtest.h>

#include <windows.h>

#include "base/path.h"
#include "support/test_support.h"

TEST(Path, ConstructionTrimsBlanksAndUsesBackslashes) {
    EXPECT_EQ(Path(L"  c:/data/pics/a.jpg \t").str(), L"c:\\data\\pics\\a.jpg");
    EXPECT_TRUE(Path(L"   ").empty());
    EXPECT_EQ(Path(L"a b/c").str(), L"a b\\c") << "inner blanks stay";
}

TEST(Path, JoinPutsOneBackslashBetweenParts) {
    EXPECT_EQ((Path(L"c:\\data\\") / L"\\x.tvp").str(), L"c:\\data\\x.tvp");
    EXPECT_EQ((Path(L"c:\\data") / L"x.tvp").str(), L"c:\\data\\x.tvp");
    EXPECT_EQ((Path(L"") / L"x").str(), L"x");
    EXPECT_EQ((Path(L"dir") / L"").str(), L"dir");
    EXPECT_EQ((Path(L"c:") / L"x").str(), L"c:\\x");
}

TEST(Path, NameParts) {
    Path path(L"c:\\pics\\sunset.beach.jpg");
    EXPECT_EQ(path.FileName(), L"sunset.beach.jpg");
    EXPECT_EQ(path.Stem(), L"sunset.beach");
    EXPECT_EQ(path.Extension(), L".jpg");
    EXPECT_EQ(path.Parent().str(), L"c:\\pics");
    EXPECT_EQ(path.ReplaceExtension(L".lnk").str(), L"c:\\pics\\sunset.beach.lnk");
    EXPECT_EQ(path.ReplaceExtension(L"bmp").str(), L"c:\\pics\\sunset.beach.bmp");

    EXPECT_EQ(Path(L"c:\\pics\\README").Extension(), L"");
    EXPECT_EQ(Path(L"c:\\pics\\.hidden").Extension(), L"") << "a leading dot is not an extension";
    EXPECT_EQ(Path(L"c:\\pics\\.hidden").Stem(), L".hidden");
    EXPECT_EQ(Path(L"name").Parent().str(), L"");
}

TEST(Path, ComparesExactly) {
    EXPECT_EQ(Path(L"c:/a"), Path(L"c:\\a"));
    EXPECT_NE(Path(L"C:\\A"), Path(L"c:\\a")) << "case matters";
    EXPECT_LT(Path(L"a"), Path(L"b"));
}

TEST(Path, FileSystemOperations) {
    TempDir dir;
    Path nested = dir / L"one" / L"two" / L"three";
    EXPECT_FALSE(nested.Exists());
    ASSERT_TRUE(nested.CreateDirectories());
    EXPECT_TRUE(nested.IsDirectory());
    EXPECT_TRUE(nested.CreateDirectories()) << "an existing folder is fine";

    WriteAll(nested / L"a.txt", "a");
    WriteAll(dir / L"one" / L"b.txt", "b");
    Path file = nested / L"a.txt";
    EXPECT_TRUE(file.Exists());
    EXPECT_FALSE(file.IsDirectory());
    EXPECT_FALSE((nested / L"a.txt" / L"x").CreateDirectories()) << "a file is in the way";

    std::vector<Path> entries = (dir / L"one").ListDirectory();
    ASSERT_EQ(entries.size(), 2u) << "no '.' or '..'";
    EXPECT_TRUE((entries[0] == dir / L"one" / L"b.txt" && entries[1] == dir / L"one" / L"two") ||
                (entries[1] == dir / L"one" / L"b.txt" && entries[0] == dir / L"one" / L"two"));
    EXPECT_TRUE(Path(dir / L"missing").ListDirectory().empty());

    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE((dir / L"one").Remove()) << "Remove does not empty a folder";
    EXPECT_TRUE((dir / L"one").RemoveAll()) << "read-only files included";
    EXPECT_FALSE((dir / L"one").Exists());
    EXPECT_TRUE((dir / L"one").RemoveAll()) << "nothing to remove is success";
}

// A link planted in a folder the program clears (update\ after an update) must not lead the
// removal out of it.
TEST(Path, RemoveAllRemovesALinkButNotWhatItPointsAt) {
    TempDir dir;
    Path outside = dir / L"outside";
    ASSERT_TRUE(outside.CreateDirectories());
    WriteAll(outside / L"keep.txt", "precious");
    Path update = dir / L"program" / L"update";
    ASSERT_TRUE(update.CreateDirectories());
    WriteAll(update / L"KestraneSetup.exe", "downloaded");
    ASSERT_TRUE(MakeDirectoryLink(update / L"link", outside)) << "no directory link could be made here";
    ASSERT_EQ(ReadAll(update / L"link" / L"keep.txt"), "precious") << "the link leads to the outside folder";
    // Wine deletes an empty folder through a link to it when asked to delete the link.
    Path empty = dir / L"empty";
    ASSERT_TRUE(empty.CreateDirectories());
    ASSERT_TRUE(MakeDirectoryLink(update / L"to-empty", empty));

    bool removed = update.RemoveAll();
    EXPECT_EQ(ReadAll(outside / L"keep.txt"), "precious") << "the link's target was emptied";
    EXPECT_TRUE(empty.IsDirectory()) << "an empty folder behind a link was removed";
    EXPECT_FALSE((update / L"KestraneSetup.exe").Exists()) << "the folder's own files go";
    // Windows removes the links and then the folder; Wine cannot remove a host link, and then
    // the removal must say it failed.
    EXPECT_EQ(removed, !update.Exists());
    RemoveDirectoryLink(update / L"link");
    RemoveDirectoryLink(update / L"to-empty");
}

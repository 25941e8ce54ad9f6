// The source-tree listing: order, empty folders, names Windows cannot hold,
// case clashes and symbolic links.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "builder/source_tree.h"
#include "test_support.h"

namespace {

using namespace buildertest;

std::vector<std::string> Listing(const fs::path& root, std::string* error = nullptr) {
  std::vector<builder::SourceItem> items;
  std::string why;
  bool ok = builder::WalkSourceTree(root, builder::WalkLimits{1u << 20}, items, why);
  if (error) *error = why;
  std::vector<std::string> lines;
  if (!ok) return lines;
  for (const auto& i : items) lines.push_back((i.folder ? "D " : "F ") + i.name);
  return lines;
}

std::string WalkError(const fs::path& root) {
  std::string error;
  EXPECT_TRUE(Listing(root, &error).empty());
  EXPECT_FALSE(error.empty());
  return error;
}

TEST(SourceTree, DepthFirstInUpperCaseNameOrderWithEmptyFolders) {
  TempDir dir;
  const fs::path root = dir / "payload";
  // Created in an order unlike the listing order.
  WriteFile(root / "zeta.txt", "z");
  WriteFile(root / "a_b.txt", "x");  // '_' sorts after the letters once they are upper case
  WriteFile(root / "ab.txt", "x");
  WriteFile(root / "Bin/tool.exe", "t");
  WriteFile(root / "Bin/lib/x.dll", "x");
  fs::create_directories(root / "empty");
  WriteFile(root / "B.txt", "b");
  std::vector<std::string> expected = {"F ab.txt",          "F a_b.txt",       "F B.txt", "D Bin",     "D Bin\\lib",
                                       "F Bin\\lib\\x.dll", "F Bin\\tool.exe", "D empty", "F zeta.txt"};
  EXPECT_EQ(Listing(root), expected);
}

TEST(SourceTree, ReportsSizes) {
  TempDir dir;
  WriteFile(dir / "p/a.bin", std::string(1000, 'a'));
  WriteFile(dir / "p/empty.bin", "");
  std::vector<builder::SourceItem> items;
  std::string error;
  ASSERT_TRUE(builder::WalkSourceTree(dir / "p", builder::WalkLimits{1000}, items, error)) << error;
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].size, 1000u);
  EXPECT_EQ(items[1].size, 0u);
  // One byte over the limit is refused.
  WriteFile(dir / "p/a.bin", std::string(1001, 'a'));
  EXPECT_FALSE(builder::WalkSourceTree(dir / "p", builder::WalkLimits{1000}, items, error));
  EXPECT_NE(error.find("a.bin: is 1001 bytes"), std::string::npos) << error;
  EXPECT_TRUE(items.empty());
}

TEST(SourceTree, CaseClashesAreRefusedAlsoBeyondAscii) {
  TempDir dir;
  WriteFile(dir / "a/Readme.txt", "1");
  WriteFile(dir / "a/README.TXT", "2");
  EXPECT_NE(WalkError(dir / "a").find("only in letter case"), std::string::npos);
  WriteFile(dir / "b/sub/Été.txt", "1");
  WriteFile(dir / "b/sub/éTÉ.txt", "2");
  EXPECT_NE(WalkError(dir / "b").find("only in letter case"), std::string::npos);
  WriteFile(dir / "c/Данные", "1");
  WriteFile(dir / "c/данные", "2");
  EXPECT_NE(WalkError(dir / "c").find("only in letter case"), std::string::npos);
  // A folder and a file clash as well.
  WriteFile(dir / "d/data/x", "1");
  WriteFile(dir / "d/DATA", "2");
  EXPECT_NE(WalkError(dir / "d").find("only in letter case"), std::string::npos);
}

TEST(SourceTree, NamesWindowsCannotHoldAreRefused) {
  for (const char* bad : {"back\\slash.txt", "colon:x", "what?", "trailing.", "trailing ", "NUL", "com1.txt",
                          "bad\xff.txt", "tab\tname"}) {
    TempDir dir;
    WriteFile(dir / "p/ok.txt", "1");
    WriteFile(dir / "p" / bad, "1");
    std::string error = WalkError(dir / "p");
    EXPECT_NE(error.find("p/"), std::string::npos) << bad << ": " << error;
  }
}

TEST(SourceTree, SymbolicLinksInsideAreFollowed) {
  TempDir dir;
  const fs::path root = dir / "p";
  WriteFile(root / "real/file.txt", "contents");
  fs::create_symlink("real/file.txt", root / "alias.txt");
  fs::create_directory_symlink("real", root / "view");
  std::vector<builder::SourceItem> items;
  std::string error;
  ASSERT_TRUE(builder::WalkSourceTree(root, builder::WalkLimits{1u << 20}, items, error)) << error;
  std::vector<std::string> names;
  for (const auto& i : items) names.push_back((i.folder ? "D " : "F ") + i.name);
  std::vector<std::string> expected = {"F alias.txt", "D real", "F real\\file.txt", "D view", "F view\\file.txt"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(items[0].size, 8u);
}

TEST(SourceTree, SymbolicLinksOutsideDanglingOrLoopingAreRefused) {
  TempDir dir;
  WriteFile(dir / "outside.txt", "secret");
  WriteFile(dir / "p1/ok.txt", "1");
  fs::create_symlink(dir / "outside.txt", dir / "p1/link.txt");
  EXPECT_NE(WalkError(dir / "p1").find("leads outside the source tree"), std::string::npos);

  WriteFile(dir / "p2/ok.txt", "1");
  fs::create_directory_symlink("..", dir / "p2/up");
  EXPECT_NE(WalkError(dir / "p2").find("leads outside"), std::string::npos);

  WriteFile(dir / "p3/ok.txt", "1");
  fs::create_symlink("missing.txt", dir / "p3/dangling.txt");
  EXPECT_NE(WalkError(dir / "p3").find("leads nowhere"), std::string::npos);

  WriteFile(dir / "p4/sub/ok.txt", "1");
  fs::create_directory_symlink("..", dir / "p4/sub/loop");
  EXPECT_NE(WalkError(dir / "p4").find("leads back into a folder"), std::string::npos);
}

TEST(SourceTree, SpecialFilesAndMissingRootsAreRefused) {
  TempDir dir;
  WriteFile(dir / "p/ok.txt", "1");
  ASSERT_EQ(mkfifo((dir / "p/pipe").c_str(), 0600), 0);
  EXPECT_NE(WalkError(dir / "p").find("pipe: is neither a file nor a folder"), std::string::npos);
  EXPECT_NE(WalkError(dir / "none").find("none: is not a folder"), std::string::npos);
  EXPECT_NE(WalkError(dir / "p/ok.txt").find("is not a folder"), std::string::npos);
}

}  // namespace

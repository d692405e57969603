// File-system helpers: wildcards, listing, line reading and path parts, on real files.
#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "tests/platform/TemporaryFolder.h"

namespace vek {
namespace {

using testing::TemporaryFolder;

struct WildcardCase {
  std::string pattern, name;
  bool matches;
};

TEST(FileSystem, WildcardMatchesStarsAndQuestionMarks) {
  const std::vector<WildcardCase> cases = {
      {"ora*.dll", "ora73.dll", true},
      {"ora*.dll", "ora.dll", true},
      {"ora*.dll", "oci.dll", false},
      {"ora*.dll", "ora73.dll.bak", false},
      {"libclntsh.so.*", "libclntsh.so.19.1", true},
      {"libclntsh.so.*", "libclntsh.so", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"*", "", true},
      {"", "", true},
      {"*a*b*", "xxaxxbxx", true},
      {"*a*b", "ba", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " against " << c.name;
  }
  EXPECT_EQ(WildcardMatch("ORA*.DLL", "ora73.dll"), kIsWindows) << "case matters only off Windows";
}

TEST(FileSystem, ListFilesGivesMatchingFileNamesInOrder) {
  TemporaryFolder folder;
  folder.WriteFile("ora805.dll", "");
  folder.WriteFile("ora73.dll", "");
  folder.WriteFile("oci.dll", "");
  folder.MakeFolder("ora9.dll");  // a folder never counts as a file
  EXPECT_EQ(ListFiles(folder.Path(), "ora*.dll"),
            (std::vector<std::string>{"ora73.dll", "ora805.dll"}));
  EXPECT_TRUE(ListFiles(folder.PathOf("absent"), "*").empty());
}

TEST(FileSystem, FileExistsOnlyForFiles) {
  TemporaryFolder folder;
  const std::string file = folder.WriteFile("a.txt", "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(folder.Path()));
  EXPECT_FALSE(FileExists(folder.PathOf("b.txt")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(FolderExists(folder.Path()));
}

TEST(FileSystem, ReadTextLinesAcceptsEveryLineEnd) {
  TemporaryFolder folder;
  const std::string file = folder.WriteFile("lines.txt", "one\r\ntwo\nthree\rfour\n\nlast");
  EXPECT_EQ(ReadTextLines(file),
            (std::vector<std::string>{"one", "two", "three", "four", "", "last"}));
  EXPECT_TRUE(ReadTextLines(folder.PathOf("absent.txt")).empty());
}

TEST(FileSystem, PathPartsSplitAtTheLastSeparator) {
  const std::string s(1, kPathSeparator);
  EXPECT_EQ(DirectoryPart("a" + s + "b" + s + "c.so"), "a" + s + "b");
  EXPECT_EQ(FileNamePart("a" + s + "b" + s + "c.so"), "c.so");
  EXPECT_EQ(DirectoryPart("c.so"), "");
  EXPECT_EQ(FileNamePart("c.so"), "c.so");
}

TEST(FileSystem, WorkingFolderChangesAndComparesBySameFolder) {
  TemporaryFolder folder;
  const std::string before = CurrentDirectory();
  const std::string inner = folder.MakeFolder("inner");
  ASSERT_TRUE(ChangeCurrentDirectory(inner));
  EXPECT_TRUE(SameFolder(CurrentDirectory(), inner));
  EXPECT_TRUE(SameFolder(".", inner));
  EXPECT_FALSE(ChangeCurrentDirectory(folder.PathOf("absent")));
  ASSERT_TRUE(ChangeCurrentDirectory(before));
  EXPECT_FALSE(SameFolder(before, inner));
  EXPECT_FALSE(SameFolder("", inner));
}

}  // namespace
}  // namespace vek

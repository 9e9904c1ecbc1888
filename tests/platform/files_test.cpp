#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/name_match.h"
#include "support/temp_dir.h"

namespace tsuzuri::platform {
namespace {

using testing::TempDir;

TEST(FindFile, TriesBytesThenUtf8ThenIgnoresCaseAndSlashKind) {
  TempDir dir;
  dir.write("BG/Room.PNG", "a");
  dir.write("bgm/夏.ogg", "b");  // a UTF-8 name on disk
  dir.write("Exact.txt", "c");

  EXPECT_EQ(findFile(dir.path(), "Exact.txt"), dir.path() + "Exact.txt");
  // "bgm/夏.ogg" in Shift_JIS: the second try converts it to UTF-8.
  EXPECT_EQ(findFile(dir.path(), "bgm/\x89\xC4.ogg"), dir.path() + "bgm/夏.ogg");
  EXPECT_EQ(findFile(dir.path(), "bg\\room.png"), dir.path() + "BG/Room.PNG");
  EXPECT_EQ(findFile(dir.path(), "BGM\\\x89\xC4.OGG"), dir.path() + "bgm/夏.ogg");
  EXPECT_EQ(findFile(dir.path(), "bg/room.png/"), dir.path() + "BG/Room.PNG");
  EXPECT_FALSE(findFile(dir.path(), "bg/rooms.png"));
  EXPECT_FALSE(findFile(dir.path(), ""));
  EXPECT_EQ(findFile(dir.path(), "bg"), dir.path() + "BG") << "folders are found too";
}

TEST(FindFile, KeepsDoubleByteCharactersWhole) {
  TempDir dir;
  // 表 is 0x95 0x5C in Shift_JIS: its trail byte is a backslash.
  dir.write("表/a.txt", "x");
  dir.write("\x95\x5C.txt", "raw");  // a name kept in Shift_JIS bytes
  EXPECT_EQ(findFile(dir.path(), "\x95\x5C/A.TXT"), dir.path() + "表/a.txt");
  EXPECT_EQ(findFile(dir.path(), "\x95\x5C.TXT"), dir.path() + "\x95\x5C.txt");
}

TEST(FindFile, FoldsFullWidthAndGreekLetters) {
  EXPECT_EQ(foldCase(u'a'), u'A');
  EXPECT_EQ(foldCase(u'ａ'), u'Ａ');
  EXPECT_EQ(foldCase(u'α'), u'Α');
  EXPECT_EQ(foldCase(u'я'), u'Я');
  EXPECT_EQ(foldCase(u'あ'), u'あ');
  EXPECT_EQ(foldSjisName("\x82\x81"), foldDiskName("Ａ"));  // ａ in Shift_JIS and Ａ in UTF-8
}

TEST(AtomicFile, ReplacesOnlyOnCommit) {
  TempDir dir;
  const std::string target = dir.write("setting.dat", "old");
  {
    AtomicFile file(target);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE(file.write("half of the new"));
    // Dropped without commit, as on a failure part way.
  }
  EXPECT_EQ(dir.read("setting.dat"), "old");
  ASSERT_TRUE(writeFileAtomically(target, "new"));
  EXPECT_EQ(dir.read("setting.dat"), "new");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1U) << "no temporary file is left behind";
}

TEST(AtomicFile, FailsCleanlyWhereItCannotWrite) {
  TempDir dir;
  EXPECT_FALSE(writeFileAtomically(dir.path() + "missing/folder/file", "x"));
  EXPECT_FALSE(writeFileAtomically("/proc/version", "x"));
}

TEST(AtomicFile, KeepsPermissionsAndWritesThroughLinks) {
  TempDir dir;
  namespace fs = std::filesystem;
  const std::string target = dir.write("saves/save01.dat", "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const std::string link = dir.path() + "current.dat";
  fs::create_symlink(target, link);

  ASSERT_TRUE(writeFileAtomically(link, "new"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(dir.read("saves/save01.dat"), "new");
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // A file made read-only stays as it is, unless the run may write any
  // file (as root does); then it is written, like any other.
  fs::permissions(target, fs::perms::owner_read);
  const bool written = writeFileAtomically(target, "newer");
  EXPECT_EQ(dir.read("saves/save01.dat"), written ? "newer" : "new");
}

TEST(Files, TellsKindsAndLengths) {
  TempDir dir;
  const std::string file = dir.write("a.bin", std::string(1000, 'x'));
  EXPECT_EQ(fileKind(file), FileKind::kFile);
  EXPECT_EQ(fileKind(dir.path()), FileKind::kDirectory);
  EXPECT_EQ(fileKind(dir.path() + "none"), FileKind::kMissing);
  const FileHandle handle = openForReading(file);
  ASSERT_TRUE(handle);
  EXPECT_EQ(fileLength(handle.get()), 1000U);
  EXPECT_FALSE(openForReading(dir.path() + "none"));
  EXPECT_TRUE(executablePath().has_value());
}

TEST(PathForWriting, ReusesExistingComponentsAndConvertsTheRest) {
  TempDir dir;
  dir.write("Save/Data.txt", "");
  const std::string d = dir.path();
  EXPECT_EQ(pathForWriting(d, "save\\data.TXT"), d + "Save/Data.txt");
  EXPECT_EQ(pathForWriting(d, "SAVE/new/\x89\xC4.txt"), d + "Save/new/夏.txt");
  EXPECT_EQ(pathForWriting(d, "./a//b/"), d + "a/b");
  // A user-defined character has no Unicode counterpart: its bytes stay.
  EXPECT_EQ(pathForWriting(d, "save/\xF0\x40.txt"), d + "Save/\xF0\x40.txt");
  EXPECT_EQ(pathForWriting({}, "/"), "/");
  EXPECT_FALSE(pathForWriting(d, ""));
  EXPECT_FALSE(pathForWriting(d, std::string_view("a\0b", 3)));
}

TEST(DiskNames, BecomeShiftJisWhereTheyCan) {
  EXPECT_EQ(sjisFromDiskName("夏.txt"), "\x89\xC4.txt");
  EXPECT_EQ(sjisFromDiskName("\x89\xC4.txt"), "\x89\xC4.txt") << "Shift_JIS bytes are kept";
  EXPECT_FALSE(sjisFromDiskName("한.txt")) << "no Shift_JIS code";
}

TEST(MatchesWildcard, MatchesAsTheWindowsSearchDoes) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"*.txt", "a.txt", true},
      {"*.txt", "A.TXT", true},
      {"*.txt", "a.txt.bak", false},
      {"*.txt", ".txt", true},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYcZ", false},
      {"*", "", true},
      {"*.*", "noext", true},
      {"*.*", "a.b", true},
      {"a.*", "a", true},
      {"a.*", "ab", false},
      {"*.", "noext", true},
      {"*.", "a.b", false},
      {"\x82\x60*", "Ａb", true},
      {"\x82\x81*", "Ａb", true},
      {"?.txt", "夏.txt", true},
      {"\x89\xC4.TXT", "夏.txt", true},
      {"x", "y", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(matchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
  }
}

TEST(ListDirectory, GivesKindsAndLeavesOutBrokenLinks) {
  TempDir dir;
  dir.write("file", "");
  dir.write("sub/inner", "");
  std::filesystem::create_directory_symlink(dir.path() + "sub", dir.path() + "link");
  std::filesystem::create_symlink(dir.path() + "nothing", dir.path() + "broken");
  auto entries = listDirectory(dir.path());
  ASSERT_TRUE(entries);
  std::vector<std::string> seen;
  for (const DirectoryEntry& e : *entries) {
    seen.push_back(e.name + (e.isDirectory ? "/" : "") + (e.isLink ? "@" : ""));
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"file", "link/@", "sub/"}));
  EXPECT_FALSE(listDirectory(dir.path() + "missing"));
}

TEST(FileOperations, CopyMoveDeleteAndAppend) {
  TempDir dir;
  const std::string d = dir.path();
  const std::string big(200000, 'b');  // more than one read
  const std::string from = dir.write("from", big);
  const std::string to = dir.write("to", "old");
  dir.write("folder/x", "X");
  // A failed copy keeps the destination.
  EXPECT_FALSE(copyFile(d + "folder", to));
  EXPECT_FALSE(copyFile(d + "missing", to));
  EXPECT_EQ(dir.read("to"), "old");
  ASSERT_TRUE(copyFile(from, to));
  EXPECT_EQ(dir.read("to"), big);

  EXPECT_FALSE(moveFile(from, to));
  EXPECT_EQ(errno, EEXIST);
  ASSERT_TRUE(moveFile(from, d + "moved"));
  EXPECT_FALSE(std::filesystem::exists(from));
  ASSERT_TRUE(moveFile(d + "folder", d + "renamed"));
  EXPECT_EQ(dir.read("renamed/x"), "X");

  EXPECT_FALSE(deleteFile(d + "renamed"));
  EXPECT_TRUE(deleteFile(to));
  EXPECT_FALSE(deleteFile(to));

  ASSERT_TRUE(appendToFile(d + "log", "one"));
  ASSERT_TRUE(appendToFile(d + "log", "two"));
  EXPECT_EQ(dir.read("log"), "onetwo");
  EXPECT_FALSE(appendToFile(d + "none/log", "x"));
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(d)) ++files;
  EXPECT_EQ(files, 3U) << "moved, renamed, log: no temporary file is left behind";
}

}  // namespace
}  // namespace tsuzuri::platform

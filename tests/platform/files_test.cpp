#include "platform/files.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tsuzuri::platform

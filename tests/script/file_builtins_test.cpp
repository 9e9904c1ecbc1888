#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "script/script_world.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

namespace fs = std::filesystem;
using testing::ScriptWorld;
using testing::TempDir;
using util::toSjis;
using Lines = std::vector<std::string>;

// File built-ins act on the current directory, which is the game folder
// while a game runs: each test runs inside a fresh one.
class FileBuiltinsTest : public ::testing::Test {
 protected:
  FileBuiltinsTest() : previous_(fs::current_path()) { fs::current_path(dir.path()); }
  ~FileBuiltinsTest() override { fs::current_path(previous_); }

  // Runs a script in a fresh world whose game folder is the test's folder.
  ScriptWorld& run(std::string_view script) {
    world = std::make_unique<ScriptWorld>("/nonexistent/script.dat", dir.path());
    world->load(0, "script/0.txt", script);
    world->run();
    return *world;
  }
  Lines list(std::string_view arguments) {
    return run("setFileList " + std::string(arguments) + ", %0\n").state.fileList;
  }
  std::int32_t integer(int i) const { return *world->variables.numberedInteger(i); }

  TempDir dir;
  std::unique_ptr<ScriptWorld> world;

 private:
  fs::path previous_;
};

TEST_F(FileBuiltinsTest, SetFileListMatchesIgnoringCaseAndSkipsFoldersDotNamesAndThumbsDb) {
  for (const char* name : {"b.txt", "A.TXT", "c.png", ".hidden.txt", "folder.txt/inner.txt",
                           "夏.txt", "Thumbs.db", "oldThumbs.db", "x.db"}) {
    dir.write(name, "");
  }
  // Names on the disk are UTF-8; the list holds Shift_JIS.
  EXPECT_EQ(list("\"\", \"*.txt\", 0"), (Lines{"./A.TXT", "./b.txt", "./\x89\xC4.txt"}));
  EXPECT_EQ(integer(0), 3);
  EXPECT_EQ(list("\".\", \"?.Txt\", 0"), (Lines{"./A.TXT", "./b.txt", "./\x89\xC4.txt"}));
  EXPECT_EQ(list("\"\", \"\x89\xC4*\", 0"), Lines{"./\x89\xC4.txt"});
  EXPECT_EQ(list("\"\", \"*.db\", 0"), Lines{"./x.db"});
}

TEST_F(FileBuiltinsTest, SetFileListSearchesSubFoldersOnlyForWildcards) {
  for (const char* name : {"data/x.png", "data/sub/y.png", "data/sub/x.png",
                           "data/sub/deeper/z.png", "data/.git/w.png"}) {
    dir.write(name, "");
  }
  EXPECT_EQ(list("\"data\", \"*.png\", 1"),
            (Lines{"data/sub/deeper/z.png", "data/sub/x.png", "data/sub/y.png", "data/x.png"}));
  EXPECT_EQ(list("\"data\", \"x.png\", 1"), Lines{"data/x.png"});
  // The folder's own separator is used below it, and its spelling kept.
  EXPECT_EQ(list("\"DATA\\\", \"y*\", 1"), Lines{"DATA\\sub\\y.png"});
}

TEST_F(FileBuiltinsTest, SetFileListSortsAppendsAndReplaces) {
  for (const char* name : {"B.txt", "a.txt", "c.txt", "data/x.png"}) dir.write(name, "");
  EXPECT_EQ(list("\"\", \"*\", 0"), (Lines{"./B.txt", "./a.txt", "./c.txt"}));
  EXPECT_EQ(list("\"\", \"*\", 2"), (Lines{"./c.txt", "./a.txt", "./B.txt"}));
  EXPECT_EQ(list("\"\", \"*\", 6"), (Lines{"./c.txt", "./B.txt", "./a.txt"}));
  run("setFileList \"\", \"a*\", 0, %0\n"
      "setFileList \"missing\", \"*\", 8, %1\n"
      "setFileList \"data/x.png\", \"*.txt\", 8, %2\n"  // a file: that one path
      "getFileList $0, 1\ngetFileList $1, 2\n");
  EXPECT_EQ(world->state.fileList, (Lines{"./a.txt", "data/x.png"}));
  EXPECT_EQ(std::vector<int>({integer(0), integer(1), integer(2)}), std::vector<int>({1, 1, 2}));
  EXPECT_EQ(*world->variables.numberedText(0), "data/x.png");
  EXPECT_EQ(world->errors.withContext, Lines{toSjis(u8"リストの範囲を超えています")});
  EXPECT_TRUE(list("\"missing\", \"*\", 0").empty());
}

TEST_F(FileBuiltinsTest, CopyMoveAndDeleteGiveTheirResults) {
  dir.write("a.txt", "A");
  dir.write("Old/b.txt", "old");
  run("copyFile \"a.txt\", \"new\\deep\\a.txt\", %0\n"
      "copyFile \"A.TXT\", \"old/B.txt\", %1\n"  // replaces, in the folder that exists
      "copyFile \"none.txt\", \"c.txt\", %2\n"
      "moveFile \"new/deep/a.txt\", \"moved/m.txt\", %3\n"
      "moveFile \"a.txt\", \"old/b.txt\", %4\n"  // an existing file is not replaced
      "deleteFile \"Moved/M.txt\", %5\n"
      "deleteFile \"moved/m.txt\", %6\n"
      "deleteFile \"moved\", %7\n"
      "copyFile \"a.txt\", \"a.txt/sub/b.txt\", %8\n"
      "moveFile \"a.txt\", \"\", %9\n");
  std::vector<int> results;
  for (int i = 0; i <= 9; ++i) results.push_back(integer(i));
  EXPECT_EQ(results, (std::vector<int>{1, 1, 0, 0, -1, 0, -1, -1, 0, -1}));
  EXPECT_EQ(dir.read("a.txt"), "A");
  EXPECT_EQ(dir.read("Old/b.txt"), "A");
  EXPECT_FALSE(fs::exists(dir.path() + "old"));
  EXPECT_FALSE(fs::exists(dir.path() + "new/deep/a.txt"));
  EXPECT_TRUE(fs::is_directory(dir.path() + "moved"));
  EXPECT_EQ(world->errors.withContext, (Lines{toSjis(u8"フォルダを作成出来ませんでした"),
                                              toSjis(u8"正常にパスが読み込めませんでした")}));
}

TEST_F(FileBuiltinsTest, SaveFileReplacesAndLoadFileReadsBack) {
  dir.write("Save/data.txt", "old");
  dir.write("blocker", "x");
  run("saveFile \"save/DATA.txt\", \"new\"\n"
      "saveFile \"save/deep/\x89\xC4.txt\", \"summer\"\n"
      "loadFile \"save\\deep\\\x89\xC4.txt\", $0\n"
      "existFile \"save\\data.txt\", %0\n"
      "existFile \"save\", %1\n"
      "saveFile \"blocker/x.txt\", \"a\"\n"
      "saveFile \"save\", \"a\"\n");
  EXPECT_EQ(dir.read("Save/data.txt"), "new") << "the existing file is replaced";
  EXPECT_EQ(dir.read("Save/deep/夏.txt"), "summer");
  EXPECT_EQ(*world->variables.numberedText(0), "summer");
  EXPECT_EQ(integer(0), 1);
  EXPECT_EQ(integer(1), 0) << "a folder is no file";
  EXPECT_EQ(world->errors.withContext, (Lines{toSjis(u8"フォルダを作成出来ませんでした"),
                                              "save " + std::string(std::strerror(EISDIR))}));
  EXPECT_EQ(dir.read("blocker"), "x");
}

}  // namespace
}  // namespace tsuzuri::script

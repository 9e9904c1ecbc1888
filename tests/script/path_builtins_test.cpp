#include <gtest/gtest.h>

#include "script/path_parts.h"
#include "script/script_world.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using testing::ScriptWorld;

struct PathCase {
  std::string path;
  std::string folder;
  std::string baseName;
  std::string extension;
};

TEST(SplitPath, CutsFolderBaseNameAndExtension) {
  const PathCase cases[] = {
      {"a/b/c.txt", "a/b/", "c", ".txt"},
      {"a\\b\\c.txt", "a\\b\\", "c", ".txt"},
      // Runs of separators count as one.
      {"a/b//c.txt", "a/b/", "c", ".txt"},
      // The majority separator writes the folder; a tie goes to "/".
      {"a\\b/c\\d.e", "a\\b\\c\\", "d", ".e"},
      {"a\\b/c.e", "a/b/", "c", ".e"},
      // A dot in a folder starts no extension, nor does a dot at byte 0.
      {"a/b.c/d", "a/b.c/", "d", ""},
      {".profile", "", ".profile", ""},
      {"a/.profile", "a/", "", ".profile"},
      {"x.tar.gz", "", "x.tar", ".gz"},
      // The last byte is never walked: a final dot stays in the base name,
      // and a final separator is dropped.
      {"name.", "", "name.", ""},
      {"a/b/", "a/", "b", ""},
      {"a//", "a/", "", ""},
      {"/", "", "", ""},
      {"/abs/f.png", "/abs/", "f", ".png"},
      {"plain", "", "plain", ""},
      // 表 is 95 5C: its trail byte is neither a separator nor counted as
      // one, and is kept at the end of a path.
      {"\x95\x5C\\x.txt", "\x95\x5C\\", "x", ".txt"},
      {"d\\\x95\x5C", "d\\", "\x95\x5C", ""},
      {"d/\x95\x5C.b\x95\x5C", "d/", "\x95\x5C", ".b\x95\x5C"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.path);
    const auto parts = splitPath(c.path);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->folder, c.folder);
    EXPECT_EQ(parts->baseName, c.baseName);
    EXPECT_EQ(parts->extension, c.extension);
    EXPECT_EQ(parts->fileName(), c.baseName + c.extension);
  }
  EXPECT_FALSE(splitPath(""));
}

TEST(SplitPath, WritesTheFolderWithAGivenSeparator) {
  EXPECT_EQ(splitPath("a/b\\c/d.txt", '\\')->folder, "a\\b\\c\\");
  EXPECT_EQ(splitPath("a\\b\\d.txt", '/')->folder, "a/b/");
  // Only the given separator is dropped from the end.
  EXPECT_EQ(splitPath("a/b\\", '/')->baseName, "b\\");
}

TEST(PathBuiltins, ReturnEachPartAndReportAnEmptyPath) {
  ScriptWorld w;
  w.load(0, "script/0.txt",
         "getParentFolderName \"a\\b\\c.txt\", $0\n"
         "getBaseName \"a/b/c.txt\", $1\n"
         "getExtensionName \"a/b/c.txt\", $2\n"
         "getFileName \"a/b//c.txt\", $3\n"
         "getFileName \"\", $4\n");
  *w.variables.numberedText(4) = "kept";
  w.run();
  EXPECT_EQ(*w.variables.numberedText(0), "a\\b\\");
  EXPECT_EQ(*w.variables.numberedText(1), "c");
  EXPECT_EQ(*w.variables.numberedText(2), ".txt");
  EXPECT_EQ(*w.variables.numberedText(3), "c.txt");
  EXPECT_EQ(*w.variables.numberedText(4), "kept");
  EXPECT_EQ(w.errors.withContext,
            std::vector<std::string>{util::toSjis(u8"正常にパスが読み込めませんでした")});
  EXPECT_EQ(w.interpreter.commandName().view(), "getFileName");
}

}  // namespace
}  // namespace tsuzuri::script

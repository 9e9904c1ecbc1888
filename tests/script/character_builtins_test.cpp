#include <gtest/gtest.h>

#include "script/script_world.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using testing::ScriptWorld;

TEST(CharacterBuiltinsTest, TrailBytesNeverMatchSingleByteCharacters) {
  // "Ｃ" is 0x82 0x62, whose trail byte is "b".
  ScriptWorld world;
  world.load(0, "script/0.txt",
             "match \"\x82\x62"
             "b\", \"b\", %0\n"
             "count \"\x82\x62\x82\x62\", \"b\", %1\n"
             "count \"\x82\x62"
             "a\x82\x62\", \"\x82\x62\", %2\n"
             "split \"x\x82\x62y\", \"b\", $0, $1\n");
  world.run();
  EXPECT_EQ(*world.variables.numberedInteger(0), 2);
  EXPECT_EQ(*world.variables.numberedInteger(1), 0);
  EXPECT_EQ(*world.variables.numberedInteger(2), 2);
  EXPECT_EQ(*world.variables.numberedText(0), "x\x82\x62y");
  EXPECT_EQ(*world.variables.numberedText(1), "");
}

TEST(CharacterBuiltinsTest, SplitHandsPiecesOverUnevaluated) {
  ScriptWorld world;
  world.load(0, "script/0.txt",
             "int n\n"
             "cal %n = 9, $9 = \"named\"\n"
             "split \"1+2/0x1F/%n/$9//-5\", \"/\", %0, %1, %2, $0, $1 = dflt, skipped, %3 = 0x10, "
             "%4 = 7\n");
  world.run();
  EXPECT_EQ(*world.variables.numberedInteger(0), 102);
  EXPECT_EQ(*world.variables.numberedInteger(1), 31);
  EXPECT_EQ(*world.variables.numberedInteger(2), 9);
  EXPECT_EQ(*world.variables.numberedText(0), "named");
  EXPECT_EQ(*world.variables.numberedText(1), "dflt");
  // The sixth piece, -5, belongs to the receiver that is no variable.
  EXPECT_EQ(*world.variables.numberedInteger(3), 16);
  EXPECT_EQ(*world.variables.numberedInteger(4), 7);
}

}  // namespace
}  // namespace tsuzuri::script

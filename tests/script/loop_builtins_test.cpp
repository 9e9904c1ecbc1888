#include <gtest/gtest.h>

#include "script/script_world.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using testing::ScriptWorld;
using util::toSjis;

TEST(LoopBuiltinsTest, EachCallDepthKeepsItsOwnConditionalStateAtAnyDepth) {
  // Twelve nested calls: the chain at each depth sees only its own if, and
  // the caller's taken branch still skips its else after the calls return.
  ScriptWorld world;
  world.load(0, "script/0.txt",
             "if (1) gosub *down\n"
             "else print \"wrong;\"\n"
             "end\n"
             "*down\n"
             "cal %0 += 1\n"
             "if (%0 < 12) gosub *down\n"
             "if (0) print \"never;\"\n"
             "else print %0, \";\"\n"
             "cal %0 -= 1\n"
             "return\n");
  world.run();
  EXPECT_EQ(world.console.out, "12;11;10;9;8;7;6;5;4;3;2;1;");
  EXPECT_TRUE(world.errors.all.empty());
}

TEST(LoopBuiltinsTest, ErasingTheLoopVariableEndsTheLoop) {
  ScriptWorld world;
  world.load(0, "script/0.txt",
             "int i\n"
             "for %i, 1, 5 : print %i, \";\"\n"
             "if (%i == 2) variableErase %i\n"
             "next\n"
             "print \"out;\"\n");
  world.run();
  EXPECT_EQ(world.console.out, "1;2;out;");
  EXPECT_TRUE(world.interpreter.loops().empty());
}

TEST(LoopBuiltinsTest, MisusedLoopStatementsAreReportedAndChangeNothing) {
  // A refused for still owns its next: the body is passed over and the
  // enclosing loop goes on counting.
  ScriptWorld world;
  world.load(0, "script/0.txt",
             "next\n"
             "break\n"
             "for %0, 1, 2\n"
             "for %1, 1\n"
             "print \"never;\"\n"
             "next\n"
             "for undeclared, 1, 3 : print \"never;\" : next\n"
             "print \"o\", %0, \";\"\n"
             "next\n");
  world.run();
  EXPECT_EQ(world.console.out, "o1;o2;");
  const std::string arguments = toSjis(u8"引数の数が不正です");
  const std::string variable = toSjis(u8"数値変数が不正です");
  EXPECT_EQ(world.errors.withContext,
            (std::vector<std::string>{toSjis(u8"for が実行されていません"),
                                      toSjis(u8"for が実行されていません"), arguments, variable,
                                      arguments, variable}));
  EXPECT_TRUE(world.interpreter.loops().empty());
}

TEST(LoopBuiltinsTest, SkippingAnUnenteredLoopPassesOverNestedLoopsOnOneLine) {
  ScriptWorld world;
  world.load(0, "script/0.txt",
             "for %0, 3, 1 : for %1, 1, 2 : print \"inner;\" : next : print \"outer;\" : next : "
             "print \"after \", %0, \";\"\n");
  world.run();
  EXPECT_EQ(world.console.out, "after 3;");
  EXPECT_TRUE(world.interpreter.loops().empty());
}

TEST(LoopBuiltinsTest, GetParamPassesWordsAsWrittenAndEvaluatesTheRest) {
  ScriptWorld world;
  world.load(0, "script/0.txt",
             "defsub show\n"
             "string name\n"
             "cal $name = \"Aki\"\n"
             "show file.txt, $name, 1+2\n"
             "show , , \n"
             "end\n"
             "*show\n"
             "getParam $0 = \"none\", $1, %0 = 7, %1\n"
             "print $0, \"|\", $1, \"|\", %0, \"|\", %1, \";\"\n"
             "return\n");
  world.run();
  EXPECT_EQ(world.console.out, "file.txt|Aki|3|0;none||7|0;");
}

}  // namespace
}  // namespace tsuzuri::script

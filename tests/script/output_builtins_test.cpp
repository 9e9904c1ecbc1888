#include <gtest/gtest.h>

#include "script/script_world.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using testing::ScriptWorld;
using util::toSjis;

TEST(OutputBuiltinsTest, ConsoleDetachesAndAttachesStandardOutput) {
  ScriptWorld world;
  world.load(0, "script/0.txt",
             "print \"a\" : console 0 : print \"b\" : error \"c\", 0 : console 1 : print 2.5\n");
  world.run();
  EXPECT_EQ(world.console.out, "a2.5");
}

TEST(OutputBuiltinsTest, BoxesShowTheValueAndConfirmWritesTheAnswer) {
  ScriptWorld world;
  world.dialogs.answer = false;
  world.load(0, "script/0.txt", "cal %0 = 5\nconfirm 1 + 1, %0\ninform \"done\"\n");
  world.run();
  EXPECT_EQ(world.dialogs.shown,
            (std::vector<std::string>{"ask|Confirm|2", "inform|Information|done"}));
  EXPECT_EQ(*world.variables.numberedInteger(0), 0);
}

TEST(OutputBuiltinsTest, LoadLibraryKeepsWhatLoadsAndReportsWhatDoesNot) {
  ScriptWorld world;
  world.load(0, "script/0.txt", "loadLibrary \"libm.so.6\"\nloadLibrary \"plugin/none.dll\"\n");
  world.run();
  ASSERT_EQ(world.state.libraries.libraries().size(), 1U);
  EXPECT_EQ(world.state.libraries.libraries()[0].name, "libm.so.6");
  EXPECT_EQ(world.errors.withContext,
            std::vector<std::string>{"plugin/none.dll" + toSjis(u8" 読み込ませんでした")});
}

}  // namespace
}  // namespace tsuzuri::script

#include "commands/native_frame.h"

#include <gtest/gtest.h>

#include "commands/command_registry.h"
#include "script/script_world.h"
#include "util/sjis.h"

namespace tsuzuri::commands {
namespace {

// A command family the way real ones are written: a class with its table.
struct Calendar {
  int calls = 0;
  void getWeek(CommandContext& c) {
    ++calls;
    // Three inputs and one result argument.
    if (c.argumentCount(1) != 4) return;
    c.setIntegerResult(4, (c.integer(1) + c.integer(2) + c.integer(3)) % 7);
  }
  void describe(CommandContext& c) {
    std::string text;
    for (int i = 1; i < c.argumentCount(1); ++i) {
      text += c.kind(i) == c.textKind() ? "t" : c.kind(i) == c.integerKind() ? "n" : "-";
      text += std::to_string(c.integer(i)) + "/" + std::to_string(c.wrappingInteger(i)) + ";";
    }
    c.setTextResult(c.argumentCount(1), text);
  }
};

constexpr SystemCommandEntry<Calendar> kCalendar[] = {
    {"getWeek", &Calendar::getWeek},
    {"describe", &Calendar::describe},
};

class NativeFrameTest : public ::testing::Test {
 protected:
  NativeFrameTest() { registry.addFamily(calendar, kCalendar); }

  void run(std::string_view text) {
    world.load(0, "script/0.txt", text);
    world.run();
  }

  testing::ScriptWorld world;
  CommandRegistry registry{world.commands, world.expression, world.interpreter, world.errors};
  Calendar calendar;
};

TEST_F(NativeFrameTest, ResultsGoIntoTheVariablesThatResultArgumentsName) {
  run("getWeek 2000, 1, 1, %7\ngetWeek 1, 2\n");
  EXPECT_EQ(*world.variables.numberedInteger(7), 2002 % 7);
  EXPECT_EQ(calendar.calls, 2);
  EXPECT_EQ(registry.commands().size(), 2U);
  EXPECT_EQ(registry.commands()[0].name, "getWeek");
}

TEST_F(NativeFrameTest, ArgumentsReadAsIntegersWrapAndTextsGiveTheirNumber) {
  run("describe 0xFFFFFFFF, \"abc\", -2.7, , $3\n");
  EXPECT_EQ(*world.variables.numberedText(3), "n-1/-1;t0/0;n-2/-2;-0/0;");
}

TEST_F(NativeFrameTest, ResultThroughSomethingThatIsNoVariableIsReportedAndWritesNothing) {
  run("getWeek 1, 1, 1, %nosuch\ndescribe 1, 5\n");
  // The undeclared name is reported once, when the argument is evaluated.
  ASSERT_EQ(world.errors.plain.size(), 1U);
  EXPECT_TRUE(world.errors.plain[0].ends_with(util::toSjis(u8"※数値変数が不正です")));
  EXPECT_EQ(world.errors.withContext,
            (std::vector<std::string>{util::toSjis(u8"文字変数が不正です")}));
}

}  // namespace
}  // namespace tsuzuri::commands

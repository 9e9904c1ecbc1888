#include "script/statement_loop.h"

#include <gtest/gtest.h>

#include "script/script_entry.h"
#include "script/script_world.h"
#include "support/container_bytes.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using testing::ScriptWorld;
using util::toSjis;

class StatementLoopTest : public ::testing::Test {
 protected:
  // Registers a native command that appends its name and argument text to
  // the trace.
  void probe(std::string_view name) {
    world.commands.add(name, [this, n = std::string(name)](std::string_view arguments) {
      trace.push_back(n + "(" + std::string(trim(arguments)) + ")");
    });
  }

  ScriptWorld world;
  std::vector<std::string> trace;
};

TEST_F(StatementLoopTest, DispatchesNativeThenUserThenForeignAndReportsUnknownNames) {
  probe("one");
  probe("shadowed");
  world.load(0, "script/0.txt",
             "one 1 : shadowed 2 : mine 3 : foreign 4 : nosuch 5 : one 6\n"
             "end\n"
             "*shadowed\n"
             "*mine\n"
             "one sub\n"
             "return\n"
             "defsub shadowed\n"
             "defsub mine\n"
             "funcLua foreign\n");
  world.tables.foreignFunctions[util::crc32_hash("foreign")].caller =
      [this](std::string_view arguments) {
        trace.push_back("foreign(" + std::string(trim(arguments)) + ")");
      };

  world.run();

  // A native command wins over a user command of the same name; the user
  // command runs its label as a subroutine and returns into the line.
  EXPECT_EQ(trace, (std::vector<std::string>{"one(1)", "shadowed(2)", "one(sub)", "foreign(4)",
                                             "one(6)"}));
  EXPECT_EQ(world.interpreter.parameters(), " 3");
  ASSERT_EQ(world.errors.withContext.size(), 1U);
  EXPECT_EQ(world.errors.withContext[0], toSjis(u8"未対応の命令です"));
  EXPECT_EQ(world.interpreter.commandName().view(), "nosuch");
  EXPECT_TRUE(world.interpreter.ended());
}

TEST_F(StatementLoopTest, EndStopsAfterItsStatementAndRunningOffTheEndStopsToo) {
  probe("p");
  world.load(0, "script/0.txt", "p 1\np 2 : end : p 3\np 4\n");
  world.run();
  EXPECT_EQ(trace, (std::vector<std::string>{"p(1)", "p(2)"}));

  ScriptWorld other;
  other.load(0, "script/0.txt", "\n\n");
  other.run();
  EXPECT_FALSE(other.interpreter.ended());
  EXPECT_EQ(other.interpreter.line(), 2);
}

TEST_F(StatementLoopTest, SubroutineInAnotherSlotReturnsToTheStatementAfterTheCall) {
  probe("p");
  world.load(0, "script/0.txt", "gosub *far : p back\np next\ngosub *far\np last\n");
  world.load(1, "script/1.txt", "*far\np far\nreturn\n");
  world.run();
  EXPECT_EQ(trace, (std::vector<std::string>{"p(far)", "p(back)", "p(next)", "p(far)", "p(last)"}));
  EXPECT_TRUE(world.errors.all.empty()) << world.errors.all.front();
  EXPECT_TRUE(world.interpreter.callStack().empty());
}

TEST_F(StatementLoopTest, JumpsAndReturnsReportMissingLabelsAndGoOn) {
  probe("p");
  world.load(0, "script/0.txt", "goto *nowhere : p 1\nreturn\ngosub *nowhere\np 2\n");
  world.run();
  EXPECT_EQ(trace, (std::vector<std::string>{"p(1)", "p(2)"}));
  EXPECT_EQ(world.errors.withContext,
            (std::vector<std::string>{"*nowhere" + toSjis(u8"ラベルが存在しません"),
                                      toSjis(u8"gosub が一度も実行されていません"),
                                      "*nowhere" + toSjis(u8"ラベルが存在しません")}));
}

TEST_F(StatementLoopTest, SkippedLoopBodyRunsNothingUntilTheMatchingNext) {
  probe("p");
  world.commands.add("skip", [this](std::string_view) { world.interpreter.setLoopSkip(true); });
  world.commands.add("next", [this](std::string_view) {
    trace.push_back("next");
    world.interpreter.setLoopSkip(false);
  });
  world.load(0, "script/0.txt",
             "skip : p 1\n"
             "(text inside the body)\n"
             "\n"
             "for %i, 1, 2 : p 2\n"
             "next\n"
             "p 3 : next : p 4\n"
             "p 5\n");
  world.run();
  EXPECT_EQ(trace, (std::vector<std::string>{"next", "p(4)", "p(5)"}));
  EXPECT_TRUE(world.display.shown.empty());
}

TEST_F(StatementLoopTest, StoryLinesFindTheirSpeakerAndMessageStart) {
  const std::string open = toSjis(u8"【");
  const std::string close = toSjis(u8"】");
  const std::string kana = toSjis(u8"ソ");  // its second byte is 0x5C
  world.load(0, "script/0.txt",
             open + "Aki" + close + "hello\n\n" + open + "Mio" + close + "\nalone\n\n" + open +
                 "open\nnext\n\n" + open + kana + close + "x\n\n(plain)\n");
  world.run();
  EXPECT_EQ(world.display.shown,
            (std::vector<std::string>{"Aki|hello", "Mio|alone", "|next", kana + "|x", "|(plain)"}));
  // The name lines carry the records: nothing was missing.
  EXPECT_TRUE(world.errors.all.empty()) << world.errors.all.front();
  const AlreadyReadTable& read = world.tables.alreadyRead[world.interpreter.slot(0).hash];
  EXPECT_EQ(read.at(0), 1);
  EXPECT_EQ(read.at(2), 1);
}

TEST_F(StatementLoopTest, LineWithoutAlreadyReadRecordIsReportedAndStillShown) {
  world.load(0, "script/0.txt", "(first)\n(second)\n");
  world.run();
  EXPECT_EQ(world.display.shown, (std::vector<std::string>{"|(first)", "|(second)"}));
  EXPECT_EQ(world.errors.plain, (std::vector<std::string>{toSjis(u8"既読チェックミス 1/1")}));

  // A message that goes on over the next line needs no record there.
  ScriptWorld continued;
  continued.display.continueMessages = true;
  continued.load(0, "script/0.txt", "(first)\n(second)\n");
  continued.run();
  EXPECT_TRUE(continued.errors.all.empty());
}

TEST_F(StatementLoopTest, DisplayAskingToEndStopsTheRun) {
  probe("p");
  world.display.keepRunning = false;
  world.load(0, "script/0.txt", "p 1\n(say)\np 2\n");
  world.run();
  EXPECT_EQ(trace, (std::vector<std::string>{"p(1)"}));
  EXPECT_EQ(world.display.shown.size(), 1U);
}

TEST_F(StatementLoopTest, OverlongUserCommandArgumentsAreReportedAndPassedWhole) {
  world.load(0, "script/0.txt",
             "mine " + std::string(300, 'x') + "\nend\n*mine\nreturn\ndefsub mine\n");
  world.run();
  EXPECT_EQ(world.interpreter.parameters().size(), 301U);
  ASSERT_EQ(world.errors.withContext.size(), 1U);
  EXPECT_NE(world.errors.withContext[0].find("255"), std::string::npos);
}

TEST_F(StatementLoopTest, InterruptCheckEndsAnEndlessScript) {
  world.load(0, "script/0.txt", "*top\ngoto *top\n");
  StatementLoop loop(world.interpreter, world.tables, world.commands, world.container, world.errors,
                     world.display);
  int checks = 0;
  loop.setInterruptCheck([&checks] { return ++checks == 3; });
  loop.run();
  EXPECT_TRUE(world.interpreter.ended());
  EXPECT_EQ(checks, 3);
}

}  // namespace
}  // namespace tsuzuri::script

namespace tsuzuri::script {
namespace {

TEST_F(StatementLoopTest, ReturnTakesALabelValueAKeptPositionOrAPlainReturn) {
  probe("p");
  world.load(0, "script/0.txt",
             "gosub *a : p after-a\n"
             "p skipped-by-a\n"
             "*landing\n"
             "gosub *b : p after-b\n"
             "gosub *c : p after-c\n"
             "end\n"
             "*a\n"
             "return *landing\n"
             "*b\n"
             "return \"\"\n"
             "*c\n"
             "return \"x\" == \"x\" : p kept\n"
             "return\n");
  world.run();
  // The comparison's number carries a text, so that return leaves the
  // position alone but still drops the frame: the last return has no call.
  EXPECT_EQ(trace, (std::vector<std::string>{"p(after-b)", "p(kept)"}));
  EXPECT_EQ(world.errors.withContext,
            (std::vector<std::string>{toSjis(u8"gosub が一度も実行されていません")}));
}

TEST_F(StatementLoopTest, UserCommandsNeedTheirLabelAndNameTheSubroutineWhileItRuns) {
  world.commands.add("where", [this](std::string_view) {
    trace.push_back(std::string(world.interpreter.subroutineName()) + "@" +
                    std::to_string(world.interpreter.callStack().size()));
  });
  world.load(0, "script/0.txt",
             "defsub mine : defsub  lost\n"
             "mine : where : lost\n"
             "end\n"
             "*mine\n"
             "where\n"
             "return\n"
             "defsub lost\n");
  world.run();
  EXPECT_EQ(trace, (std::vector<std::string>{"mine@1", "@0"}));
  EXPECT_EQ(world.errors.withContext,
            (std::vector<std::string>{"  lost" + toSjis(u8"ラベルが存在しません"),
                                      "lost" + toSjis(u8"ラベルが存在しません")}));
}

TEST_F(StatementLoopTest, DeferredLabelIsCalledAfterTheStatementThatSetIt) {
  probe("p");
  world.commands.add("defer", [this](std::string_view) {
    world.interpreter.setDeferredLabel(util::crc32_hash("later"));
  });
  world.load(0, "script/0.txt", "defer : p same-line\np next-line\nend\n*later\np later\nreturn\n");
  world.run();
  EXPECT_EQ(trace, (std::vector<std::string>{"p(later)", "p(same-line)", "p(next-line)"}));
}

TEST_F(StatementLoopTest, PrintWritesTextsAndNumbersBackToBack) {
  world.load(0, "script/0.txt", "print \"a\", 1.5, 2 * 3, , \"b\"\n");
  world.run();
  EXPECT_EQ(world.console.out, "a1.56b");
  EXPECT_EQ(world.interpreter.commandName().view(), "print");
}

TEST_F(StatementLoopTest, MessageHooksRunAroundEachMessageOnce) {
  probe("p");
  world.display.preLabel = util::crc32_hash("before");
  world.display.postLabel = util::crc32_hash("after");
  world.load(0, "script/0.txt",
             "p start\n" + toSjis(u8"【A】") +
                 "\n(one)\n\n(two)\n\nend\n*before\np pre\nreturn\n"
                 "*after\np post\nreturn\n");
  world.run();
  EXPECT_EQ(trace,
            (std::vector<std::string>{"p(start)", "p(pre)", "p(post)", "p(pre)", "p(post)"}));
  EXPECT_EQ(world.display.shown, (std::vector<std::string>{"A|(one)", "|(two)"}));
  // Each message names the line it is shown from.
  EXPECT_EQ(world.display.sources, (std::vector<std::int32_t>{2, 4}));
  EXPECT_TRUE(world.errors.all.empty()) << world.errors.all.front();
}

class SlotTwoTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
};

TEST_F(SlotTwoTest, ScriptsMoveThroughSlotTwoAndAFailedReadEndsTheRun) {
  const std::uint32_t key = titleKey("t");
  dir.write("script.dat",
            testing::handBuiltScripts(
                {{"script/a.txt", "*a\nprint \"a\" : gosub *b : print \"A\"\nreturn\n"},
                 {"script/b.txt", "*b\nprint \"b\"\ngoto *gone\n"},
                 {"script/c.txt", "*gone\nprint \"never\"\n"}},
                key));
  // Keep the container's index and labels, then remove c's bytes so that
  // reading it fails.
  ScriptWorld world(dir.path() + "script.dat");
  ASSERT_TRUE(world.container.readIndexAndCollectLabels(key, world.tables));
  world.load(0, "script/0.txt", "gosub *a\nprint \"end\"\n");
  std::string bytes = dir.read("script.dat");
  dir.write("script.dat", bytes.substr(0, bytes.size() - 4));
  world.run();
  EXPECT_EQ(world.console.out, "ab");
  ASSERT_EQ(world.errors.plain.size(), 1U);
  EXPECT_NE(world.errors.plain[0].find(toSjis(u8"スクリプトの読み込みに失敗しました")),
            std::string::npos);
  EXPECT_TRUE(world.interpreter.slot(2).lines.empty());
}

}  // namespace
}  // namespace tsuzuri::script

namespace tsuzuri::script {
namespace {

TEST(CommandNameTest, KeepsAtMost127BytesWithoutCuttingACharacter) {
  CommandName name;
  name.set(std::string(200, 'a'));
  EXPECT_EQ(name.view().size(), 127U);
  // 126 one-byte characters, then a double-byte one that would end at 128.
  name.set(std::string(126, 'a') + util::toSjis(u8"名前"));
  EXPECT_EQ(name.view(), std::string(126, 'a'));
  name.set("print");
  EXPECT_STREQ(name.c_str(), "print");
}

}  // namespace
}  // namespace tsuzuri::script

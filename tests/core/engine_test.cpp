#include "core/engine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "core/title_choice.h"
#include "core/transcript.h"
#include "script/script_entry.h"
#include "support/container_bytes.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::core {
namespace {

using util::toSjis;

const std::string kTitle = "test game";

// A whole engine over a game folder in a temporary directory, on a
// headless platform whose boxes are written to a file.
class EngineTest : public ::testing::Test {
 protected:
  void game(const std::vector<std::pair<std::string, std::string>>& scripts) {
    dir.write("script.dat", testing::handBuiltScripts(scripts, script::titleKey(kTitle)));
  }

  RunResult run(std::optional<std::uint32_t> maxTime = std::nullopt) {
    platform::HeadlessOptions headless;
    headless.virtualClock = true;
    headless.log = boxes;
    auto host = platform::createHeadlessPlatform(headless);
    EngineOptions options;
    options.titleKey = script::titleKey(kTitle);
    options.title = kTitle;
    options.maxTime = maxTime;
    Engine engine(*host, assets::GameFolder::fromDirectory(dir.path()), options, console);
    return engine.run();
  }

  std::string boxText() {
    std::fflush(boxes);
    std::rewind(boxes);
    std::string text;
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, boxes)) > 0) text.append(buffer, n);
    return text;
  }

  void TearDown() override { std::fclose(boxes); }

  testing::TempDir dir;
  testing::RecordingConsole console;
  std::FILE* boxes = std::tmpfile();
};

TEST_F(EngineTest, RunsTheStartScriptWithTheSecondOneLoadedAndEnds) {
  game({{"script/0.txt", "print \"a\" : gosub *second : print \"c\"\nend\nprint \"x\"\n"},
        {"script/1.txt", "*second\nprint \"b\"\nreturn\n"}});
  RunResult result = run();
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.exitCode, 0U);
  EXPECT_EQ(console.out, "abc");
  EXPECT_EQ(boxText(), "");
}

TEST_F(EngineTest, StartUpFailsWithoutContainerOrStartScript) {
  EXPECT_FALSE(run().started);
  game({{"script/other.txt", "print 1\n"}});
  EXPECT_FALSE(run().started);
  EXPECT_EQ(boxText(), "loadLabel\nscript.dat No such file or directory\n" +
                           util::sjisToUtf8(toSjis(u8"開始スクリプトが読み込めませんでした")) +
                           "\n");
  EXPECT_EQ(dir.read("Information.txt"), "loadLabel\r\nscript.dat No such file or directory\r\n" +
                                             toSjis(u8"開始スクリプトが読み込めませんでした") +
                                             "\r\n");
  EXPECT_EQ(console.out, "");
}

TEST_F(EngineTest, TimeLimitEndsAnEndlessScript) {
  game({{"script/0.txt", "*top\ngoto *top\n"}});
  // The virtual clock does not move without waits, so a limit of 0 is
  // already passed.
  RunResult result = run(0);
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.exitCode, 0U);
}

TEST_F(EngineTest, SettingsAndPersistentVariablesSurviveTheRun) {
  // The first run changes settings and a persistent variable and ends
  // without saving: shutdown writes them. The second reads them back.
  game({{"script/0.txt",
         "loadSetting \"brand\", \"game\"\n"
         "setEffectSkip 1 : setConfirmDialog 0, 17 : setCursor \"cursor.ani\"\n"
         "int s_round = 1, plain = 5\n"
         "string s_note = \"a, b\"\n"
         "end\n"}});
  ASSERT_TRUE(run().started);
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "save/setting.dat"));

  game({{"script/0.txt",
         "getEffectSkip %0 : print %0, \";\"\n"
         "loadSetting \"brand\", \"game\"\n"
         "getEffectSkip %0 : getConfirmDialog 1, %1 : getCursor $0\n"
         "print %0, %1, $0, \";\", %s_round, \";\", $s_note, \";\"\n"
         "variableExist %2, %plain : print %2\n"}});
  ASSERT_TRUE(run().started);
  EXPECT_EQ(console.out, "0;10cursor.ani;1;a, b;0");
  EXPECT_EQ(boxText(), "");
}

TEST(TitleChoiceTest, RecoversTheKeyWhenTheDefaultTitleDoesNotDecode) {
  testing::TempDir dir;
  const std::uint32_t key = script::titleKey("some other title");
  dir.write("My Game/script.dat", testing::handBuiltScripts({{"script/0.txt", "end\n"}}, key));
  auto folder = assets::GameFolder::fromDirectory(dir.path() + "My Game");

  TitleChoice recovered = chooseTitle(folder, std::nullopt, std::nullopt, "tsuzuri");
  EXPECT_EQ(recovered.key, key);
  EXPECT_EQ(recovered.title, "My Game");
  ASSERT_TRUE(recovered.notice);

  TitleChoice given = chooseTitle(folder, std::string("some other title"), std::nullopt, "x");
  EXPECT_EQ(given.key, key);
  EXPECT_FALSE(given.notice);
  // An explicit title that does not decode stays: start-up reports it.
  EXPECT_EQ(chooseTitle(folder, std::string("wrong"), std::nullopt, "x").key,
            script::titleKey("wrong"));
  EXPECT_EQ(chooseTitle(folder, std::nullopt, 0x1234U, "x").key, 0x1234U);
}

}  // namespace
}  // namespace tsuzuri::core

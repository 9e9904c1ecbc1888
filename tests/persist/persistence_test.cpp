#include "persist/persistence.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/recording_dialogs.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::persist {
namespace {

using testing::TempDir;

// A game folder "game/" and a documents folder "docs/" in one temporary
// folder, with the persistence of one run over them.
struct GameRun {
  explicit GameRun(const TempDir& dir)
      : errors(interpreter, dialogs, console, dir.path()),
        location(dialogs, true, dir.path() + "game/", dir.path() + "docs"),
        persistence(settings, file, location, platform->clock(), errors, dir.path() + "game/") {}

  script::ScriptTables tables;
  script::Interpreter interpreter{tables};
  testing::RecordingSink sink;
  testing::RecordingConsole console;
  testing::RecordingDialogs dialogs;
  std::unique_ptr<platform::Platform> platform =
      platform::createHeadlessPlatform({.virtualClock = true});
  commands::ErrorReporter errors;
  script::Variables variables;
  script::Expression expression{variables, sink, interpreter};
  Settings settings;
  SettingsFile file{settings, expression, sink};
  SaveLocation location;
  Persistence persistence;
};

TEST(PersistenceTest, ANewDocumentsLocationTakesOverAnotherGamesSettings) {
  TempDir dir;
  dir.write("game/save.dat", "1");
  {
    // Another game of the brand saved its settings earlier.
    GameRun other(dir);
    other.settings.messages.textSpeed = 35;
    other.file.write(dir.path() + "docs/brand/older/save/setting.dat", "older", 0);
  }
  GameRun run(dir);
  run.dialogs.choices = {0};
  run.dialogs.answers = {true};
  ASSERT_TRUE(run.persistence.loadSetting("brand", "title"));
  EXPECT_EQ(run.settings.messages.textSpeed, 35);
  EXPECT_EQ(run.persistence.saveFolder(), dir.path() + "docs/brand/title/save/");
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "docs/brand/title/save/setting.dat"));
  EXPECT_TRUE(run.sink.all.empty());

  // The own settings exist now: nothing is offered any more.
  GameRun again(dir);
  ASSERT_TRUE(again.persistence.loadSetting("brand", "title"));
  EXPECT_TRUE(again.dialogs.shown.empty());
  EXPECT_EQ(again.settings.messages.textSpeed, 35);
}

TEST(PersistenceTest, AMissingFileGivesTheCurrentFilterAndHooksRunAfterReading) {
  TempDir dir;
  dir.write("game/save.dat", "");
  GameRun run(dir);
  int seen = -1;
  run.persistence.addLoadedHook([&] { seen = run.settings.render.interpolation; });
  EXPECT_FALSE(run.persistence.saveSetting());
  ASSERT_TRUE(run.persistence.loadSetting("brand", "title"));
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(run.persistence.root().sjis, "");

  run.settings.render.interpolation = 1;
  run.persistence.saveAtShutdown();
  GameRun next(dir);
  ASSERT_TRUE(next.persistence.loadSetting("brand", "title"));
  EXPECT_EQ(next.settings.render.interpolation, 1);
}

TEST(PersistenceTest, AnUnreadableSettingsFileIsKeptAside) {
  TempDir dir;
  dir.write("game/save.dat", "");
  dir.write("game/save/setting.dat", "damaged");
  GameRun run(dir);
  ASSERT_TRUE(run.persistence.loadSetting("brand", "title"));
  run.persistence.saveAtShutdown();
  EXPECT_EQ(dir.read("game/save/setting.dat.bad"), "damaged");
  ASSERT_EQ(run.errors.logPath(), dir.path() + "Information.txt");
  GameRun next(dir);
  ASSERT_TRUE(next.persistence.loadSetting("brand", "title"));
  EXPECT_EQ(next.settings.messages.textSpeed, 20) << "the defaults were written";
}

}  // namespace
}  // namespace tsuzuri::persist

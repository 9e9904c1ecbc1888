#include "persist/settings_file.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "persist/data_container.h"
#include "script/host_variables.h"
#include "script/interpreter.h"
#include "script/script_tables.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::persist {
namespace {

using testing::TempDir;

struct World {
  script::ScriptTables tables;
  script::Interpreter interpreter{tables};
  testing::RecordingSink sink;
  script::Variables variables;
  script::Expression expression{variables, sink, interpreter};
  Settings settings;
  SettingsFile file{settings, expression, sink};
};

// Calls `f` on every field that setting.dat keeps.
template <class F>
void forEachField(Settings& s, F f) {
  const auto each = [&](auto&... fields) { (f(fields), ...); };
  auto& d = s.display;
  each(d.startingSetUp, d.resolutionWindow, d.resolution, d.fullScreen, d.screenAspect, d.fullMode,
       d.windowWidth, d.windowHeight, d.windowChange, d.windowMenu, d.menuLock1, d.windowPos,
       d.clientLeft, d.clientTop, d.windowMost, d.powerSaver, d.taskTray, d.systemActive,
       d.cursorClear, d.cursorMove, d.cursorFile, d.wallPaper);
  auto& r = s.render;
  each(r.hardwareVertex, r.vertexShader, r.pixelShader, r.interpolation, r.textureMax,
       r.texturePow2, r.textureSquare, r.mipMap, r.colorMode, r.colorBlend, r.vSyncWait, r.limitFPS,
       r.effectSkip, r.effectCancel);
  auto& i = s.images;
  each(i.cacheAutoSize, i.cacheMaxSize, i.lookaHead, i.mmx, i.sse, i.sse2, i.thread);
  auto& m = s.messages;
  each(m.textSpeed, m.messageClick, m.messageFade, m.pointWait, m.autoWait, m.autoChar,
       m.alreadyReadSkip, m.alreadyReadAutoSkip, m.alreadyReadMoment, m.selectSkipMode,
       m.selectAutoMode, m.fontFile, m.fontStyle, m.fontColor1, m.fontColor2, m.fontColor3,
       m.windowAlpha);
  auto& o = s.sound;
  each(o.hardwareSound, o.streamBufferSize, o.globalFocus, o.masterVolume, o.masterMute,
       o.movieVolume, o.movieMute, o.bgmVolume, o.bgmMute, o.seVolume, o.seMute, o.sysSeVolume,
       o.sysSeMute, o.voVolume, o.voMute, o.sysVoVolume, o.sysVoMute, o.voiceCancel, o.voiceWait,
       o.bgmVolDown, o.bgmMax, o.bgmMin, o.seVolDown, o.seMax, o.seMin, o.fadeVolDown);
  for (std::size_t k = 0; k < PersistSettings::kConfirmations; ++k) f(s.persist.confirmations[k]);
  for (auto& flag : s.persist.saveProtect) f(flag);
  f(s.persist.totalTime);
}

std::vector<std::string> fields(Settings settings) {
  std::vector<std::string> out;
  forEachField(settings, [&](auto& field) {
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(field)>, std::string>) {
      out.push_back(field);
    } else {
      out.push_back(std::to_string(field));
    }
  });
  return out;
}

std::vector<std::string> fieldsAfter(std::string_view text) {
  World world;
  world.file.apply(text);
  return fields(world.settings);
}

TEST(SettingsFile, KeepsEveryKeyThroughTheText) {
  World written;
  int next = 1000;
  forEachField(written.settings, [&](auto& field) {
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(field)>, std::string>) {
      field = "file," + std::to_string(next++) + "\x83\x5C.png";
    } else {
      field = static_cast<std::remove_cvref_t<decltype(field)>>(next++);
    }
  });
  written.settings.display.clientLeft = -120;
  written.settings.messages.fontColor2 = -1;
  written.settings.persist.totalTime = 0xFEDCBA98U;
  const std::string text = written.file.text(written.settings.persist.totalTime);

  World read;
  read.file.apply(text);
  // The font name keeps only what comes before a comma.
  written.settings.messages.fontFile.resize(written.settings.messages.fontFile.find(','));
  EXPECT_EQ(fields(read.settings), fields(written.settings));
  EXPECT_TRUE(read.sink.all.empty());
}

TEST(SettingsFile, OneLineChangesOnlyItsKey) {
  Settings expected;
  expected.messages.textSpeed = 35;
  for (const char* text : {"TextSpeed = 35", "  TextSpeed\t=\t35 \r\n", "TextSpeed=35,99\r\n",
                           "\r\nUnknownKey = 3\r\nTextSpeed = 35\r\nno equals sign\r\n",
                           "TextSpeed = 10\r\nTextSpeed = 35\r\n"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(fieldsAfter(text), fields(expected));
  }
}

TEST(SettingsFile, ReadsNumbersInTheirForms) {
  World world;
  world.file.apply(
      "TotalTime = 1a2B\r\nFontColor1 = 0xFF00ff\r\nFontColor2 = 80FF00\r\n"
      "FontColor3 = 0X10\r\nTextureMax = -1\r\n");
  EXPECT_EQ(world.settings.persist.totalTime, 0x1A2BU);
  EXPECT_EQ(world.settings.messages.fontColor1, 0xFF00FF);
  EXPECT_EQ(world.settings.messages.fontColor2, 0x80FF00);
  EXPECT_EQ(world.settings.messages.fontColor3, 0x10);
  EXPECT_EQ(world.settings.render.textureMax, -1);
  world.file.apply("TotalTime = 0xFFFFFFFF");
  EXPECT_EQ(world.settings.persist.totalTime, 0xFFFFFFFFU);
}

TEST(SettingsFile, LimitFpsSetsTheFramePacing) {
  struct Case {
    int limit;
    int milliseconds;
    int frames;
  };
  for (const Case c :
       {Case{60, 50, 3}, Case{30, 100, 3}, Case{144, 125, 18}, Case{1000, 1, 1}, Case{2000, 1, 2},
        Case{0, 0, 0}, Case{-60, 0, 0}, Case{-2147483647 - 1, 0, 0}}) {
    SCOPED_TRACE(c.limit);
    World world;
    world.file.apply("LimitFPS = " + std::to_string(c.limit));
    EXPECT_EQ(world.settings.render.limitFPS, c.limit);
    EXPECT_EQ(world.settings.render.pacingMilliseconds, c.milliseconds);
    EXPECT_EQ(world.settings.render.pacingFrames, c.frames);
  }
}

TEST(SettingsFile, WritesTheLinesOfTheFormat) {
  World world;
  world.settings.display.cursorFile = "cursor\\arrow.cur";
  world.settings.display.wallPaper = "bg\\\x83\x5C\\wall.png";  // ソ ends in a 0x5C byte
  world.settings.persist.saveProtect[0] = 1;
  world.settings.persist.saveProtect[99] = 1;
  world.variables.declareInteger("s_count") = -7;
  world.variables.declareInteger("g_turn") = 3;
  world.variables.declareText("s_name") = "\x83\x5C\x83\x74\x83\x42\x83\x41";
  world.variables.declareText("name") = "x";
  const std::string text = world.file.text(0xBEEF);

  EXPECT_TRUE(text.starts_with(
      "TotalTime = BEEF\r\nStartingSetUp = 1\r\nResolutionWindow = 1\r\nResolution = 0\r\n"));
  EXPECT_NE(text.find("\r\nTextureMax = -1\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nConfirmQLoad = 1\r\nConfirmMove = 0\r\nConfirmDelete = 1\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\nFontFile = \x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\nFontColor1 = 0xFFFFFF\r\nFontColor2 = 0xFFFFFF\r\nFontColor3 = 0x0\r\n"),
            std::string::npos);
  std::string protect = "saveProtect=1,";
  for (int k = 1; k < 99; ++k) protect += "0,";
  protect += "1,";
  EXPECT_TRUE(
      text.ends_with("\r\nFadeVolDown = 250\r\n"
                     "CursorFile = cursor\\arrow.cur\r\n"
                     "WallPaper = bg/\x83\x5C/wall.png\r\n" +
                     protect +
                     "\r\n"
                     "Integer=s_count=-7,\r\n"
                     "String=s_name='\x83\x5C\x83\x74\x83\x42\x83\x41',\r\n"))
      << text;
}

TEST(SettingsFile, RecreatesThePersistentVariables) {
  World written;
  written.variables.declareInteger("s_a") = 5;
  written.variables.declareInteger("s_b") = -2147483647 - 1;
  written.variables.declareInteger("g_a") = 6;
  written.variables.declareText("s_t") = "hello";
  written.variables.declareText("t") = "other";
  written.settings.persist.saveProtect[42] = 1;

  World read;
  read.file.apply(written.file.text(0));
  EXPECT_EQ(read.variables.namedIntegers(),
            (script::Variables::NamedMap<std::int32_t>{{"s_a", 5}, {"s_b", -2147483647 - 1}}));
  EXPECT_EQ(read.variables.namedTexts(),
            (script::Variables::NamedMap<std::string>{{"s_t", "hello"}}));
  EXPECT_EQ(read.settings.persist.saveProtect, written.settings.persist.saveProtect);

  // The elements run as declarations, and a later line replaces an earlier one.
  World declared;
  declared.file.apply(
      "Integer=s_x=1,\r\nInteger=s_y = 4 + 3,s_z,\r\nString=s_u=\"double\",s_v='a' + 'b',\r\n"
      "saveProtect=1,0,1\r\n");
  EXPECT_EQ(declared.variables.namedIntegers(),
            (script::Variables::NamedMap<std::int32_t>{{"s_y", 7}, {"s_z", 0}}));
  EXPECT_EQ(declared.variables.namedTexts(),
            (script::Variables::NamedMap<std::string>{{"s_u", "double"}, {"s_v", "ab"}}));
  EXPECT_EQ(declared.settings.persist.saveProtect[2], 1);
  EXPECT_EQ(declared.settings.persist.saveProtect[3], 0);
}

TEST(SettingsFile, KeepsCommasAndQuotesInPersistentTexts) {
  for (const char* value : {"a,b", ",", ",lead", "trail,", "x, y, z", "", "\x93\xfa,\x96\x7b",
                            "it's, ok", "a=b,c", "it's", "'", "end'", "'quoted'"}) {
    SCOPED_TRACE(value);
    World written;
    written.variables.declareText("s_first") = value;
    World read;
    read.file.apply(written.file.text(0));
    EXPECT_EQ(read.variables.findText("s_first") != nullptr ? *read.variables.findText("s_first")
                                                            : "(missing)",
              value);
  }
  // Several texts on one line, as the writer gives them.
  World read;
  read.file.apply("String=s_a='1,2',s_b='3',s_c='',\r\n");
  EXPECT_EQ(read.variables.namedTexts(),
            (script::Variables::NamedMap<std::string>{{"s_a", "1,2"}, {"s_b", "3"}, {"s_c", ""}}));
}

TEST(SettingsFile, ReadsAndWritesTheFile) {
  TempDir dir;
  const std::string path = dir.path() + "save/setting.dat";
  World written;
  written.settings.messages.textSpeed = 35;
  written.variables.declareInteger("s_seen") = 12;
  ASSERT_TRUE(written.file.write(path, "save/setting.dat", 600000));

  World read;
  EXPECT_EQ(read.file.read(path, "save/setting.dat"), SettingsFile::ReadResult::kRead);
  EXPECT_EQ(read.settings.messages.textSpeed, 35);
  EXPECT_EQ(read.settings.persist.totalTime, 600000U);
  EXPECT_EQ(*read.variables.findInteger("s_seen"), 12);

  World missing;
  EXPECT_EQ(missing.file.read(dir.path() + "none.dat", "none.dat"),
            SettingsFile::ReadResult::kMissing);
  EXPECT_EQ(fields(missing.settings), fields(Settings{}));
  EXPECT_TRUE(missing.sink.all.empty());

  // A damaged file changes nothing.
  World damaged;
  const std::string bad = dir.write("bad.dat", std::string("\x40\x00\x00\x00", 4) + "garbage");
  EXPECT_EQ(damaged.file.read(bad, "bad.dat"), SettingsFile::ReadResult::kFailed);
  EXPECT_EQ(fields(damaged.settings), fields(Settings{}));
  EXPECT_EQ(damaged.sink.plain,
            std::vector<std::string>{"bad.dat" + util::toSjis(u8" の読み込みに失敗しました")});
}

}  // namespace
}  // namespace tsuzuri::persist

// Saved games written by a running engine, read back as the format says.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "assets/image_save.h"
#include "core/engine.h"
#include "script/script_entry.h"
#include "support/container_bytes.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::core {
namespace {

const std::string kTitle = "save test";

class SaveGameTest : public ::testing::Test {
 protected:
  SaveGameTest() {
    assets::ImagePtr image = assets::makeImage(8, 6, 32);
    const auto encoded = assets::encodeImage("a.png", image.get(), 1, 32, 6, 0);
    dir.write("a.png", std::string(encoded.bytes.begin(), encoded.bytes.end()));
  }

  RunResult run(const std::string& script) {
    dir.write("script.dat",
              testing::handBuiltScripts({{"script/0.txt", script}}, script::titleKey(kTitle)));
    platform::HeadlessOptions headless;
    headless.virtualClock = true;
    headless.log = boxes;
    auto host = platform::createHeadlessPlatform(headless);
    EngineOptions options;
    options.titleKey = script::titleKey(kTitle);
    options.title = kTitle;
    Engine engine(*host, assets::GameFolder::fromDirectory(dir.path()), options, console);
    return engine.run();
  }
  void TearDown() override { std::fclose(boxes); }

  testing::TempDir dir;
  testing::RecordingConsole console;
  std::FILE* boxes = std::tmpfile();
};

// A scene with a sprite in motion, a shake, two pages, variables and music.
const std::string kScene =
    "screen 320, 240, 320, 0\nsp 3, \"a.png\", 0, 0\nsp_xy 3, 10, 20\nsp_ax 3, 200, 1000, 0, "
    "0\nsp_aa 3, 0, 500, 0, 1\n"
    "sp_qy 3, 5, 300, 0, 0, 0, 0\nsc_qx 3, 400, 0, 0, 0, 0\n"
    "setTagLog \"a\"\nsetLog \"one\", 1, 0\nclearMess\nsetLog \"two\", 2, 0\n"
    "int g_n = 5\nstring g_s = \"x\"\nsleep 100\nmakeSave\n";

TEST_F(SaveGameTest, EveryLineHasTheFormatsFieldsInTheFormatsOrder) {
  const RunResult result = run(kScene + "saveSave 0, 0\nend\n");
  ASSERT_TRUE(result.started);
  const std::string text = dir.read("save/save000.txt");
  const std::string n = R"(-?\d+)", u = R"(\d+)", h = "[0-9A-F]+", g = R"([-+.e\dinfa]+)";
  const std::string s1 = n + "," + n;
  // Each line's key pattern and the whole line's pattern, in file order.
  const std::vector<std::pair<std::string, std::string>> formats = {
      {"ScQ=", "ScQ=" + u + ", " + s1 + ", " + s1 + ", " + s1 + ", " + u + "," + u + ", " + u +
                   "," + u + ", " + g + "," + g + ", " + s1},
      {"ScXYWH=", "ScXYWH=" + s1 + "," + s1 + ", " + u + "," + u + "," + u + "," + u + ", " + u +
                      "," + u + "," + u + "," + u + ", " + s1 + "," + s1 + ", " + s1 + "," + s1 +
                      ", " + g + "," + g + "," + g + "," + g},
      {"ImageX3_0=", "ImageX3_0=" + u + "," + s1 + ", " + s1 + "," + s1},
      {"ImageA3_0=", "ImageA3_0=" + u + "," + s1 + ", " + s1 + "," + s1},
      {"Image3=", "Image3=a\\.png,,.*"},
      {"Sound", ""},
      {"msgBuffer0=", "msgBuffer0=one,a"},
      {"msgImage0=", "msgImage0=(([^|,]*\\|){28}[^|,]*,)*"},
      {"msgScreenX=", "msgScreenX=(" + n + ",){200}0"},
      {"msgScreenY=", "msgScreenY=(" + n + ",){200}0"},
      {"msgScreenW=", "msgScreenW=(" + h + ",){200}0"},
      {"msgScreenH=", "msgScreenH=(" + h + ",){200}0"},
      {"msgCounts=", "msgCounts=(" + h + ",){200}0"},
      {"msgHash=", "msgHash=([0-9A-V]+,){200}0"},
      {"msgLine=", "msgLine=(" + h + ",){200}0"},
      {"msgSave=", "msgSave=(" + h + ",){200}0"},
      {"Massage=", "Massage=(" + n + ",){8}" + n},
      {"Font=", "Font=[^,]*,1000000,(" + h + ",){3}[^,]*,(" + h + ",){4}" + n},
      {"Window=", "Window=(" + n + ",){14}" + n},
      {"Integer=", "Integer=g_n=5,"},
      {"String=", "String=g_s='x',"},
      {"File=", "File=0," + u},
      {"Comment=", "Comment="},
  };
  std::size_t next = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    ASSERT_NE(end, std::string::npos) << "the last line has no line feed";
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    while (next < formats.size() && !line.starts_with(formats[next].first)) ++next;
    ASSERT_LT(next, formats.size()) << "out of order or unknown: " << line;
    if (!formats[next].second.empty()) {
      EXPECT_TRUE(std::regex_match(line, std::regex(formats[next].second))) << line;
    }
  }
  // The Image line has its 53 fields.
  const std::size_t image = text.find("\nImage3=");
  ASSERT_NE(image, std::string::npos);
  const std::string line = text.substr(image + 1, text.find('\n', image + 1) - image - 1);
  EXPECT_EQ(std::count(line.begin(), line.end(), ','), 52) << line;
}

TEST_F(SaveGameTest, AFailedWriteKeepsTheSlotItWouldHaveReplaced) {
  ASSERT_TRUE(run(kScene + "saveSave 0, 0\nend\n").started);
  const std::string before = dir.read("save/save000.txt");
  // The second save is larger than the process may write.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = old;
  limited.rlim_cur = before.size() + 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  const RunResult second = run(kScene + "string g_big = \"" + std::string(4000, 'y') +
                               "\"\nmakeSave\nsaveSave 0, 0\nend\n");
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(second.started);
  EXPECT_EQ(dir.read("save/save000.txt"), before);
  EXPECT_NE(dir.read("Information.txt").find("saveDataZlib"), std::string::npos);
}

TEST_F(SaveGameTest, SnapshotsStackAndPopBackInOrder) {
  // Three records in a slot: the last is restored, the two before are the
  // stack, and popSave -1 takes the second.
  // Each restore goes on where its record was taken (after the line that
  // saved), and calls *load_lb first, which tells the page.
  const RunResult result =
      run("int loaded = 0, g_page = 1\npushSave 1, \"\"\ncal %g_page = 2\npushSave 1, \"\"\n"
          "cal %g_page = 3\nmakeSave\nsaveSave 2, 1\nif (%loaded == 0) loadSave 2, 1\n"
          "popSave -1\nend\n*load_lb\nprint %g_page, \";\"\ncal %loaded += 1\n"
          "if (%loaded == 3) end\nreturn\n");
  ASSERT_TRUE(result.started);
  EXPECT_EQ(console.out, "3;2;1;");
}

TEST_F(SaveGameTest, AnOlderSaveWithShortLinesLoadsWithDefaults) {
  // Every kind of line, cut short after its first fields.
  dir.write("save/save007.txt",
            "ScQ=0\nScXYWH=0,0\nImage3=a.png,,,0,0,0,0,0,0\nImageX3_0=0,0,0, 0,50\n"
            "Sound1=\nmsgBuffer0=old page\nmsgImage0=\nmsgLine=\nMassage=30\nFont=\n"
            "Window=10,20\nInteger=g_a=3,\nString=g_s='old',\nFile=0,5\n");
  const RunResult result =
      run("screen 320, 240, 320, 0\nint loaded = 0\nif (%loaded == 1) goto *check\n"
          "cal %loaded = 1\nloadSave 7, 0\nend\n*check\nsp_exist 3, %0\ngetLog 0, $0\n"
          "print %0, \" \", %g_a, \" \", $g_s, \" \", $0, \";\"\nend\n");
  ASSERT_TRUE(result.started);
  EXPECT_EQ(console.out, "2 3 old old page;");
  EXPECT_EQ(dir.read("Information.txt").find("save007"), std::string::npos);
}

TEST_F(SaveGameTest, PagingBackFastForwardsFromTheSnapshotToThePage) {
  // A snapshot before every page. At the third page (committed, so one page
  // back is the third) the game pages back: the second page passes again
  // in jump mode (getMode 8), the third is shown as before.
  const RunResult result =
      run("screen 320, 240, 320, 0\nint jumped = 0, g_page = 0\nsetMessCreate 200, 40\n"
          "setMessLine 0, 2\npreMessGosub *pre\nsufMessGosub *post\n" +
          util::toSjis(u8"一ページ目\n\n二ページ目\n\n三ページ目\n\n") +
          "end\n*pre\npushSave 1, \"\"\ncal %g_page += 1\nreturn\n"
          "*post\ngetMode %9\nprint %g_page, \":\", %9, \";\"\nclearMess\n"
          "if (%g_page == 3 && %jumped == 0) cal %jumped = 1 : popSave 1\nreturn\n");
  ASSERT_TRUE(result.started);
  EXPECT_EQ(console.out, "1:0;2:0;3:0;2:8;3:0;");
}

}  // namespace
}  // namespace tsuzuri::core

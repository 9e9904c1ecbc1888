#include "persist/save_location.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/recording_dialogs.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::persist {
namespace {

using testing::TempDir;
using util::toSjis;

// A game folder and a documents folder side by side in one temporary folder.
class SaveLocationTest : public ::testing::Test {
 protected:
  SaveLocation location(bool interactive = true) {
    return SaveLocation(dialogs, interactive, dir.path() + "game/", dir.path() + "docs");
  }
  bool exists(const std::string& path) const { return std::filesystem::exists(dir.path() + path); }

  TempDir dir;
  testing::RecordingDialogs dialogs;
};

TEST_F(SaveLocationTest, MarkersDecideWithoutAsking) {
  // An empty marker in the game folder, one with content in save/, and the
  // game folder's marker first when both exist.
  dir.write("game/save.dat", "");
  dir.write("game/save/save.dat", "1");
  auto root = location().chooseRoot("brand", "title");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->native, "");
  std::filesystem::remove(dir.path() + "game/save.dat");
  root = location().chooseRoot("brand", "title");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->native, dir.path() + "docs/brand/title/");
  EXPECT_EQ(root->sjis, util::utf8ToSjis(dir.path()) + "docs/brand/title/");
  EXPECT_TRUE(root->documents);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(SaveLocationTest, QuestionsLoopUntilAChoiceAndRememberIt) {
  dir.write("game/script.dat", "");
  // Documents, then no to its confirmation; the game folder, then no; the
  // game folder again, and yes.
  dialogs.choices = {0, 1, 1};
  dialogs.answers = {false, false, true};
  const auto root = location().chooseRoot("brand", "title");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->native, "");
  ASSERT_EQ(dialogs.shown.size(), 6U);
  EXPECT_EQ(dialogs.shown[1], "ask|Confirm|" + util::utf8ToSjis(dir.path()) + "docs/brand/title/" +
                                  toSjis(u8"ドキュメントにセーブデータを作りますか？\n"));
  EXPECT_EQ(dialogs.shown[5],
            "ask|Confirm|" + toSjis(u8"ゲームフォルダにセーブデータを作りますか？"));
  EXPECT_TRUE(exists("game/save.dat"));
  EXPECT_EQ(dir.read("game/save.dat"), "");

  dialogs.choices = {0};
  dialogs.answers = {true};
  std::filesystem::remove(dir.path() + "game/save.dat");
  EXPECT_TRUE(location().chooseRoot("brand", "title")->documents);
  EXPECT_EQ(dir.read("game/save.dat"), "1");
}

TEST_F(SaveLocationTest, CancelAbortsAndHeadlessTakesTheGameFolderSilently) {
  dir.write("game/script.dat", "");
  dialogs.choices = {2};
  EXPECT_FALSE(location().chooseRoot("brand", "title"));
  EXPECT_FALSE(exists("game/save.dat"));

  dialogs.shown.clear();
  const auto root = location(false).chooseRoot("brand", "title");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->native, "");
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_FALSE(exists("game/save.dat")) << "nobody chose, so nothing is remembered";
}

TEST_F(SaveLocationTest, InheritanceOffersOtherGamesOfTheBrand) {
  dir.write("docs/brand/first/save/setting.dat", "x");
  dir.write("docs/brand/deeper/second/save/setting.dat", "x");
  dir.write("docs/brand/third/save/oldsetting.dat", "x");
  dir.write("docs/brand/fourth/setting.dat", "x");
  dir.write("docs/other/fifth/save/setting.dat", "x");
  SaveLocation place = location();
  SaveRoot root{dir.path() + "docs/brand/title/", "", true};
  const std::vector<std::string> candidates = place.inheritanceCandidates(root);
  EXPECT_EQ(candidates, (std::vector<std::string>{dir.path() + "docs/brand/deeper/second",
                                                  dir.path() + "docs/brand/first"}));

  // The first candidate is declined, the list left and that refused, then
  // the second taken.
  dialogs.choices = {0, 2, 1};
  dialogs.answers = {false, false, true};
  EXPECT_EQ(place.chooseCandidate(candidates, root), dir.path() + "docs/brand/first");
  EXPECT_EQ(dialogs.shown[0],
            "choose|" + toSjis(u8"設定引継") + "|" + toSjis(u8"設定の引き継ぎ可能なゲーム"));
  EXPECT_EQ(dialogs.shown[1],
            "ask|Confirm|" + toSjis(u8"「deeper/second」の設定を引き継ぎますか？"));
  EXPECT_EQ(dialogs.shown[3], "ask|Confirm|" + toSjis(u8"引き継ぎを行わなくて構いませんか？"));

  dialogs.choices = {2};
  dialogs.answers = {true};
  EXPECT_EQ(place.chooseCandidate(candidates, root), std::nullopt);
  EXPECT_EQ(place.chooseCandidate({}, root), std::nullopt);
}

TEST_F(SaveLocationTest, ManyCandidatesArePagedSoEveryOneCanBeChosen) {
  std::vector<std::string> candidates;
  for (char c = 'a'; c <= 'j'; ++c) candidates.push_back(dir.path() + "docs/brand/" + c);
  SaveRoot root{dir.path() + "docs/brand/title/", "", true};
  // Page one holds a-h, "次へ" and "終了"; page two i, j, "次へ", "終了".
  dialogs.choices = {8, 1};
  dialogs.answers = {true};
  EXPECT_EQ(location().chooseCandidate(candidates, root), dir.path() + "docs/brand/j");
  EXPECT_EQ(dialogs.shown.back(), "ask|Confirm|" + toSjis(u8"「j」の設定を引き継ぎますか？"));
}

}  // namespace
}  // namespace tsuzuri::persist

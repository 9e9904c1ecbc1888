#include "platform/fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "font_reference.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::platform {
namespace {

using testing::ReferenceFace;

bool containsAny(const std::string& text, const std::vector<std::string>& words) {
  return std::any_of(words.begin(), words.end(),
                     [&](const std::string& w) { return text.find(w) != std::string::npos; });
}

TEST(FindInstalledFont, WindowsNamesLandOnJapaneseFacesOfTheirKind) {
  const std::vector<std::string> gothic = {"Gothic", "Sans"};
  const std::vector<std::string> mincho = {"Mincho", "Serif"};
  const struct {
    std::string name;
    std::vector<std::string> kind;
  } cases[] = {
      {"\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e", gothic},  // ＭＳ ゴシック
      {util::toSjis(u8"ＭＳ Ｐゴシック"), gothic},
      {util::toSjis(u8"ＭＳ 明朝"), mincho},
      {"MS Mincho", mincho},
      {"IPAMincho", {"IPAMincho"}},
      {"No Such Face At All", gothic},
      {"", gothic},
  };
  for (const bool bold : {false, true}) {
    for (const auto& c : cases) {
      const auto found = findInstalledFont(c.name, bold);
      ASSERT_TRUE(found) << c.name;
      const ReferenceFace face(found->path, found->faceIndex);
      ASSERT_TRUE(face.ok()) << found->path;
      EXPECT_TRUE(face.hasCharacter(U'あ')) << c.name << " -> " << face.familyName();
      EXPECT_TRUE(containsAny(face.familyName(), c.kind)) << c.name << " -> " << face.familyName();
    }
  }
}

// Application fonts stay registered for the rest of the run, so their
// folder does too.
const testing::TempDir& privateFonts() {
  static const testing::TempDir folder;
  return folder;
}

TEST(AddApplicationFont, MakesEachFaceOfACollectionFindable) {
  const std::string gothic = testing::readWholeFile(testing::kIpaGothic);
  ASSERT_FALSE(gothic.empty());
  const std::string path = privateFonts().write(
      "private.ttc", testing::collectionOf({testing::renamedFont(gothic, "Tza"),
                                            testing::renamedFont(gothic, "Tzb")}));
  const auto before = findInstalledFont("TzbGothic", false);
  EXPECT_TRUE(!before || before->path != path);

  ASSERT_TRUE(addApplicationFont(path));
  const struct {
    std::string name;
    std::int32_t index;
  } cases[] = {
      {"TzaGothic", 0}, {"TzbGothic", 1}, {"tzb gothic", 1}, {util::toSjis(u8"Tzbゴシック"), 1}};
  for (const auto& c : cases) {
    const auto found = findInstalledFont(c.name, false);
    ASSERT_TRUE(found) << c.name;
    EXPECT_EQ(found->path, path) << c.name;
    EXPECT_EQ(found->faceIndex, c.index) << c.name;
  }
  EXPECT_EQ(ReferenceFace(path, 1).familyName(), "TzbGothic");

  const auto list = installedJapaneseFamilies(false, true);
  EXPECT_NE(std::find(list.begin(), list.end(), util::toSjis(u8"Tzbゴシック")), list.end());
}

TEST(AddApplicationFont, RefusesFilesWithoutAFace) {
  EXPECT_FALSE(addApplicationFont(privateFonts().write("notes.txt", "not a font")));
  EXPECT_FALSE(addApplicationFont(privateFonts().path() + "missing.ttf"));
  EXPECT_FALSE(addApplicationFont(""));
}

TEST(InstalledJapaneseFamilies, ListsJapaneseNamesOnceInByteOrder) {
  const std::string fixed = util::toSjis(u8"IPAゴシック");
  const std::string fixedMincho = util::toSjis(u8"IPA明朝");
  const std::string proportional = util::toSjis(u8"IPA Pゴシック");
  const struct {
    bool vertical, fixedOnly;
    bool hasProportional;
  } cases[] = {
      {false, false, true}, {true, false, true}, {false, true, false}, {true, true, false}};
  for (const auto& c : cases) {
    const auto names = installedJapaneseFamilies(c.vertical, c.fixedOnly);
    const auto has = [&](const std::string& n) {
      return std::find(names.begin(), names.end(), n) != names.end();
    };
    EXPECT_TRUE(has(fixed) && has(fixedMincho)) << c.vertical << c.fixedOnly;
    EXPECT_EQ(has(proportional), c.hasProportional) << c.vertical << c.fixedOnly;
    EXPECT_FALSE(has("IPAGothic")) << "the Japanese name is shown";
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    for (const auto& name : names) {
      const auto first = static_cast<unsigned char>(name.at(0));
      const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
      EXPECT_TRUE(letter || util::isSjisLeadByte(first) || (c.vertical && first == '@')) << name;
    }
  }
}

}  // namespace
}  // namespace tsuzuri::platform

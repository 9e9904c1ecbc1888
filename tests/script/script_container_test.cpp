#include "script/script_container.h"

#include <gtest/gtest.h>

#include "script/script_entry.h"
#include "support/container_bytes.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "util/crc.h"
#include "util/display_name.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using testing::handBuiltScripts;
using util::toSjis;

const std::uint32_t kTitle = titleKey("test game");

class ScriptContainerTest : public ::testing::Test {
 protected:
  ScriptContainer container(const std::string& bytes) {
    dir.write("script.dat", bytes);
    return ScriptContainer(dir.path() + "script.dat", errors, name);
  }

  testing::TempDir dir;
  testing::RecordingSink errors;
  CommandName name;
  ScriptTables tables;
};

TEST_F(ScriptContainerTest, ReadsEveryScriptForLabelsAndThenOneIntoASlot) {
  auto scripts = container(handBuiltScripts(
      {{"script/0.txt", "*start\nprint 1\n"}, {"script/scene.txt", "(text)\n\n*scene\nend"}},
      kTitle));
  ASSERT_TRUE(scripts.readIndexAndCollectLabels(kTitle, tables));
  EXPECT_TRUE(errors.all.empty());

  const std::uint64_t scene = util::crc64_hash("script/scene.txt");
  ASSERT_TRUE(tables.labels.contains(util::crc32_hash("scene")));
  EXPECT_EQ(tables.labels.at(util::crc32_hash("scene")).scriptHash, scene);
  EXPECT_EQ(tables.labels.at(util::crc32_hash("scene")).line, 2);
  EXPECT_EQ(tables.scriptNames.at(scene), util::hashDisplayName(scene));
  EXPECT_EQ(tables.alreadyRead.at(scene).size(), 1U);
  EXPECT_TRUE(scripts.contains(util::crc64_hash("script/0.txt")));

  ParsedScript lines;
  ASSERT_TRUE(scripts.readScript(scene, lines, tables));
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines[3], (ScriptLine{"end", ""}));
  // Parse errors of a script are reported under its name.
  EXPECT_EQ(name.view(), util::hashDisplayName(scene));
}

TEST_F(ScriptContainerTest, ReportsEachWayAReadFails) {
  {
    ScriptContainer missing(dir.path() + "script.dat", errors, name);
    EXPECT_FALSE(missing.readIndexAndCollectLabels(kTitle, tables));
    EXPECT_FALSE(missing.contains(util::crc64_hash("script/0.txt")));
  }
  auto scripts = container(handBuiltScripts({{"script/0.txt", "end\n"}}, kTitle));
  const std::uint64_t start = util::crc64_hash("script/0.txt");
  ParsedScript lines;
  EXPECT_FALSE(scripts.readIndexAndCollectLabels(titleKey("another game"), tables));
  ASSERT_TRUE(scripts.readIndex(kTitle));
  EXPECT_FALSE(scripts.readScript(12345, lines, tables));

  EXPECT_EQ(errors.plain,
            (std::vector<std::string>{
                "loadLabel\nscript.dat No such file or directory",
                util::hashDisplayName(start) + toSjis(u8": スクリプトの読み込みに失敗しました"),
                "C1P" + toSjis(u8": スクリプトファイルハッシュが不正です"),
            }));
  EXPECT_TRUE(errors.withContext.empty());
}

TEST_F(ScriptContainerTest, IndexEndingEarlyOrEntryPastTheEndFailsWithoutReadingPastTheData) {
  std::string whole =
      handBuiltScripts({{"script/0.txt", "end\n"}, {"script/a.txt", "x\n"}}, kTitle);
  auto truncated = container(whole.substr(0, 4 + 21 + 10));
  EXPECT_FALSE(truncated.readIndexAndCollectLabels(kTitle, tables));
  ASSERT_EQ(errors.plain.size(), 1U);
  EXPECT_EQ(errors.plain[0],
            "loadLabel\nscript.dat " + toSjis(u8"スクリプトの索引が途中で切れています(1/2)"));

  errors.plain.clear();
  auto cut = container(whole.substr(0, whole.size() - 3));
  EXPECT_FALSE(cut.readIndexAndCollectLabels(kTitle, tables));
  ASSERT_EQ(errors.plain.size(), 1U);
  EXPECT_NE(errors.plain[0].find(toSjis(u8"スクリプトの読み込みに失敗しました")),
            std::string::npos);
}

TEST_F(ScriptContainerTest, SameLabelInTwoScriptsFailsStartUp) {
  auto scripts = container(
      handBuiltScripts({{"script/0.txt", "*twice\nend\n"}, {"script/b.txt", "*twice\n"}}, kTitle));
  EXPECT_FALSE(scripts.readIndexAndCollectLabels(kTitle, tables));
  ASSERT_EQ(errors.plain.size(), 1U);
  EXPECT_NE(errors.plain[0].find(toSjis(u8"ラベルが重複しています")), std::string::npos);
}

}  // namespace
}  // namespace tsuzuri::script

#include <gtest/gtest.h>

#include <sstream>

#include "assets/file_access.h"
#include "pack/pack_commands.h"
#include "script/script_entry.h"
#include "support/container_bytes.h"
#include "support/temp_dir.h"
#include "util/crc.h"
#include "util/display_name.h"
#include "util/number_text.h"

namespace tsuzuri::pack {
namespace {

using testing::TempDir;

struct PackRun {
  int status;
  std::string out;
  std::string err;
};

PackRun pack(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = runPackCommand(args, out, err);
  return {status, out.str(), err.str()};
}

// The engine's own reading of one script: index lookup, unscrambling, inflate.
std::optional<std::string> engineReadsScript(const std::string& container, const std::string& name,
                                             std::uint32_t title) {
  const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(container.data()),
                                           container.size());
  const auto index = assets::decodeContainerIndex(view);
  const std::uint64_t hash = util::crc64_hash2(name);
  for (const auto& r : index.records) {
    if (r.key != hash || r.offset + r.size > container.size()) continue;
    std::vector<std::uint8_t> packed(view.begin() + r.offset, view.begin() + r.offset + r.size);
    script::scrambleEntryWords(packed, script::entryWord(hash, title));
    std::string text(r.extra, '\0');
    const auto length =
        script::inflateEntry(packed, {reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
    if (!length) return std::nullopt;
    text.resize(*length);
    return text;
  }
  return std::nullopt;
}

const std::string kJapaneseUtf8 = "【案内】ようこそ\n";
const std::string kJapaneseSjis =
    "\x81\x79\x88\xC4\x93\xE0\x81\x7A\x82\xE6\x82\xA4\x82\xB1\x82\xBB\n";

TEST(PackScripts, PacksEveryTextUnderItsRelativePath) {
  TempDir dir;
  dir.write("src/script/0.txt", "*start\nend\n");
  dir.write("src/script/sub/menu.txt", kJapaneseUtf8);
  dir.write("src/readme.md", "not a script");
  const PackRun run = pack(
      {"scripts", dir.path() + "script.dat", dir.path() + "src", "--title", "テスト", "--utf8"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string container = dir.read("script.dat");
  const std::uint32_t title = script::titleKey("\x83\x65\x83\x58\x83\x67");
  EXPECT_EQ(engineReadsScript(container, "script/0.txt", title), "*start\nend\n");
  EXPECT_EQ(engineReadsScript(container, "script/sub/menu.txt", title), kJapaneseSjis);
  EXPECT_EQ(assets::decodeContainerIndex(
                {reinterpret_cast<const std::uint8_t*>(container.data()), container.size()})
                .records.size(),
            2U);
  EXPECT_FALSE(engineReadsScript(container, "script/0.txt", title + 1))
      << "another title does not decode";

  // A key given as such is the same as its title.
  const PackRun byKey = pack({"scripts", dir.path() + "k.dat", dir.path() + "src", "--utf8",
                              "--key", util::itos16(static_cast<std::int32_t>(title))});
  ASSERT_EQ(byKey.status, 0) << byKey.err;
  EXPECT_EQ(dir.read("k.dat"), container);
}

TEST(PackScripts, NamesTheFileAndLineOfAnUnconvertibleCharacter) {
  TempDir dir;
  dir.write("src/script/0.txt", "ok\nstill ok\nan emoji \xF0\x9F\x98\x80 here\n");
  const PackRun run = pack({"scripts", dir.path() + "script.dat", dir.path() + "src", "--utf8"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("0.txt:3:"), std::string::npos) << run.err;
  EXPECT_TRUE(dir.read("script.dat").empty()) << "nothing is written";
}

TEST(PackScripts, ReadsAHandBuiltContainer) {
  // Built from the format's tables, not by the packer.
  const std::uint32_t title = script::titleKey("game");
  TempDir dir;
  dir.write("script.dat", testing::handBuiltScripts({{"script/0.txt", "*start\n"},
                                                     {"script/7.txt", kJapaneseSjis},
                                                     {"story/a.txt", "text"}},
                                                    title));
  dir.write("names.txt", "story/a.txt\r\n");

  const PackRun list = pack(
      {"list", dir.path() + "script.dat", "--title", "game", "--names", dir.path() + "names.txt"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("script/0.txt"), std::string::npos);
  EXPECT_NE(list.out.find("script/7.txt"), std::string::npos);
  EXPECT_NE(list.out.find("story/a.txt"), std::string::npos);
  EXPECT_NE(list.out.find(util::hashDisplayName(util::crc64_hash("script/0.txt"))),
            std::string::npos);

  const PackRun wrongKey = pack({"list", dir.path() + "script.dat", "--title", "other"});
  EXPECT_EQ(wrongKey.status, 1);
  EXPECT_NE(wrongKey.out.find("does not decode"), std::string::npos);

  const PackRun extract =
      pack({"extract", dir.path() + "script.dat", dir.path() + "out", "--title", "game"});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(dir.read("out/script/0.txt"), "*start\n");
  EXPECT_EQ(dir.read("out/script/7.txt"), kJapaneseSjis);
  EXPECT_EQ(dir.read("out/" + util::hashDisplayName(util::crc64_hash("story/a.txt"))), "text")
      << "an entry without a known name goes under its hash";

  const PackRun utf8 =
      pack({"extract", dir.path() + "script.dat", dir.path() + "u", "--title", "game", "--utf8"});
  ASSERT_EQ(utf8.status, 0) << utf8.err;
  EXPECT_EQ(dir.read("u/script/7.txt"), kJapaneseUtf8);

  const PackRun key = pack({"find-key", dir.path() + "script.dat"});
  ASSERT_EQ(key.status, 0) << key.err;
  EXPECT_EQ(key.out, util::itos16(static_cast<std::int32_t>(title)) + "\n");
}

TEST(PackArchive, WritesWhatTheEngineReads) {
  TempDir dir;
  dir.write("root/bg/room.png", std::string(1000, 'r'));
  dir.write("root/se/夏.wav", "summer");
  dir.write("root/a", "one-byte name");
  for (const bool scramble : {false, true}) {
    TempDir game;
    std::vector<std::string> args = {"archive", game.path() + "arc0.dat", dir.path() + "root"};
    if (scramble) args.push_back("--scramble");
    const PackRun run = pack(args);
    ASSERT_EQ(run.status, 0) << run.err;
    testing::RecordingReporter reporter;
    assets::ArchiveDirectory archives;
    const auto folder = assets::GameFolder::fromDirectory(game.path());
    archives.read(folder, reporter);
    assets::FileAccess files(folder, archives, reporter);
    std::string text;
    ASSERT_TRUE(files.loadText("bg/room.png", text));
    EXPECT_EQ(text, std::string(1000, 'r'));
    ASSERT_TRUE(files.loadText("se/\x89\xC4.wav", text)) << "names are stored in Shift_JIS";
    EXPECT_EQ(text, "summer");
    ASSERT_TRUE(files.loadText("a", text));
    EXPECT_EQ(text, "one-byte name");
    EXPECT_TRUE(reporter.messages.empty());
  }
}

TEST(PackArchive, PacksChosenFilesAndNeverItself) {
  TempDir dir;
  dir.write("bg/a.png", "a");
  dir.write("bg/b.png", "b");
  dir.write("se/c.wav", "c");
  const PackRun some =
      pack({"archive", dir.path() + "arc0.dat", dir.path(), "bg", dir.path() + "se/c.wav"});
  ASSERT_EQ(some.status, 0) << some.err;
  EXPECT_NE(some.out.find("packed 3 files"), std::string::npos);
  const PackRun all = pack({"archive", dir.path() + "arc0.dat", dir.path()});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_NE(all.out.find("packed 3 files"), std::string::npos) << "the old arc0.dat is not packed";
  TempDir other;
  other.write("x.png", "x");
  EXPECT_EQ(pack({"archive", dir.path() + "arc1.dat", dir.path(), other.path() + "x.png"}).status,
            1)
      << "a file outside ROOT has no name";
}

TEST(PackArchive, ListsAndExtractsWithoutNamesWhenTheLayoutIsItsOwn) {
  TempDir dir;
  // Small entries of one size, whose offsets differ in their low byte only:
  // each must still come out under its own hash.
  for (int i = 1; i <= 8; ++i)
    dir.write("root/d/f" + std::to_string(i) + ".txt", "file" + std::to_string(i));
  dir.write("root/bg/room.png", std::string(300, 'r'));
  ASSERT_EQ(pack({"archive", dir.path() + "arc0.dat", dir.path() + "root"}).status, 0);
  const PackRun list = pack({"list", dir.path() + "arc0.dat"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find(" 300"), std::string::npos) << list.out;
  const PackRun extract = pack({"extract", dir.path() + "arc0.dat", dir.path() + "out"});
  ASSERT_EQ(extract.status, 0) << extract.err;
  for (int i = 1; i <= 8; ++i) {
    const std::string name = "d/f" + std::to_string(i) + ".txt";
    EXPECT_EQ(dir.read("out/" + util::hashDisplayName(util::crc64_hash2(name))),
              "file" + std::to_string(i));
  }

  dir.write("names.txt", "bg/room.png\nd/f3.txt\n");
  ASSERT_EQ(pack({"extract", dir.path() + "arc0.dat", dir.path() + "named", "--names",
                  dir.path() + "names.txt"})
                .status,
            0);
  EXPECT_EQ(dir.read("named/bg/room.png"), std::string(300, 'r'));
  EXPECT_EQ(dir.read("named/d/f3.txt"), "file3");
}

TEST(PackArchive, ExtractsNamesThatWouldLeaveTheFolderUnderTheirHash) {
  TempDir dir;
  const std::vector<std::string> names = {"../up.txt",    "..\\back.txt", "/abs.txt",
                                          "C:/drive.txt", "a\\b.txt",     "a/b.txt"};
  std::vector<testing::StoredFile> files;
  std::string list;
  for (const auto& n : names) {
    files.push_back({n, "data of " + n});
    list += n + "\n";
  }
  dir.write("game/arc0.dat", testing::handBuiltArchive(files));
  dir.write("names.txt", list);
  const PackRun run = pack({"extract", dir.path() + "game/arc0.dat", dir.path() + "out", "--names",
                            dir.path() + "names.txt"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const std::string n : {"../up.txt", "..\\back.txt", "/abs.txt", "C:/drive.txt"}) {
    EXPECT_EQ(dir.read("out/" + util::hashDisplayName(util::crc64_hash2(n))), "data of " + n) << n;
  }
  EXPECT_TRUE(dir.read("up.txt").empty());
  EXPECT_TRUE(dir.read("back.txt").empty());
  // a\b.txt and a/b.txt land on one path: the first keeps it, the second
  // goes under its hash.
  EXPECT_EQ(dir.read("out/a/b.txt"), "data of a\\b.txt");
  EXPECT_EQ(dir.read("out/" + util::hashDisplayName(util::crc64_hash("a/b.txt"))),
            "data of a/b.txt");
  EXPECT_NE(run.err.find("already written"), std::string::npos);
}

TEST(PackArchive, NeedsNamesForForeignLayoutsAndScrambledEntries) {
  TempDir dir;
  const std::string name = "cg/ev01.png";
  dir.write("arc0.dat",
            testing::handBuiltArchive({{name, testing::scrambledByHand("picture data", name), true},
                                       {"plain.txt", "plain"}}));
  const PackRun bare = pack({"extract", dir.path() + "arc0.dat", dir.path() + "out"});
  EXPECT_EQ(bare.status, 1);
  EXPECT_NE(bare.err.find("--names"), std::string::npos);
  const PackRun list = pack({"list", dir.path() + "arc0.dat"});
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("?"), std::string::npos) << "sizes that need the name are not guessed";
  EXPECT_NE(list.out.find("(scrambled)"), std::string::npos);

  dir.write("names.txt", name + "\nplain.txt\n");
  const PackRun named = pack({"extract", dir.path() + "arc0.dat", dir.path() + "out", "--names",
                              dir.path() + "names.txt"});
  ASSERT_EQ(named.status, 0) << named.err;
  EXPECT_EQ(dir.read("out/cg/ev01.png"), "picture data");
  EXPECT_EQ(dir.read("out/plain.txt"), "plain");
}

TEST(PackInspect, RefusesDamagedFilesCleanly) {
  TempDir dir;
  const std::string good =
      testing::handBuiltScripts({{"script/0.txt", "*start\n"}}, script::titleKey("t"));
  dir.write("cut/script.dat", good.substr(0, 30));                 // index ends early
  dir.write("short/script.dat", good.substr(0, good.size() - 3));  // data ends early
  dir.write("tiny/script.dat", "ab");
  for (const std::string folder : {"cut", "short", "tiny"}) {
    const std::string file = dir.path() + folder + "/script.dat";
    EXPECT_EQ(pack({"list", file, "--title", "t"}).status, 1) << folder;
    EXPECT_EQ(pack({"extract", file, dir.path() + "x", "--title", "t"}).status, 1) << folder;
    EXPECT_EQ(pack({"find-key", file}).status, 1) << folder;
  }
  const PackRun missing = pack({"list", dir.path() + "none.dat"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("none.dat"), std::string::npos);
}

TEST(PackCommandLine, ExplainsMistakes) {
  EXPECT_EQ(pack({}).status, 2);
  EXPECT_EQ(pack({"frobnicate"}).status, 2);
  EXPECT_EQ(pack({"scripts", "out"}).status, 2);
  EXPECT_EQ(pack({"list", "x", "--title", "a", "--key", "1"}).status, 2);
  EXPECT_EQ(pack({"list", "x", "--bogus"}).status, 2);
  const PackRun badKey = pack({"list", "x", "--key", "xyz"});
  EXPECT_EQ(badKey.status, 1);
  EXPECT_NE(badKey.err.find("--key"), std::string::npos);
  EXPECT_EQ(pack({"--help"}).status, 0);
}

}  // namespace
}  // namespace tsuzuri::pack

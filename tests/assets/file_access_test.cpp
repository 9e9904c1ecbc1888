#include "assets/file_access.h"

#include <gtest/gtest.h>

#include "support/container_bytes.h"
#include "support/temp_dir.h"
#include "util/crc.h"

namespace tsuzuri::assets {
namespace {

using testing::RecordingReporter;
using testing::StoredFile;
using testing::TempDir;

struct Game {
  TempDir dir;
  RecordingReporter reporter;
  ArchiveDirectory archives;
  std::optional<FileAccess> files;

  void start() {
    const GameFolder folder = GameFolder::fromDirectory(dir.path());
    archives.read(folder, reporter);
    files.emplace(folder, archives, reporter);
  }

  std::string load(const std::string& name, std::uint32_t prefix = 0) {
    void* buffer = nullptr;
    std::uint32_t size = prefix;
    std::uint32_t capacity = 0;
    std::string out;
    if (files->loadFile(name, &buffer, &size, &capacity))
      out.assign(static_cast<char*>(buffer), size);
    util::alignedFree(buffer);
    return out;
  }
};

TEST(Archives, AreReadInOrderUntilOneIsMissing) {
  Game game;
  game.dir.write("arc0.dat",
                 testing::handBuiltArchive({{"a.txt", "from arc0"}, {"b.txt", "only in arc0"}}));
  game.dir.write("arc1.dat", testing::handBuiltArchive({{"a.txt", "from arc1"}}));
  game.dir.write("arc3.dat", testing::handBuiltArchive({{"c.txt", "after a gap"}}));
  game.start();
  EXPECT_EQ(game.load("a.txt"), "from arc1") << "a later archive overrides an earlier one";
  EXPECT_EQ(game.load("b.txt"), "only in arc0");
  EXPECT_EQ(game.load("c.txt"), "") << "arc3.dat is not read when arc2.dat is missing";
  EXPECT_EQ(game.archives.size(), 2U);
}

TEST(Archives, AnEmptyArchiveStillCountsAsPresent) {
  Game game;
  game.dir.write("arc0.dat", testing::rawIndex({}));
  game.start();
  EXPECT_TRUE(game.archives.present());
  EXPECT_EQ(game.archives.size(), 0U);
}

TEST(Archives, ComeBeforeLooseFilesAndMatchBytesExactly) {
  Game game;
  game.dir.write("arc0.dat", testing::handBuiltArchive({{"bg/a.png", "archived"}}));
  game.dir.write("bg/a.png", "loose");
  game.dir.write("BG/A.PNG", "loose upper");
  game.start();
  EXPECT_EQ(game.load("bg/a.png"), "archived");
  // Other spellings miss the archive (hash of the bytes) and find loose files.
  EXPECT_EQ(game.load("BG/A.PNG"), "loose upper");
  EXPECT_EQ(game.load("bg\\a.png"), "loose");
}

TEST(Archives, DescrambleWithTheNameInChunks) {
  // Ten bytes under a four-byte name: chunk size 2; bytes 0-1 go with
  // name[0], 2-3 with name[1], 4-5 with name[2], 6-9 stay.
  const std::string name = "k.gz";
  const std::string plain = "0123456789";
  std::string stored = plain;
  for (int i = 0; i < 6; ++i)
    stored[static_cast<std::size_t>(i)] ^= name[static_cast<std::size_t>(i / 2)];
  Game game;
  game.dir.write("arc0.dat",
                 testing::handBuiltArchive({{name, stored, true}, {"x", "unchanged", true}}));
  game.start();
  EXPECT_EQ(game.load(name), plain);
  EXPECT_EQ(game.load("x"), "unchanged") << "a one-byte name leaves the data as it is";
}

TEST(Archives, APrefixReadIsDescrambledWithItsOwnLength) {
  const std::string name = "voice/001.ogg";  // 13 bytes
  std::string plain(5000, '\0');
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 7);
  const std::string stored = testing::scrambledByHand(plain, name);
  Game game;
  game.dir.write("arc0.dat", testing::handBuiltArchive({{name, stored, true}}));
  game.start();
  EXPECT_EQ(game.load(name), plain);

  // A 100-byte prefix is descrambled as a 100-byte entry: c = 100 / 13 = 7.
  EXPECT_EQ(game.load(name, 100), testing::scrambledByHand(stored.substr(0, 100), name));
}

TEST(Archives, EntriesOutsideTheirArchiveFailToOpen) {
  Game game;
  std::string bytes = testing::handBuiltArchive({{"good.txt", "ok"}, {"cut.txt", "0123456789"}});
  bytes.resize(bytes.size() - 4);  // the last entry loses its end
  game.dir.write("arc0.dat", bytes);
  game.dir.write("cut.txt", "loose copy");
  // An entry whose offset (not only its end) lies past the archive.
  const std::string far = "far.txt";
  const auto stored = combineWithName({5000, 3}, far);
  game.dir.write("arc1.dat",
                 testing::rawIndex({{util::crc64_hash2(far), 0, stored.offset, stored.size, 0}}));
  game.start();
  EXPECT_EQ(game.load("good.txt"), "ok");
  EXPECT_EQ(game.load("cut.txt"), "") << "no loose fallback and no unread bytes";
  ASSERT_EQ(game.reporter.messages.size(), 2U);
  EXPECT_NE(game.reporter.messages[0].find("(openFile1)"), std::string::npos);
  EXPECT_NE(game.reporter.messages[1].find("(loadFile)"), std::string::npos);
  EXPECT_FALSE(game.files->open(far));
}

TEST(Archives, AnIndexThatEndsEarlyKeepsItsWholeEntriesAndIsReported) {
  Game game;
  std::string bytes = testing::handBuiltArchive({{"a.txt", "A"}, {"b.txt", "B"}});
  // Claim a third entry that is not there.
  bytes = testing::rawIndex({}, 3).substr(0, 4) + bytes.substr(4, 2 * 21) + "AB";
  game.dir.write("arc0.dat", bytes);
  game.start();
  ASSERT_EQ(game.reporter.messages.size(), 1U);
  EXPECT_EQ(game.reporter.messages[0].rfind("arc0.dat", 0), 0U);
  EXPECT_EQ(game.archives.size(), 2U);
  // The data offsets were computed for a two-entry index, so they still fit.
  EXPECT_EQ(game.load("a.txt"), "A");
}

TEST(LooseFiles, AreFoundUnderTheGameFolderOrByAbsolutePath) {
  Game game;
  game.dir.write("Data/Text.TXT", "hello");
  game.start();
  EXPECT_EQ(game.load("data\\text.txt"), "hello");
  EXPECT_EQ(game.load(game.dir.path() + "Data/Text.TXT"), "hello")
      << "an absolute name is used as it is";

  EXPECT_EQ(game.load("C:/game/none.txt"), "");
  ASSERT_FALSE(game.reporter.messages.empty());
  EXPECT_EQ(game.reporter.messages[0].rfind("C:/game/none.txt ", 0), 0U)
      << "a name with a drive is not put under the game folder";
  EXPECT_NE(game.reporter.messages[0].find("(openFile3)"), std::string::npos);
}

TEST(LoadFile, ReusesABufferThatIsLargeEnoughAndReadsPrefixes) {
  Game game;
  game.dir.write("five.bin", "12345");
  game.dir.write("empty.bin", "");
  game.start();
  void* buffer = util::alignedAllocate(64);
  void* const original = buffer;
  std::uint32_t capacity = 64;
  std::uint32_t size = 0;
  ASSERT_TRUE(game.files->loadFile("five.bin", &buffer, &size, &capacity));
  EXPECT_EQ(buffer, original);
  EXPECT_EQ(capacity, 64U);
  EXPECT_EQ(size, 5U);

  size = 3;
  ASSERT_TRUE(game.files->loadFile("five.bin", &buffer, &size, &capacity));
  EXPECT_EQ(std::string(static_cast<char*>(buffer), size), "123");

  size = 0;
  EXPECT_TRUE(game.files->loadFile("empty.bin", &buffer, &size, &capacity));
  EXPECT_EQ(size, 0U);
  EXPECT_TRUE(game.reporter.messages.empty());

  // More than the file holds cannot be read whole: a failure, not a buffer
  // whose end was never read.
  size = 100;
  EXPECT_FALSE(game.files->loadFile("five.bin", &buffer, &size, &capacity));
  ASSERT_EQ(game.reporter.messages.size(), 1U);
  EXPECT_NE(game.reporter.messages[0].find("(loadFile)"), std::string::npos);
  util::alignedFree(buffer);
}

TEST(LoadFile, RefusesFoldersAndCutsNamesAtANul) {
  Game game;
  game.dir.write("bg/sub/a.png", "a");
  game.start();
  EXPECT_EQ(game.load("bg/sub"), "");
  ASSERT_FALSE(game.reporter.messages.empty());
  EXPECT_NE(game.reporter.messages[0].find("Is a directory(openFile3)"), std::string::npos)
      << game.reporter.messages[0];
  EXPECT_EQ(game.load(std::string("bg/sub/a.png\0junk", 17)), "a");
}

TEST(LoadFile, UsesTheSharedBufferThroughItsAddress) {
  Game game;
  game.dir.write("a.bin", std::string(300, 'a'));
  game.dir.write("b.bin", std::string(100, 'b'));
  game.start();
  void** shared = nullptr;
  std::uint32_t* capacity = nullptr;
  game.files->getFileMemory(&shared, &capacity);
  ASSERT_NE(shared, nullptr);
  std::uint32_t size = 0;
  ASSERT_TRUE(game.files->loadFile("a.bin", shared, &size, nullptr));
  EXPECT_EQ(*capacity, 300U);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(*shared) % 16, 0U);
  void* const first = *shared;
  size = 0;
  ASSERT_TRUE(game.files->loadFile("b.bin", shared, &size, nullptr));
  EXPECT_EQ(*shared, first) << "the shared buffer only grows";
  EXPECT_EQ(*capacity, 300U);
  EXPECT_EQ(std::string(static_cast<char*>(*shared), size), std::string(100, 'b'));
}

TEST(LoadText, ReadsWholeEntriesAndReportsOnlyTheOpenFailure) {
  Game game;
  game.dir.write("arc0.dat", testing::handBuiltArchive({{"s.txt", "in archive"}}));
  game.start();
  std::string text;
  ASSERT_TRUE(game.files->loadText("s.txt", text));
  EXPECT_EQ(text, "in archive");
  EXPECT_FALSE(game.files->loadText("none.txt", text));
  ASSERT_EQ(game.reporter.messages.size(), 1U);
  EXPECT_NE(game.reporter.messages[0].find("(openFile3)"), std::string::npos);
}

TEST(HighResolution, IsTriedOnlyWhenTheDisplayIsScaledUp) {
  Game game;
  game.dir.write("arc0.dat", testing::handBuiltArchive({{"z/bg/a.png", "big"}}));
  game.dir.write("bg/a.png", "small");
  game.dir.write("z/bg/b.png", "big loose");
  game.dir.write("bg/b.png", "small loose");
  game.dir.write("z/bg/dir/x", "");
  game.start();
  const auto& files = *game.files;
  EXPECT_EQ(files.resolveHighResolution("bg/a.png", 1.0).name, "bg/a.png");
  const ResolvedName a = files.resolveHighResolution("bg/a.png", 1.5);
  EXPECT_EQ(a.name, "z/bg/a.png");
  EXPECT_EQ(a.scale, 2);
  EXPECT_EQ(files.resolveHighResolution("bg/b.png", 2.0).name, "z/bg/b.png");
  EXPECT_EQ(files.resolveHighResolution("bg/c.png", 2.0).name, "bg/c.png");
  EXPECT_EQ(files.resolveHighResolution("bg/c.png", 2.0).scale, 1);
  EXPECT_EQ(files.resolveHighResolution("bg/dir", 2.0).name, "bg/dir") << "a folder is no variant";
}

TEST(ExistFile, TestsArchivesAndLooseFilesButNotFolders) {
  Game game;
  game.dir.write("arc0.dat", testing::handBuiltArchive({{"se/a.wav", "x"}, {"z/bg/hi.png", "x"}}));
  game.dir.write("bg/b.png", "x");
  game.dir.write("z/bg/c.png", "x");
  game.start();
  const auto& files = *game.files;
  EXPECT_TRUE(files.exists("se/a.wav", 1.0));
  EXPECT_TRUE(files.exists("se\\a.wav", 1.0)) << "\\ counts as / before the lookup";
  EXPECT_TRUE(files.exists("bg/b.png", 1.0));
  EXPECT_TRUE(files.exists("bg/b.png/", 1.0)) << "a final separator is dropped";
  EXPECT_FALSE(files.exists("bg", 1.0));
  EXPECT_FALSE(files.exists("none.png", 1.0));
  // Scaled up: the loose variant z/bg/c.png stands in for bg/c.png.
  EXPECT_FALSE(files.exists("bg/c.png", 1.0));
  EXPECT_TRUE(files.exists("bg/c.png", 2.0));
  // An archived variant is not enough: the archive must hold the name itself.
  EXPECT_FALSE(files.exists("bg/hi.png", 2.0));
  EXPECT_TRUE(game.reporter.messages.empty()) << "the test reports nothing";
}

TEST(EntryReader, NeverReadsPastTheEntry) {
  Game game;
  game.dir.write("arc0.dat", testing::handBuiltArchive({{"one", "first"}, {"two", "second"}}));
  game.start();
  auto reader = game.files->open("one");
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->size(), 5U);
  EXPECT_EQ(reader->key(), util::crc64_hash("one"));
  char buffer[32] = {};
  EXPECT_EQ(reader->read(buffer, sizeof buffer), 5U);
  EXPECT_EQ(std::string(buffer), "first");
  EXPECT_EQ(reader->read(buffer, sizeof buffer), 0U);
}

}  // namespace
}  // namespace tsuzuri::assets

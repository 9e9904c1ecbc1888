#include "assets/image_cache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <sstream>
#include <string>

#include "platform/memory.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::assets {
namespace {

using testing::RecordingReporter;
using testing::TempDir;

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kFourMiB = 4 * kMiB;  // one 1024 × 1024 image

// A stand-in image format, so that these tests need no real codec:
// "FAKE width height fill left top mode name", every pixel byte set to fill.
std::string fakeFile(int width, int height, int fill = 7, std::string_view name = "", int left = 0,
                     int top = 0, unsigned mode = 0) {
  std::ostringstream out;
  out << "FAKE " << width << ' ' << height << ' ' << fill << ' ' << left << ' ' << top << ' '
      << mode << ' ' << name;
  return out.str();
}

ImagePtr decodeFake(std::span<const std::uint8_t> data) {
  std::istringstream in(std::string(data.begin(), data.end()));
  std::string magic;
  int width = 0, height = 0, fill = 0;
  ImageBuffer attributes{};
  in >> magic >> width >> height >> fill >> attributes.left >> attributes.top >> attributes.mode;
  if (magic != "FAKE" || !in) return nullptr;
  std::string name;
  in >> name;
  ImagePtr image = makeImage(width, height, 32);
  if (!image) return nullptr;
  std::memset(image->pixels, fill, static_cast<std::size_t>(image->pixelCount) * 4);
  std::strncpy(image->name, name.c_str(), sizeof image->name - 1);
  image->left = attributes.left;
  image->top = attributes.top;
  image->mode = attributes.mode;
  return image;
}

ImagePtr fakeImage(int width, int height, int fill = 7) {
  const std::string file = fakeFile(width, height, fill);
  return decodeFake({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()});
}

// A game folder with the loader wired as the engine wires it; `decodes`
// counts the files that were read and decoded.
struct Game {
  explicit Game(std::uint64_t budget) : cache(budget) {}

  void start() {
    const GameFolder folder = GameFolder::fromDirectory(dir.path());
    archives.read(folder, reporter);
    files.emplace(folder, archives, reporter);
    loader.emplace(*files, cache, reporter, [this](std::span<const std::uint8_t> data) {
      ++decodes;
      return decodeFake(data);
    });
  }

  ImagePtr load(std::string_view name, bool useCache = true) {
    return loader->load(name, useCache, false, 1.0).image;
  }
  bool cached(std::string_view name) const { return cache.contains(ImageCache::keyFor(name)); }

  TempDir dir;
  RecordingReporter reporter;
  ArchiveDirectory archives;
  ImageCache cache;
  std::optional<FileAccess> files;
  std::optional<ImageLoader> loader;
  int decodes = 0;
};

TEST(ImageCache, EvictsTheLeastRecentlyUsedImageToStayWithinTheBudget) {
  Game game(10'000'000);
  for (const char* name : {"a.img", "b.img", "c.img"}) game.dir.write(name, fakeFile(1024, 1024));
  game.start();
  for (const char* name : {"a.img", "b.img", "c.img"}) ASSERT_NE(game.load(name), nullptr);
  EXPECT_EQ(game.decodes, 3);
  EXPECT_FALSE(game.cached("a.img"));
  EXPECT_TRUE(game.cached("b.img"));
  EXPECT_TRUE(game.cached("c.img"));
  EXPECT_EQ(game.cache.totalBytes(), 2 * kFourMiB);

  ASSERT_NE(game.load("a.img"), nullptr);
  EXPECT_EQ(game.decodes, 4) << "an evicted image is read from its file again";
  EXPECT_FALSE(game.cached("b.img")) << "b is now the least recently used";
  ASSERT_NE(game.load("c.img"), nullptr);
  EXPECT_EQ(game.decodes, 4) << "c is still cached";
  EXPECT_TRUE(game.reporter.messages.empty());
}

TEST(ImageCache, HitsAndTouchesMakeAnImageTheMostRecentlyUsed) {
  Game game(10'000'000);
  for (const char* name : {"a.img", "b.img", "c.img", "d.img"})
    game.dir.write(name, fakeFile(1024, 1024));
  game.start();
  game.load("a.img");
  game.load("b.img");
  game.load("a.img");  // a hit
  EXPECT_EQ(game.decodes, 2);
  game.load("c.img");
  EXPECT_TRUE(game.cached("a.img"));
  EXPECT_FALSE(game.cached("b.img"));

  EXPECT_TRUE(game.cache.touch(ImageCache::keyFor("a.img")));
  game.load("d.img");
  EXPECT_TRUE(game.cached("a.img"));
  EXPECT_FALSE(game.cached("c.img"));
  EXPECT_FALSE(game.cache.touch(ImageCache::keyFor("c.img")));
}

TEST(ImageCache, HitReturnsAnIndependentCopyWithTheLayerAttributes) {
  Game game(10'000'000);
  game.dir.write("face.img", fakeFile(3, 2, 0x41, "face_layer", -5, 12, 0x80000003));
  game.start();
  ImagePtr first = game.load("face.img");
  ASSERT_NE(first, nullptr);
  // Callers may change or free what they get; the cache kept its own copy.
  std::memset(first->pixels, 0, 3 * 2 * 4);
  first->name[0] = 'X';
  first.reset();

  ImagePtr hit = game.load("face.img");
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(game.decodes, 1);
  EXPECT_STREQ(hit->name, "face_layer");
  EXPECT_EQ(hit->left, -5);
  EXPECT_EQ(hit->top, 12);
  EXPECT_EQ(hit->mode, 0x80000003U);
  EXPECT_EQ(hit->width, 3);
  EXPECT_EQ(hit->height, 2);
  EXPECT_EQ(hit->depth, 32);
  EXPECT_EQ(hit->pixels[0], 0x41);
  EXPECT_EQ(hit->pixels[3 * 2 * 4 - 1], 0x41);

  std::memset(hit->pixels, 0, 3 * 2 * 4);
  EXPECT_EQ(game.load("face.img")->pixels[0], 0x41);
}

TEST(ImageCache, IsBypassedWithoutTheCacheFlagOrWithABudgetOfZero) {
  Game game(0);
  game.dir.write("a.img", fakeFile(4, 4));
  game.start();
  for (int i = 0; i < 3; ++i) EXPECT_NE(game.load("a.img"), nullptr);
  EXPECT_EQ(game.decodes, 3);
  EXPECT_EQ(game.cache.size(), 0U);
  game.cache.handOver(ImageCache::keyFor("a.img"), fakeImage(4, 4));
  EXPECT_EQ(game.cache.size(), 0U) << "the look-ahead's images are dropped too";

  game.cache.setBudget(kMiB);
  game.load("a.img", false);
  EXPECT_EQ(game.cache.size(), 0U) << "an uncached load stores nothing";
  game.load("a.img");
  game.load("a.img", false);
  EXPECT_EQ(game.decodes, 6) << "an uncached load reads the file even when it is cached";
  EXPECT_EQ(game.cache.size(), 1U);
}

TEST(ImageCache, TrimsToALoweredBudget) {
  ImageCache cache(16 * kMiB);
  for (std::uint64_t key = 1; key <= 3; ++key) cache.handOver(key, fakeImage(1024, 1024));
  EXPECT_EQ(cache.totalBytes(), 3 * kFourMiB);
  cache.touch(1);

  cache.setBudget(9 * kMiB);
  EXPECT_EQ(cache.totalBytes(), 2 * kFourMiB);
  EXPECT_FALSE(cache.contains(2));
  EXPECT_TRUE(cache.contains(1));
  EXPECT_TRUE(cache.contains(3));

  cache.setBudget(0);
  EXPECT_EQ(cache.size(), 0U);
  EXPECT_EQ(cache.totalBytes(), 0U);
}

TEST(ImageCache, KeepsTheTotalRightWhenAKeyIsStoredAgainOrAnImageIsTooLarge) {
  ImageCache cache(10'000'000);
  cache.handOver(1, fakeImage(1024, 1024));
  cache.handOver(2, fakeImage(512, 512, 9));
  cache.handOver(1, fakeImage(1024, 1024, 3));
  EXPECT_EQ(cache.size(), 2U);
  EXPECT_EQ(cache.totalBytes(), kFourMiB + kMiB);
  EXPECT_EQ(cache.copyOf(1)->pixels[0], 3) << "the newer image replaced the older";

  // An image beyond the whole budget is not kept and evicts nothing.
  cache.handOver(3, fakeImage(2048, 2048));
  cache.store(4, *fakeImage(2048, 2048));
  EXPECT_EQ(cache.size(), 2U);
  EXPECT_EQ(cache.totalBytes(), kFourMiB + kMiB);
  EXPECT_EQ(cache.copyOf(3), nullptr);
}

TEST(ImageCache, ServesImagesHandedOverByTheLookAhead) {
  Game game(10'000'000);
  game.dir.write("bg.img", fakeFile(8, 8, 1));
  game.start();
  game.cache.handOver(ImageCache::keyFor("bg.img"), fakeImage(8, 8, 5));
  ImagePtr image = game.load("bg.img");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->pixels[0], 5);
  EXPECT_EQ(game.decodes, 0);
}

TEST(ImageCache, LoadsAndKeysTheHighResolutionVariant) {
  Game game(10'000'000);
  game.dir.write("bg.img", fakeFile(4, 4, 1));
  game.dir.write("z/bg.img", fakeFile(8, 8, 2));
  game.dir.write("ev.img", fakeFile(4, 4, 3));
  game.start();

  LoadedImage high = game.loader->load("bg.img", true, true, 2.0);
  ASSERT_NE(high.image, nullptr);
  EXPECT_EQ(high.scale, 2);
  EXPECT_EQ(high.image->width, 8);
  EXPECT_TRUE(game.cached("z/bg.img"));
  EXPECT_FALSE(game.cached("bg.img"));

  LoadedImage plain = game.loader->load("bg.img", true, true, 1.0);
  EXPECT_EQ(plain.scale, 1);
  EXPECT_EQ(plain.image->width, 4);
  EXPECT_EQ(game.loader->load("bg.img", true, false, 2.0).scale, 1);
  EXPECT_EQ(game.decodes, 2);

  LoadedImage noVariant = game.loader->load("ev.img", true, true, 2.0);
  EXPECT_EQ(noVariant.scale, 1);
  EXPECT_EQ(noVariant.image->pixels[0], 3);
}

TEST(ImageCache, ReportsFilesThatCannotBeReadOrDecodedAndCachesNothing) {
  Game game(10'000'000);
  game.dir.write("broken.img", "not an image");
  game.start();

  EXPECT_EQ(game.load("missing.img"), nullptr);
  ASSERT_FALSE(game.reporter.messages.empty());
  EXPECT_EQ(game.reporter.messages.back(),
            "missing.img" + util::toSjis(u8" を読み込めませんでした"));
  EXPECT_EQ(game.decodes, 0);

  game.reporter.messages.clear();
  LoadedImage broken = game.loader->load("broken.img", true, true, 2.0);
  EXPECT_EQ(broken.image, nullptr);
  EXPECT_EQ(broken.scale, 1);
  ASSERT_EQ(game.reporter.messages.size(), 1U);
  EXPECT_EQ(game.reporter.messages[0], "broken.img" + util::toSjis(u8" を読み込めませんでした"));
  EXPECT_EQ(game.cache.size(), 0U);
}

TEST(ImageCacheBudget, FollowsTheAvailableMemory) {
  EXPECT_EQ(cacheBudgetFor(300 * kMiB), 108 * kMiB);
  EXPECT_EQ(cacheBudgetFor(512 * kMiB), 320 * kMiB);
  EXPECT_EQ(cacheBudgetFor(512 * kMiB + 1), 256 * kMiB);
  EXPECT_EQ(cacheBudgetFor(6 * 1024 * kMiB), 256 * kMiB);
  EXPECT_EQ(cacheBudgetFor(256 * kMiB), 64 * kMiB);
  EXPECT_EQ(cacheBudgetFor(256 * kMiB - 1), 0U);
  EXPECT_EQ(cacheBudgetFor(0), 0U);

  ImageSettings settings;
  settings.cacheMaxSize = 123456;
  EXPECT_EQ(ImageCache(settings).budget(), 123456U);
  settings.cacheMaxSize = -1;
  EXPECT_FALSE(ImageCache(settings).enabled());
}

TEST(ImageCacheBudget, ReadsMemAvailableFromMeminfo) {
  EXPECT_EQ(platform::memAvailableFromMeminfo("MemTotal:       16318412 kB\n"
                                              "MemFree:          512000 kB\n"
                                              "MemAvailable:    8123456 kB\n"
                                              "Buffers:          100000 kB\n"),
            8123456ULL * 1024);
  EXPECT_EQ(platform::memAvailableFromMeminfo("MemFree: 512000 kB\n"), std::nullopt);
  EXPECT_EQ(platform::memAvailableFromMeminfo("XMemAvailable: 5 kB\n"), std::nullopt);
  EXPECT_EQ(platform::memAvailableFromMeminfo("MemAvailable: kB\n"), std::nullopt);
  EXPECT_EQ(platform::memAvailableFromMeminfo("MemAvailable: 99999999999999999999 kB\n"),
            std::nullopt);
}

}  // namespace
}  // namespace tsuzuri::assets

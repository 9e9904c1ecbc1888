#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string_view>
#include <unordered_map>

#include "assets/file_access.h"
#include "assets/image_buffer.h"
#include "assets/image_codecs.h"
#include "assets/image_settings.h"
#include "util/reporter.h"

namespace tsuzuri::assets {

// The cache budget chosen from the available physical memory when the
// settings ask for automatic sizing (CacheAutoSize 1): 256 MiB above
// 512 MiB, nothing below 256 MiB, and the memory less 192 MiB in between
// (so exactly 512 MiB gives 320 MiB, more than a little above it).
std::uint64_t cacheBudgetFor(std::uint64_t availableBytes);

// Decoded images kept by the 64-bit hash of the file name they were read
// from (after the high-resolution lookup), so that sprites asking for the
// same background or face again are served without a file read and a
// decode. Every image counts as 4 bytes per pixel against a byte budget;
// the least recently used images go first when it would be exceeded. A
// budget of 0 turns the cache off.
//
// Not thread-safe, on purpose: one thread at a time uses it — the main
// thread while it loads images by name, or the look-ahead while a
// transition lets it run and the main thread only draws. The look-ahead's
// workers never call it: they decode into images of their own, and the
// look-ahead hands those over here (handOver) from its own thread.
class ImageCache {
 public:
  // Starts empty, with the budget CacheMaxSize of the settings (in bytes; a
  // negative value counts as 0).
  explicit ImageCache(const ImageSettings& settings);
  explicit ImageCache(std::uint64_t budgetBytes) : budget_(budgetBytes) {}
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // The key of a resolved file name: the hash the archives use.
  static std::uint64_t keyFor(std::string_view resolvedName);

  std::uint64_t budget() const { return budget_; }
  bool enabled() const { return budget_ != 0; }
  // Sets the budget and trims to it.
  void setBudget(std::uint64_t bytes);
  // Evicts the least recently used images until the total is within the budget.
  void trim();

  // The bytes counted for the cached images, and how many there are.
  std::uint64_t totalBytes() const { return total_; }
  std::size_t size() const { return entries_.size(); }
  bool contains(std::uint64_t key) const { return entries_.contains(key); }

  // Makes an entry the most recently used one; false when it is not cached.
  bool touch(std::uint64_t key);

  // A new copy of a cached image (pixels, name, left, top and mode), which
  // becomes the most recently used. Null when the key is not cached; when
  // the copy cannot be allocated, null with `allocationFailed` set.
  ImagePtr copyOf(std::uint64_t key, bool* allocationFailed = nullptr);

  // Keeps a copy of a freshly decoded image; the caller keeps the original.
  // The least recently used images are evicted to make room. Nothing happens
  // when the cache is off, when the image alone is larger than the budget
  // (it would only push everything else out) or when the copy cannot be
  // allocated. An image already cached under the key is replaced.
  void store(std::uint64_t key, const ImageBuffer& image);

  // Takes over an image that a look-ahead worker decoded for a resolved
  // name's key (see keyFor) and keeps it like store would keep a copy. The
  // image is dropped when the cache is off.
  void handOver(std::uint64_t key, ImagePtr image);

  // Drops every image.
  void clear();

 private:
  struct Entry {
    ImagePtr image;
    std::uint64_t bytes = 0;
    std::uint64_t lastUse = 0;
  };
  // The keys are CRC-64 values already, so they hash to themselves.
  struct KeyHash {
    std::size_t operator()(std::uint64_t key) const noexcept {
      return static_cast<std::size_t>(key);
    }
  };

  void insert(std::uint64_t key, ImagePtr image);
  void remove(std::unordered_map<std::uint64_t, Entry, KeyHash>::iterator entry);
  void evictOldest();
  void markUsed(Entry& entry, std::uint64_t key);

  std::uint64_t budget_ = 0;
  std::uint64_t total_ = 0;
  // Use numbers only grow; 64 bits never wrap within a run, so the index
  // stays in use order however long the engine runs.
  std::uint64_t useCounter_ = 0;
  std::unordered_map<std::uint64_t, Entry, KeyHash> entries_;
  // Last use number → key: the least recently used entry comes first.
  std::map<std::uint64_t, std::uint64_t> byUse_;
};

// Turns a whole image file in memory into an image, or null.
using ImageDecoder = std::function<ImagePtr(std::span<const std::uint8_t>)>;

// An image loaded by name, owned by the caller, and the scale of its pixels:
// 2 for a high-resolution variant, else 1. The scale is set also when the
// image could not be loaded.
struct LoadedImage {
  ImagePtr image;
  int scale = 1;
};

// The one way images are loaded by name (sprites, masks, transition rules,
// backlog pictures): high-resolution lookup, the cache, the file read into
// the shared file buffer and the decode. Main thread only, like the shared
// file buffer it reads into.
class ImageLoader {
 public:
  ImageLoader(FileAccess& files, ImageCache& cache, util::Reporter& reporter,
              ImageDecoder decode = loadImage);

  // `scaleFactor` is the display's render size over the game screen size;
  // the "z/" variant is tried only when `tryHighResolution` is set and it is
  // above 1. Failures are reported and give a null image.
  LoadedImage load(std::string_view name, bool useCache, bool tryHighResolution,
                   double scaleFactor);

 private:
  FileAccess& files_;
  ImageCache& cache_;
  util::Reporter& reporter_;
  ImageDecoder decode_;
};

}  // namespace tsuzuri::assets

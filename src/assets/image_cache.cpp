#include "assets/image_cache.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "util/crc.h"
#include "util/sjis.h"

namespace tsuzuri::assets {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::uint64_t countedBytes(const ImageBuffer& image) {
  return static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height) * 4;
}

ImagePtr copyImage(const ImageBuffer& source) {
  ImagePtr copy = makeImage(source.width, source.height, source.depth);
  if (!copy) return copy;
  std::memcpy(copy->pixels, source.pixels, static_cast<std::size_t>(countedBytes(source)));
  std::memcpy(copy->name, source.name, sizeof copy->name);
  copy->left = source.left;
  copy->top = source.top;
  copy->mode = source.mode;
  return copy;
}

}  // namespace

std::uint64_t cacheBudgetFor(std::uint64_t availableBytes) {
  if (availableBytes > 512 * kMiB) return 256 * kMiB;
  if (availableBytes < 256 * kMiB) return 0;
  return availableBytes - 192 * kMiB;
}

ImageCache::ImageCache(const ImageSettings& settings)
    : budget_(static_cast<std::uint64_t>(std::max(settings.cacheMaxSize, 0))) {}

std::uint64_t ImageCache::keyFor(std::string_view resolvedName) {
  // Names are C strings to the engine; the archives hash them up to a NUL too.
  return util::crc64_hash2(resolvedName.substr(0, resolvedName.find('\0')));
}

void ImageCache::setBudget(std::uint64_t bytes) {
  budget_ = bytes;
  trim();
}

void ImageCache::trim() {
  while (total_ > budget_ && !byUse_.empty()) evictOldest();
}

void ImageCache::markUsed(Entry& entry, std::uint64_t key) {
  byUse_.erase(entry.lastUse);
  entry.lastUse = ++useCounter_;
  byUse_.emplace(entry.lastUse, key);
}

bool ImageCache::touch(std::uint64_t key) {
  const auto found = entries_.find(key);
  if (found == entries_.end()) return false;
  markUsed(found->second, key);
  return true;
}

ImagePtr ImageCache::copyOf(std::uint64_t key, bool* allocationFailed) {
  if (allocationFailed != nullptr) *allocationFailed = false;
  const auto found = entries_.find(key);
  if (found == entries_.end()) return nullptr;
  ImagePtr copy = copyImage(*found->second.image);
  if (!copy) {
    if (allocationFailed != nullptr) *allocationFailed = true;
    return nullptr;
  }
  markUsed(found->second, key);
  return copy;
}

void ImageCache::store(std::uint64_t key, const ImageBuffer& image) {
  if (!enabled() || countedBytes(image) > budget_) return;
  if (ImagePtr copy = copyImage(image)) insert(key, std::move(copy));
}

void ImageCache::handOver(std::uint64_t key, ImagePtr image) {
  if (!image || !enabled() || countedBytes(*image) > budget_) return;
  insert(key, std::move(image));
}

void ImageCache::insert(std::uint64_t key, ImagePtr image) {
  // A second image for the same key (two look-ahead workers that resolved
  // to the same file) replaces the first, so the total never counts a file
  // twice.
  if (const auto old = entries_.find(key); old != entries_.end()) remove(old);
  const std::uint64_t bytes = countedBytes(*image);
  total_ += bytes;
  trim();
  Entry entry{std::move(image), bytes, ++useCounter_};
  byUse_.emplace(entry.lastUse, key);
  entries_.emplace(key, std::move(entry));
}

void ImageCache::remove(std::unordered_map<std::uint64_t, Entry, KeyHash>::iterator entry) {
  total_ -= entry->second.bytes;
  byUse_.erase(entry->second.lastUse);
  entries_.erase(entry);
}

void ImageCache::evictOldest() {
  remove(entries_.find(byUse_.begin()->second));
}

void ImageCache::clear() {
  entries_.clear();
  byUse_.clear();
  total_ = 0;
}

ImageLoader::ImageLoader(FileAccess& files, ImageCache& cache, util::Reporter& reporter,
                         ImageDecoder decode)
    : files_(files), cache_(cache), reporter_(reporter), decode_(std::move(decode)) {}

LoadedImage ImageLoader::load(std::string_view name, bool useCache, bool tryHighResolution,
                              double scaleFactor) {
  ResolvedName resolved = tryHighResolution ? files_.resolveHighResolution(name, scaleFactor)
                                            : ResolvedName{std::string(name), 1};
  LoadedImage result{nullptr, resolved.scale};
  const std::uint64_t key = ImageCache::keyFor(resolved.name);
  const bool caching = useCache && cache_.enabled();

  if (caching && cache_.contains(key)) {
    bool allocationFailed = false;
    result.image = cache_.copyOf(key, &allocationFailed);
    if (allocationFailed) {
      reporter_.report(resolved.name + util::toSjis(u8" をキャッシュから読み込めませんでした"));
    }
    return result;
  }

  void** buffer = nullptr;
  files_.getFileMemory(&buffer, nullptr);
  std::uint32_t size = 0;
  if (files_.loadFile(resolved.name, buffer, &size, nullptr)) {
    result.image = decode_({static_cast<const std::uint8_t*>(*buffer), size});
  }
  if (!result.image) {
    reporter_.report(resolved.name + util::toSjis(u8" を読み込めませんでした"));
    return result;
  }
  if (caching) cache_.store(key, *result.image);
  return result;
}

}  // namespace tsuzuri::assets

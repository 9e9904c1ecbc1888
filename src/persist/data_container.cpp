#include "persist/data_container.h"

#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <new>

#include "platform/files.h"
#include "util/sjis.h"

namespace tsuzuri::persist {

namespace {

// Files outside 1 byte - 1 MiB are not containers of this engine.
constexpr std::uint64_t kMaxFileSize = 1048576;
constexpr std::size_t kLengthSize = 4;
// No deflate stream inflates to more than about 1032 times its size, so a
// stored length beyond that cannot be true and is never allocated.
constexpr std::uint64_t kMaxInflateRatio = 1032;
// Nor is a text beyond this: the engine's own files stay far below it, and
// a damaged length must not take the machine's memory.
constexpr std::uint64_t kMaxTextSize = 64U << 20U;

void reportAfterName(util::Reporter& reporter, std::string_view name, std::u8string_view text) {
  reporter.report(std::string(name) + util::toSjis(text));
}

void reportSystemError(util::Reporter& reporter, std::string_view operation, std::string_view name,
                       int error) {
  reporter.report(std::string(operation) + "\n" + std::string(name) + " " +
                  platform::systemErrorText(error));
}

void appendLe32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

std::uint32_t readLe32(std::string_view bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < kLengthSize; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  }
  return value;
}

enum class Packed { kDone, kNoMemory, kFailed };

// The container bytes of `text`: its length and its zlib stream at level 9.
Packed pack(std::string_view text, std::string& out) {
  if (text.size() > std::numeric_limits<std::uint32_t>::max()) return Packed::kFailed;
  const auto length = static_cast<uLong>(text.size());
  uLongf packedLength = compressBound(length);
  try {
    out.clear();
    appendLe32(out, static_cast<std::uint32_t>(length));
    out.resize(kLengthSize + packedLength);
  } catch (const std::bad_alloc&) {
    return Packed::kNoMemory;
  }
  auto* target = reinterpret_cast<Bytef*>(out.data() + kLengthSize);
  const auto* source = reinterpret_cast<const Bytef*>(text.data());
  const int result = compress2(target, &packedLength, source, length, Z_BEST_COMPRESSION);
  if (result == Z_MEM_ERROR) return Packed::kNoMemory;
  if (result != Z_OK) return Packed::kFailed;
  out.resize(kLengthSize + packedLength);
  return Packed::kDone;
}

enum class Unpacked { kDone, kNoMemory, kFailed };

// Inflates a container's bytes; the stream must give exactly the stored
// length, as a shorter or longer text means a damaged file.
Unpacked unpack(std::string_view file, std::string& out) {
  const std::uint32_t length = readLe32(file);
  const std::string_view stream = file.substr(kLengthSize);
  if (length > stream.size() * kMaxInflateRatio || length > kMaxTextSize) return Unpacked::kFailed;
  try {
    out.resize(length);
  } catch (const std::bad_alloc&) {
    return Unpacked::kNoMemory;
  }
  // zlib wants a writable pointer even for an empty output.
  Bytef dummy = 0;
  Bytef* target = out.empty() ? &dummy : reinterpret_cast<Bytef*>(out.data());
  auto inflated = static_cast<uLongf>(length);
  const int result = uncompress(target, &inflated, reinterpret_cast<const Bytef*>(stream.data()),
                                static_cast<uLong>(stream.size()));
  if (result == Z_MEM_ERROR) return Unpacked::kNoMemory;
  if (result != Z_OK || inflated != length) return Unpacked::kFailed;
  return Unpacked::kDone;
}

}  // namespace

bool saveDataZlib(const std::string& nativePath, std::string_view name, std::string_view text,
                  bool compress, util::Reporter& reporter) {
  std::string packed;
  if (compress) {
    switch (pack(text, packed)) {
      case Packed::kDone:
        break;
      case Packed::kNoMemory:
        reportAfterName(reporter, name, u8" のメモリを確保出来ませんでした");
        return false;
      case Packed::kFailed:
        reportAfterName(reporter, name, u8" の保存に失敗しました");
        return false;
    }
  }
  const std::string_view bytes = compress ? std::string_view(packed) : text;
  // A file the reader would refuse is not written: the old one stays
  // readable instead.
  if (bytes.size() > kMaxFileSize) {
    reportAfterName(reporter, name, u8" の保存に失敗しました");
    return false;
  }
  platform::AtomicFile file(nativePath);
  if (!file.ok()) {
    reportSystemError(reporter, "saveDataZlib", name, errno);
    return false;
  }
  if (!file.write(bytes) || !file.commit()) {
    reportSystemError(reporter, "saveDataZlib", name, errno);
    return false;
  }
  return true;
}

std::optional<std::string> loadDataZlib(const std::string& nativePath, std::string_view name,
                                        bool compress, util::Reporter& reporter) {
  const platform::FileHandle handle = platform::openForReading(nativePath);
  if (!handle) {
    reportSystemError(reporter, "loadDataZlib", name, errno);
    return std::nullopt;
  }
  const std::optional<std::uint64_t> size = platform::fileLength(handle.get());
  // A compressed file must at least hold its length.
  const std::uint64_t minimum = compress ? kLengthSize : 1;
  if (!size || *size < minimum || *size > kMaxFileSize) {
    reportAfterName(reporter, name, u8" は不正なファイルです");
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(*size), '\0');
  if (std::fread(bytes.data(), 1, bytes.size(), handle.get()) != bytes.size()) {
    reportAfterName(reporter, name, u8" の読み込みに失敗しました");
    return std::nullopt;
  }
  if (!compress) return bytes;
  std::string text;
  switch (unpack(bytes, text)) {
    case Unpacked::kDone:
      return text;
    case Unpacked::kNoMemory:
      reportAfterName(reporter, name, u8" のメモリを確保出来ませんでした");
      return std::nullopt;
    case Unpacked::kFailed:
      break;
  }
  reportAfterName(reporter, name, u8" の読み込みに失敗しました");
  return std::nullopt;
}

}  // namespace tsuzuri::persist

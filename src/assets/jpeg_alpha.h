#pragma once

// The engine's alpha extension of JPEG files. An APP2 segment starting with
// "ALP", a type byte T and a little-endian 32-bit value V either carries the
// alpha data itself (T 0x00–0x03: V bytes, spread over that segment and the
// APP2 segments after it) or gives the file offset of alpha data appended
// after the image (T 0x11–0x13: from V to the end of the file). The data is
// the plane itself (raw), a grayscale JPEG, zlib data or a grayscale PNG.
// This file holds the segment layout and the codings that are not JPEG.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tsuzuri::assets {

enum class AlphaCoding { kRaw, kJpeg, kZlib, kPng };

// The type bytes the writer stores in the APP2 segment.
inline constexpr std::uint8_t kAlphaTypeAppendedJpeg = 0x11;
inline constexpr std::uint8_t kAlphaTypeAppendedZlib = 0x12;
inline constexpr std::uint8_t kAlphaTypeAppendedPng = 0x13;

struct AlphaPayload {
  AlphaCoding coding = AlphaCoding::kRaw;
  std::span<const std::uint8_t> appended;  // into the file, for the offset types
  std::vector<std::uint8_t> gathered;      // copied out of the segments otherwise

  std::span<const std::uint8_t> bytes() const {
    return gathered.empty() ? appended : std::span<const std::uint8_t>(gathered);
  }
};

// The alpha data named by the first APP2 segment of a JPEG file, or nullopt
// when that segment is not "ALP" with a known type, when the data it
// announces is not all there, or when there is no APP2 before the end of the
// image. Segment lengths are checked against the file.
std::optional<AlphaPayload> findAlphaPayload(std::span<const std::uint8_t> file);

// Inflates zlib data into `plane`; false unless the stream is intact and
// inflates to exactly plane.size() bytes.
bool inflatePlane(std::span<const std::uint8_t> source, std::span<std::uint8_t> plane);

// Decodes a PNG of exactly width × height pixels into one byte per pixel
// (colour is reduced to gray, alpha and tRNS are dropped); false on any
// libpng error or another size.
bool readGrayPng(std::span<const std::uint8_t> source, std::uint32_t width, std::uint32_t height,
                 std::span<std::uint8_t> plane);

enum class CodecStatus { kOk, kOutOfMemory, kFailed };

// zlib data of the plane at level 9.
CodecStatus deflatePlane(std::span<const std::uint8_t> plane, std::vector<std::uint8_t>& out);

// An 8-bit grayscale PNG of the plane (width × height bytes) at compression
// level 9, not interlaced, without text chunks.
CodecStatus writeGrayPng(std::span<const std::uint8_t> plane, std::uint32_t width,
                         std::uint32_t height, std::vector<std::uint8_t>& out);

// A growing output buffer for the C libraries' write callbacks, which must
// not throw: allocation failure is recorded instead and the callback reports
// it through the library's error path.
class ByteSink {
 public:
  ByteSink() = default;
  ByteSink(const ByteSink&) = delete;
  ByteSink& operator=(const ByteSink&) = delete;
  ~ByteSink();

  // Makes room for at least `extra` more bytes after size(); false (and
  // outOfMemory() true) when memory is short.
  bool reserveMore(std::size_t extra) noexcept;
  bool append(const std::uint8_t* bytes, std::size_t count) noexcept;

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  void setSize(std::size_t size) { size_ = size; }
  bool outOfMemory() const { return outOfMemory_; }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  bool outOfMemory_ = false;
};

}  // namespace tsuzuri::assets

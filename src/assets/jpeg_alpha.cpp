#include "assets/jpeg_alpha.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tsuzuri::assets {

namespace {

std::size_t readBe16(const std::uint8_t* p) {
  return static_cast<std::size_t>(p[0]) << 8 | static_cast<std::size_t>(p[1]);
}

std::uint32_t readLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr std::uint8_t kMarkerApp2 = 0xE2;
constexpr std::uint8_t kMarkerEoi = 0xD9;
constexpr std::size_t kAlpHeaderSize = 8;  // "ALP", the type byte, the 32-bit value

// Markers without a length field: byte stuffing inside entropy-coded data,
// TEM, RST0–RST7 and SOI.
bool isStandaloneMarker(std::uint8_t marker) {
  return marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// Collects `total` bytes: those after the ALP header of the segment at
// `segment`, then the data of the APP2 segments that follow it directly.
bool gatherSegments(std::span<const std::uint8_t> file, std::size_t segment, std::size_t length,
                    std::size_t total, std::vector<std::uint8_t>& out) {
  // A file never carries more alpha bytes than it has; this bounds the
  // allocation before a lying value is believed.
  if (total > file.size()) return false;
  out.reserve(total);
  const std::size_t first = std::min(total, length - 2 - kAlpHeaderSize);
  const std::uint8_t* data = file.data() + segment + 4 + kAlpHeaderSize;
  out.insert(out.end(), data, data + first);
  std::size_t next = segment + 2 + length;
  while (out.size() < total) {
    if (file.size() - next < 4 || file[next] != 0xFF || file[next + 1] != kMarkerApp2) return false;
    const std::size_t size = readBe16(&file[next + 2]);
    if (size < 2 || size > file.size() - next - 2) return false;
    const std::size_t take = std::min(total - out.size(), size - 2);
    out.insert(out.end(), file.data() + next + 4, file.data() + next + 4 + take);
    next += 2 + size;
  }
  return true;
}

std::optional<AlphaPayload> payloadFromSegment(std::span<const std::uint8_t> file,
                                               std::size_t segment, std::size_t length) {
  if (length > file.size() - segment - 2) return std::nullopt;
  const std::uint8_t* data = file.data() + segment + 4;
  if (length - 2 < kAlpHeaderSize || std::memcmp(data, "ALP", 3) != 0) return std::nullopt;
  const std::uint8_t type = data[3];
  const std::uint32_t value = readLe32(data + 4);
  const bool appended = type >= 0x11 && type <= 0x13;
  if (!appended && type > 0x03) return std::nullopt;
  constexpr AlphaCoding kCodings[] = {AlphaCoding::kRaw, AlphaCoding::kJpeg, AlphaCoding::kZlib,
                                      AlphaCoding::kPng};
  AlphaPayload payload;
  payload.coding = kCodings[type & 0x03];
  if (appended) {
    if (value > file.size()) return std::nullopt;
    payload.appended = file.subspan(value);
  } else if (!gatherSegments(file, segment, length, value, payload.gathered)) {
    return std::nullopt;
  }
  return payload;
}

// libpng reports errors through this context, which jumps back to the
// setjmp of the function that drives libpng; no C++ object with a
// destructor lives between the two.
struct PngContext {
  std::jmp_buf jump;
};

[[noreturn]] void pngError(png_structp png, png_const_charp /*message*/) {
  std::longjmp(static_cast<PngContext*>(png_get_error_ptr(png))->jump, 1);
}

void pngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

struct PngSource {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t offset;
};

void pngRead(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->size - source->offset) png_error(png, "truncated");
  std::memcpy(out, source->data + source->offset, count);
  source->offset += count;
}

void pngWrite(png_structp png, png_bytep data, png_size_t count) {
  if (!static_cast<ByteSink*>(png_get_io_ptr(png))->append(data, count)) {
    png_error(png, "out of memory");
  }
}

void pngFlush(png_structp /*png*/) {}

struct PngReadObjects {
  PngContext context;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngReadObjects() {
    if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  }
};

struct PngWriteObjects {
  PngContext context;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriteObjects() {
    if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  }
};

bool decodeGrayPng(PngReadObjects& objects, PngSource& source, std::uint32_t width,
                   std::uint32_t height, std::uint8_t* plane) {
  if (setjmp(objects.context.jump) != 0) return false;
  png_structp png = objects.png;
  png_infop info = objects.info;
  png_set_read_fn(png, &source, pngRead);
  png_read_info(png, info);
  if (png_get_image_width(png, info) != width || png_get_image_height(png, info) != height) {
    return false;
  }
  const int colourType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  if (bitDepth == 16) png_set_strip_16(png);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if ((colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
    png_set_strip_alpha(png);
  }
  if ((colourType & PNG_COLOR_MASK_COLOR) != 0) {
    png_set_rgb_to_gray_fixed(png, PNG_ERROR_ACTION_NONE, -1, -1);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != width) return false;
  for (int pass = 0; pass < passes; ++pass) {
    for (std::uint32_t y = 0; y < height; ++y) {
      png_read_row(png, plane + static_cast<std::size_t>(y) * width, nullptr);
    }
  }
  return true;
}

bool encodeGrayPng(PngWriteObjects& objects, ByteSink& sink, const std::uint8_t* plane,
                   std::uint32_t width, std::uint32_t height) {
  if (setjmp(objects.context.jump) != 0) return false;
  png_structp png = objects.png;
  png_infop info = objects.info;
  png_set_write_fn(png, &sink, pngWrite, pngFlush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (std::uint32_t y = 0; y < height; ++y) {
    png_write_row(png, plane + static_cast<std::size_t>(y) * width);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::optional<AlphaPayload> findAlphaPayload(std::span<const std::uint8_t> file) {
  const std::size_t size = file.size();
  std::size_t at = 2;
  while (at + 1 < size) {
    if (file[at] != 0xFF) {
      ++at;
      continue;
    }
    const std::uint8_t marker = file[at + 1];
    if (marker == 0xFF) {  // a fill byte before the marker
      ++at;
      continue;
    }
    if (isStandaloneMarker(marker)) {
      at += 2;
      continue;
    }
    if (marker == kMarkerEoi || size - at < 4) return std::nullopt;
    const std::size_t length = readBe16(&file[at + 2]);
    if (length < 2) return std::nullopt;
    if (marker == kMarkerApp2) return payloadFromSegment(file, at, length);
    at += 2 + length;
  }
  return std::nullopt;
}

bool inflatePlane(std::span<const std::uint8_t> source, std::span<std::uint8_t> plane) {
  constexpr std::size_t kChunk = std::size_t{1} << 30;
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  std::size_t inputLeft = source.size();
  std::size_t outputLeft = plane.size();
  // One spare byte beyond the plane tells a stream that inflates to more
  // than the plane from one that ends exactly there.
  std::uint8_t spare = 0;
  bool usingSpare = false;
  stream.next_in = const_cast<Bytef*>(source.data());
  stream.next_out = plane.data();
  int rc = Z_OK;
  for (;;) {
    if (stream.avail_in == 0 && inputLeft > 0) {
      stream.avail_in = static_cast<uInt>(std::min(inputLeft, kChunk));
      inputLeft -= stream.avail_in;
    }
    if (stream.avail_out == 0) {
      if (outputLeft > 0) {
        stream.avail_out = static_cast<uInt>(std::min(outputLeft, kChunk));
        outputLeft -= stream.avail_out;
      } else if (!usingSpare) {
        usingSpare = true;
        stream.next_out = &spare;
        stream.avail_out = 1;
      } else {
        break;
      }
    }
    rc = inflate(&stream, Z_NO_FLUSH);
    if (rc != Z_OK) break;
  }
  const bool exact = rc == Z_STREAM_END && stream.total_out == plane.size();
  inflateEnd(&stream);
  return exact;
}

bool readGrayPng(std::span<const std::uint8_t> source, std::uint32_t width, std::uint32_t height,
                 std::span<std::uint8_t> plane) {
  if (plane.size() != static_cast<std::size_t>(width) * height) return false;
  PngReadObjects objects;
  objects.png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &objects.context, pngError, pngWarning);
  if (objects.png == nullptr) return false;
  objects.info = png_create_info_struct(objects.png);
  if (objects.info == nullptr) return false;
  PngSource input{source.data(), source.size(), 0};
  return decodeGrayPng(objects, input, width, height, plane.data());
}

CodecStatus deflatePlane(std::span<const std::uint8_t> plane, std::vector<std::uint8_t>& out) {
  if (plane.size() > std::numeric_limits<uLong>::max() / 2) return CodecStatus::kFailed;
  uLongf size = compressBound(static_cast<uLong>(plane.size()));
  out.resize(size);
  const int rc = compress2(out.data(), &size, plane.data(), static_cast<uLong>(plane.size()), 9);
  if (rc != Z_OK) return rc == Z_MEM_ERROR ? CodecStatus::kOutOfMemory : CodecStatus::kFailed;
  out.resize(size);
  return CodecStatus::kOk;
}

CodecStatus writeGrayPng(std::span<const std::uint8_t> plane, std::uint32_t width,
                         std::uint32_t height, std::vector<std::uint8_t>& out) {
  if (plane.size() != static_cast<std::size_t>(width) * height) return CodecStatus::kFailed;
  PngWriteObjects objects;
  objects.png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &objects.context, pngError, pngWarning);
  if (objects.png == nullptr) return CodecStatus::kOutOfMemory;
  objects.info = png_create_info_struct(objects.png);
  if (objects.info == nullptr) return CodecStatus::kOutOfMemory;
  ByteSink sink;
  if (!encodeGrayPng(objects, sink, plane.data(), width, height)) {
    return sink.outOfMemory() ? CodecStatus::kOutOfMemory : CodecStatus::kFailed;
  }
  out.assign(sink.data(), sink.data() + sink.size());
  return CodecStatus::kOk;
}

ByteSink::~ByteSink() {
  std::free(data_);
}

bool ByteSink::reserveMore(std::size_t extra) noexcept {
  if (extra <= capacity_ - size_) return true;
  constexpr std::size_t kLimit = std::numeric_limits<std::size_t>::max() / 2;
  if (extra > kLimit - size_) {
    outOfMemory_ = true;
    return false;
  }
  const std::size_t wanted = std::max({size_ + extra, capacity_ * 2, std::size_t{65536}});
  void* grown = std::realloc(data_, wanted);
  if (grown == nullptr) {
    outOfMemory_ = true;
    return false;
  }
  data_ = static_cast<std::uint8_t*>(grown);
  capacity_ = wanted;
  return true;
}

bool ByteSink::append(const std::uint8_t* bytes, std::size_t count) noexcept {
  if (count == 0) return true;
  if (!reserveMore(count)) return false;
  std::memcpy(data_ + size_, bytes, count);
  size_ += count;
  return true;
}

}  // namespace tsuzuri::assets

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "assets/image_codecs.h"
#include "util/number_text.h"
#include "util/sjis.h"

// libpng reports errors by longjmp. Each function below that calls setjmp
// keeps its state in a plain struct owned by its caller, and no object with
// a destructor lives in a frame that a longjmp can leave.

namespace tsuzuri::assets {

namespace {

constexpr std::uint32_t kMaxDeflateRatio = 1032;

[[noreturn]] void failQuietly(png_structp png, png_const_charp /*message*/) {
  png_longjmp(png, 1);
}

void ignoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

std::uint32_t be32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

// ---- Reading ----

struct ReadState {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t position = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_infop endInfo = nullptr;
  ImageBuffer* image = nullptr;
};

void readFromMemory(png_structp png, png_bytep out, std::size_t length) {
  auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
  if (length > state->size - state->position) png_error(png, "unexpected end of data");
  std::memcpy(out, state->data + state->position, length);
  state->position += length;
}

// Decodes the whole file into state->image, whose size came from the IHDR
// chunk; false on any libpng error.
bool readRows(ReadState* state) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_structp png = state->png;
  png_infop info = state->info;
  ImageBuffer& image = *state->image;
  png_set_read_fn(png, state, readFromMemory);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_read_info(png, info);
  if (png_get_image_width(png, info) != static_cast<png_uint_32>(image.width) ||
      png_get_image_height(png, info) != static_cast<png_uint_32>(image.height)) {
    png_error(png, "size differs from IHDR");
  }

  const png_byte colorType = png_get_color_type(png, info);
  const png_byte bitDepth = png_get_bit_depth(png, info);
  const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  const bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  if (bitDepth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_packing(png);
  }
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if (hasTrns) png_set_tRNS_to_alpha(png);
  if (!hasAlpha && !hasTrns) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  // Whatever the file says, each row must fill exactly one row of pixels.
  if (png_get_rowbytes(png, info) != static_cast<std::size_t>(image.width) * 4) {
    png_error(png, "unexpected row layout");
  }
  image.depth = hasAlpha || hasTrns ? 32 : 24;

  for (int pass = 0; pass < passes; ++pass) {
    for (std::int32_t y = 0; y < image.height; ++y) {
      png_read_row(png, pixelAt(image, 0, y), nullptr);
    }
  }
  png_read_end(png, state->endInfo);
  return true;
}

// Layer attributes from the text chunks of `info`.
void applyText(png_structp png, png_infop info, ImageBuffer& image) {
  png_textp texts = nullptr;
  int count = 0;
  png_get_text(png, info, &texts, &count);
  for (int i = 0; i < count; ++i) {
    const png_text& text = texts[i];
    if (text.key == nullptr || text.text == nullptr) continue;
    if (std::strcmp(text.key, "Name") == 0) {
      const std::size_t length = std::min(std::strlen(text.text), sizeof image.name - 1);
      std::memcpy(image.name, text.text, length);
      image.name[length] = '\0';
    } else if (std::strcmp(text.key, "Left") == 0) {
      image.left = static_cast<std::int32_t>(util::atoi16(text.text));
    } else if (std::strcmp(text.key, "Top") == 0) {
      image.top = static_cast<std::int32_t>(util::atoi16(text.text));
    } else if (std::strcmp(text.key, "Mode") == 0) {
      image.mode = static_cast<std::uint32_t>(util::atoi10(text.text));
    }
  }
}

// ---- Writing ----

struct WriteState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ImageBuffer* image = nullptr;
  int colorType = PNG_COLOR_TYPE_RGB;
  int level = 0;
  bool interlace = false;
  png_textp texts = nullptr;
  int textCount = 0;
  std::uint8_t* row = nullptr;  // width × 3 bytes, for the gray and RGB rows
  std::vector<std::uint8_t>* out = nullptr;
  bool outOfMemory = false;
};

png_voidp allocate(png_structp png, png_alloc_size_t size) {
  void* block = std::malloc(size);
  if (block == nullptr) static_cast<WriteState*>(png_get_mem_ptr(png))->outOfMemory = true;
  return block;
}

void release(png_structp /*png*/, png_voidp block) {
  std::free(block);
}

void writeToMemory(png_structp png, png_bytep data, std::size_t length) {
  auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
  try {
    state->out->insert(state->out->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    state->outOfMemory = true;
  }
  if (state->outOfMemory) png_error(png, "out of memory");
}

void flushNothing(png_structp /*png*/) {}

// The bytes of row `y` as the colour type wants them (blue first).
png_const_bytep rowFor(const WriteState& state, std::int32_t y) {
  const std::uint8_t* src = pixelAt(*state.image, 0, y);
  if (state.colorType == PNG_COLOR_TYPE_RGB_ALPHA) return src;
  const auto width = static_cast<std::size_t>(state.image->width);
  std::uint8_t* dst = state.row;
  for (std::size_t x = 0; x < width; ++x, src += 4) {
    if (state.colorType == PNG_COLOR_TYPE_GRAY) {
      *dst++ = luminance(src[2], src[1], src[0]);
    } else {
      std::memcpy(dst, src, 3);
      dst += 3;
    }
  }
  return state.row;
}

bool writeRows(WriteState* state) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_structp png = state->png;
  png_infop info = state->info;
  const ImageBuffer& image = *state->image;
  png_set_write_fn(png, state, writeToMemory, flushNothing);
  png_set_compression_level(png, state->level);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, state->colorType,
               state->interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (state->textCount > 0) png_set_text(png, info, state->texts, state->textCount);
  png_write_info(png, info);
  if (state->colorType != PNG_COLOR_TYPE_GRAY) png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass) {
    for (std::int32_t y = 0; y < image.height; ++y) png_write_row(png, rowFor(*state, y));
  }
  png_write_end(png, nullptr);
  return true;
}

std::string outOfMemoryMessage() {
  return util::toSjis(u8"PNG: メモリを確保出来ませんでした");
}

}  // namespace

ImagePtr decodePng(std::span<const std::uint8_t> data) {
  // The IHDR chunk must come first; it sizes the record before decoding.
  if (data.size() < 26 || std::memcmp(data.data() + 12, "IHDR", 4) != 0) return nullptr;
  const std::uint32_t width = be32(data.data() + 16);
  const std::uint32_t height = be32(data.data() + 20);
  if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide) return nullptr;
  std::int32_t depth = 0;
  std::uint32_t channels = 0;
  switch (data[25]) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
      depth = 8;
      channels = 1;
      break;
    case PNG_COLOR_TYPE_RGB:
      depth = 24;
      channels = 3;
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      depth = 32;
      channels = 2;
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      depth = 32;
      channels = 4;
      break;
    default:
      return nullptr;  // libpng refuses these too
  }
  // A deflate stream inflates to at most 1032 times its size, so a file too
  // small to hold the samples it declares is refused before gigabytes of
  // pixels are allocated.
  const std::uint64_t sampleBytes =
      std::uint64_t{width} * height * channels * std::uint64_t{data[24]} / 8;
  if (sampleBytes > std::uint64_t{kMaxDeflateRatio} * data.size()) return nullptr;
  ImagePtr image =
      makeImage(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), depth);
  if (!image) return nullptr;

  ReadState state;
  state.data = data.data();
  state.size = data.size();
  state.image = image.get();
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
  if (state.png == nullptr) return nullptr;
  state.info = png_create_info_struct(state.png);
  state.endInfo = png_create_info_struct(state.png);
  const bool decoded = state.info != nullptr && state.endInfo != nullptr && readRows(&state);
  if (decoded) {
    // Tags normally follow the image; ones before it count as well, the
    // later ones winning.
    applyText(state.png, state.info, *image);
    applyText(state.png, state.endInfo, *image);
  }
  png_destroy_read_struct(&state.png, &state.info, &state.endInfo);
  if (!decoded) return nullptr;
  return image;
}

EncodedImage encodePng(ImageBuffer& image, std::int32_t depth, std::int32_t level,
                       std::int32_t option) {
  EncodedImage result;
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return result;

  WriteState state;
  state.image = &image;
  state.colorType = depth <= 8    ? PNG_COLOR_TYPE_GRAY
                    : depth <= 24 ? PNG_COLOR_TYPE_RGB
                                  : PNG_COLOR_TYPE_RGB_ALPHA;
  state.level = level;
  state.interlace = option != 0;
  state.out = &result.bytes;

  // The layer attributes, as layered-image tools read them back.
  char nameKey[] = "Name";
  char leftKey[] = "Left";
  char topKey[] = "Top";
  char modeKey[] = "Mode";
  char name[sizeof image.name + 1] = {};
  char left[util::kIntegerTextSize];
  char top[util::kIntegerTextSize];
  char mode[util::kIntegerTextSize];
  png_text texts[4] = {};
  if (image.name[0] != '\0' || image.mode != 0) {
    renameExtension(image, "png");
    std::memcpy(name, image.name, sizeof image.name);
    util::itoa16(image.left, left);
    util::itoa16(image.top, top);
    util::itoa10(static_cast<std::int32_t>(image.mode), mode);
    char* const keys[] = {nameKey, leftKey, topKey, modeKey};
    char* const values[] = {name, left, top, mode};
    for (int i = 0; i < 4; ++i) {
      texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
      texts[i].key = keys[i];
      texts[i].text = values[i];
      texts[i].text_length = std::strlen(values[i]);
    }
    state.texts = texts;
    state.textCount = 4;
  }

  std::vector<std::uint8_t> row;
  try {
    if (state.colorType != PNG_COLOR_TYPE_RGB_ALPHA) {
      row.resize(static_cast<std::size_t>(image.width) * 3);
    }
  } catch (const std::bad_alloc&) {
    result.message = outOfMemoryMessage();
    return result;
  }
  state.row = row.data();

  state.png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning,
                                        &state, allocate, release);
  if (state.png != nullptr) state.info = png_create_info_struct(state.png);
  const bool written = state.info != nullptr && writeRows(&state);
  png_destroy_write_struct(&state.png, &state.info);
  if (!written) {
    result.bytes.clear();
    if (state.outOfMemory) result.message = outOfMemoryMessage();
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace tsuzuri::assets

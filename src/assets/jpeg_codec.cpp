// JPEG reading and writing through libjpeg, with the layer attributes in an
// APP1 "pos" segment and the alpha extension of jpeg_alpha.h.
//
// libjpeg reports errors by calling error_exit, which here jumps back to the
// setjmp of the function that drove the library. Those functions hold no C++
// object with a destructor; everything that needs one (the library objects,
// buffers, the image) lives in their callers.

#include <cstddef>
#include <cstdio>  // jpeglib.h uses FILE without including it

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "assets/image_codecs.h"
#include "assets/jpeg_alpha.h"
#include "util/sjis.h"

namespace tsuzuri::assets {

namespace {

// A progressive file may hold any number of scans, and each one makes the
// decoder pass over the whole image again; real files have about ten.
constexpr int kMaxScans = 500;

// Data bytes of the APP1 segment with the layer attributes: "pos" and a NUL,
// left, top and mode, then the name from offset 16.
constexpr std::size_t kLayerSegmentSize = 256;
constexpr std::size_t kLayerNameOffset = 16;

std::uint32_t readLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void writeLe32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct JpegError {
  jpeg_error_mgr manager;  // first: libjpeg hands back its address
  std::jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void jpegSilence(j_common_ptr /*cinfo*/) {}

void installErrorManager(JpegError& error) {
  jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegErrorExit;
  error.manager.output_message = jpegSilence;
}

void limitScans(j_common_ptr cinfo) {
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    cinfo->err->msg_code = JERR_NOTIMPL;
    cinfo->err->error_exit(cinfo);
  }
}

// ---- Reading ----

struct JpegReader {
  jpeg_decompress_struct cinfo{};
  JpegError error{};
  jpeg_progress_mgr progress{};
  bool created = false;

  JpegReader() {
    installErrorManager(error);
    cinfo.err = &error.manager;
    progress.progress_monitor = limitScans;
  }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;
  ~JpegReader() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

bool readHeader(JpegReader& reader, std::span<const std::uint8_t> data, bool saveMarkers) {
  if (setjmp(reader.error.jump) != 0) return false;
  jpeg_CreateDecompress(&reader.cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
  reader.created = true;
  reader.cinfo.progress = &reader.progress;
  jpeg_mem_src(&reader.cinfo, data.data(), static_cast<unsigned long>(data.size()));
  if (saveMarkers) {
    for (int marker = JPEG_APP0 + 1; marker <= JPEG_APP0 + 11; ++marker) {
      jpeg_save_markers(&reader.cinfo, marker, 0xFFFF);
    }
  }
  return jpeg_read_header(&reader.cinfo, TRUE) == JPEG_HEADER_OK;
}

// Decodes the image into rows of `stride` bytes at `out`, which has room
// for image_height of them.
bool readPixels(JpegReader& reader, J_COLOR_SPACE space, int components, std::uint8_t* out,
                std::size_t stride) {
  if (setjmp(reader.error.jump) != 0) return false;
  jpeg_decompress_struct& cinfo = reader.cinfo;
  cinfo.out_color_space = space;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != components || cinfo.output_width != cinfo.image_width ||
      cinfo.output_height != cinfo.image_height) {
    return false;
  }
  std::array<JSAMPROW, 16> rows{};
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION first = cinfo.output_scanline;
    const JDIMENSION count = std::min<JDIMENSION>(rows.size(), cinfo.output_height - first);
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = out + (first + i) * stride;
    if (jpeg_read_scanlines(&cinfo, rows.data(), count) == 0) return false;
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

// The layer attributes of the first saved APP marker when it is "pos".
void readLayerAttributes(const jpeg_saved_marker_ptr first, ImageBuffer& image) {
  if (first == nullptr || first->marker != JPEG_APP0 + 1) return;
  const JOCTET* data = first->data;
  const std::size_t size = first->data_length;
  if (size < kLayerNameOffset || std::memcmp(data, "pos", 4) != 0) return;
  image.left = static_cast<std::int32_t>(readLe32(data + 4));
  image.top = static_cast<std::int32_t>(readLe32(data + 8));
  image.mode = readLe32(data + 12);
  const JOCTET* name = data + kLayerNameOffset;
  const std::size_t room = std::min(size - kLayerNameOffset, sizeof image.name - 1);
  const void* end = std::memchr(name, 0, room);
  const std::size_t length =
      end == nullptr ? room : static_cast<std::size_t>(static_cast<const JOCTET*>(end) - name);
  std::memcpy(image.name, name, length);
  image.name[length] = '\0';
}

bool readGrayJpeg(std::span<const std::uint8_t> data, std::uint32_t width, std::uint32_t height,
                  std::vector<std::uint8_t>& plane) {
  JpegReader reader;
  if (!readHeader(reader, data, false)) return false;
  if (reader.cinfo.image_width != width || reader.cinfo.image_height != height) return false;
  return readPixels(reader, JCS_GRAYSCALE, 1, plane.data(), width);
}

// The alpha plane the file carries (width × height bytes), or nothing.
std::vector<std::uint8_t> readAlphaPlane(std::span<const std::uint8_t> file, std::uint32_t width,
                                         std::uint32_t height) {
  const std::optional<AlphaPayload> payload = findAlphaPayload(file);
  if (!payload) return {};
  const std::span<const std::uint8_t> bytes = payload->bytes();
  const std::size_t size = static_cast<std::size_t>(width) * height;
  if (payload->coding == AlphaCoding::kRaw) {
    // Extra bytes after the plane are ignored; a short plane is no plane.
    if (bytes.size() < size) return {};
    return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(size));
  }
  std::vector<std::uint8_t> plane(size);
  bool ok = false;
  switch (payload->coding) {
    case AlphaCoding::kJpeg:
      ok = readGrayJpeg(bytes, width, height, plane);
      break;
    case AlphaCoding::kZlib:
      ok = inflatePlane(bytes, plane);
      break;
    case AlphaCoding::kPng:
      ok = readGrayPng(bytes, width, height, plane);
      break;
    case AlphaCoding::kRaw:
      break;
  }
  if (!ok) plane.clear();
  return plane;
}

ImagePtr decodeJpegImage(std::span<const std::uint8_t> data) {
  JpegReader reader;
  if (!readHeader(reader, data, true)) return nullptr;
  const JDIMENSION width = reader.cinfo.image_width;
  const JDIMENSION height = reader.cinfo.image_height;
  const auto maxSide = static_cast<JDIMENSION>(kMaxImageSide);
  if (width == 0 || height == 0 || width > maxSide || height > maxSide) return nullptr;
  ImagePtr image =
      makeImage(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), 24);
  if (!image) return nullptr;
  // The saved markers belong to the decoder's image pool, which finishing
  // the decode releases.
  readLayerAttributes(reader.cinfo.marker_list, *image);
  // libjpeg converts both gray and colour sources to blue, green, red and
  // an alpha byte of 255.
  if (!readPixels(reader, JCS_EXT_BGRA, 4, image->pixels, static_cast<std::size_t>(width) * 4)) {
    return nullptr;
  }
  const std::vector<std::uint8_t> alpha = readAlphaPlane(data, width, height);
  if (!alpha.empty()) {
    for (std::size_t i = 0; i < alpha.size(); ++i) image->pixels[i * 4 + 3] = alpha[i];
    image->depth = 32;
  }
  return image;
}

// ---- Writing ----

struct JpegDestination {
  jpeg_destination_mgr manager;  // first: libjpeg hands back its address
  ByteSink* sink;
};

JpegDestination& destinationOf(j_compress_ptr cinfo) {
  return *reinterpret_cast<JpegDestination*>(cinfo->dest);
}

std::size_t bytesWritten(const JpegDestination& destination) {
  return static_cast<std::size_t>(destination.manager.next_output_byte - destination.sink->data());
}

void offerRoom(j_compress_ptr cinfo) {
  JpegDestination& destination = destinationOf(cinfo);
  ByteSink& sink = *destination.sink;
  if (!sink.reserveMore(1)) {
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
  }
  destination.manager.next_output_byte = sink.data() + sink.size();
  destination.manager.free_in_buffer = sink.capacity() - sink.size();
}

void initDestination(j_compress_ptr cinfo) {
  offerRoom(cinfo);
}

boolean emptyDestination(j_compress_ptr cinfo) {
  // libjpeg calls this when all the room it was offered is used.
  ByteSink& sink = *destinationOf(cinfo).sink;
  sink.setSize(sink.capacity());
  offerRoom(cinfo);
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  JpegDestination& destination = destinationOf(cinfo);
  destination.sink->setSize(bytesWritten(destination));
}

struct JpegWriter {
  jpeg_compress_struct cinfo{};
  JpegError error{};
  JpegDestination destination{};
  bool created = false;

  explicit JpegWriter(ByteSink& sink) {
    installErrorManager(error);
    cinfo.err = &error.manager;
    destination.sink = &sink;
    destination.manager.init_destination = initDestination;
    destination.manager.empty_output_buffer = emptyDestination;
    destination.manager.term_destination = termDestination;
  }
  JpegWriter(const JpegWriter&) = delete;
  JpegWriter& operator=(const JpegWriter&) = delete;
  ~JpegWriter() {
    if (created) jpeg_destroy_compress(&cinfo);
  }
};

struct JpegSource {
  const std::uint8_t* rows;  // the first row
  std::size_t stride;
  std::uint32_t width;
  std::uint32_t height;
  int components;  // 1 with JCS_GRAYSCALE, 4 with JCS_EXT_BGRX
  J_COLOR_SPACE space;
};

struct JpegSettings {
  int quality;
  std::int32_t option;  // saveImage's option bits
  bool jfif;
  const std::uint8_t* layerSegment;  // kLayerSegmentSize bytes, or null
  bool alphaPlaceholder;
};

// Option bits 2–3: the sampling factors of a colour image.
void setSampling(jpeg_compress_struct& cinfo, std::int32_t bits) {
  jpeg_component_info* components = cinfo.comp_info;
  switch (bits) {
    case 0:
      components[0].h_samp_factor = 2;
      components[0].v_samp_factor = 2;
      break;
    case 4:
      components[0].h_samp_factor = 2;
      components[0].v_samp_factor = 1;
      break;
    case 8:
      components[0].h_samp_factor = 1;
      components[0].v_samp_factor = 1;
      break;
    default:
      return;  // the library's defaults
  }
  for (int i = 1; i < 3; ++i) {
    components[i].h_samp_factor = 1;
    components[i].v_samp_factor = 1;
  }
}

// Compresses the source; `placeholderAt` receives the file offset of the
// APP2 type byte when one is written.
bool compress(JpegWriter& writer, const JpegSource& source, const JpegSettings& settings,
              std::size_t& placeholderAt) {
  if (setjmp(writer.error.jump) != 0) return false;
  jpeg_compress_struct& cinfo = writer.cinfo;
  jpeg_CreateCompress(&cinfo, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
  writer.created = true;
  cinfo.dest = &writer.destination.manager;
  cinfo.image_width = source.width;
  cinfo.image_height = source.height;
  cinfo.input_components = source.components;
  cinfo.in_color_space = source.space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, settings.quality, TRUE);
  cinfo.dct_method = JDCT_FLOAT;
  switch (settings.option & 3) {
    case 1:
      cinfo.optimize_coding = TRUE;
      break;
    case 2:
      jpeg_simple_progression(&cinfo);
      break;
    default:
      break;
  }
  if (cinfo.num_components == 3) setSampling(cinfo, settings.option & 12);
  cinfo.write_JFIF_header = settings.jfif ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  if (settings.layerSegment != nullptr) {
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, settings.layerSegment, kLayerSegmentSize);
  }
  if (settings.alphaPlaceholder) {
    static constexpr JOCTET kAlp[8] = {'A', 'L', 'P', 0, 0, 0, 0, 0};
    jpeg_write_marker(&cinfo, JPEG_APP0 + 2, kAlp, sizeof kAlp);
    placeholderAt = bytesWritten(writer.destination) - 5;
  }
  std::array<JSAMPROW, 16> rows{};
  while (cinfo.next_scanline < cinfo.image_height) {
    const JDIMENSION first = cinfo.next_scanline;
    const JDIMENSION count = std::min<JDIMENSION>(rows.size(), cinfo.image_height - first);
    for (JDIMENSION i = 0; i < count; ++i) {
      rows[i] = const_cast<JSAMPROW>(source.rows + (first + i) * source.stride);
    }
    jpeg_write_scanlines(&cinfo, rows.data(), count);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

CodecStatus writeJpeg(const JpegSource& source, const JpegSettings& settings,
                      std::vector<std::uint8_t>& out, std::size_t* placeholderAt = nullptr) {
  ByteSink sink;
  JpegWriter writer(sink);
  std::size_t placeholder = 0;
  if (!compress(writer, source, settings, placeholder)) {
    const bool memory = sink.outOfMemory() || writer.error.manager.msg_code == JERR_OUT_OF_MEMORY;
    return memory ? CodecStatus::kOutOfMemory : CodecStatus::kFailed;
  }
  out.assign(sink.data(), sink.data() + sink.size());
  if (placeholderAt != nullptr) *placeholderAt = placeholder;
  return CodecStatus::kOk;
}

// The APP1 data with the layer attributes. The segment's name always has
// its last three characters replaced by "jpg"; the record's only when they
// follow a ".".
std::array<std::uint8_t, kLayerSegmentSize> layerSegment(ImageBuffer& image) {
  renameExtension(image, "jpg");
  std::array<std::uint8_t, kLayerSegmentSize> segment{};
  std::memcpy(segment.data(), "pos", 4);
  writeLe32(&segment[4], static_cast<std::uint32_t>(image.left));
  writeLe32(&segment[8], static_cast<std::uint32_t>(image.top));
  writeLe32(&segment[12], image.mode);
  const void* end = std::memchr(image.name, 0, sizeof image.name);
  const std::size_t length =
      end == nullptr ? sizeof image.name
                     : static_cast<std::size_t>(static_cast<const char*>(end) - image.name);
  std::array<char, sizeof image.name> name{};
  std::memcpy(name.data(), image.name, length);
  if (length >= 3) std::memcpy(name.data() + length - 3, "jpg", 3);
  // The segment's last byte stays zero and ends a name that fills it.
  const std::size_t kept = std::min(length, kLayerSegmentSize - kLayerNameOffset - 1);
  std::memcpy(&segment[kLayerNameOffset], name.data(), kept);
  return segment;
}

// Encodes the alpha plane three ways, appends the smallest and fills the
// APP2 placeholder with its type and offset.
CodecStatus appendAlpha(const ImageBuffer& image, int quality, std::int32_t option,
                        std::vector<std::uint8_t>& file, std::size_t placeholder) {
  const auto width = static_cast<std::uint32_t>(image.width);
  const auto height = static_cast<std::uint32_t>(image.height);
  std::vector<std::uint8_t> plane(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = image.pixels[i * 4 + 3];

  std::vector<std::uint8_t> zlib;
  std::vector<std::uint8_t> png;
  std::vector<std::uint8_t> jpeg;
  CodecStatus status = deflatePlane(plane, zlib);
  if (status == CodecStatus::kOk) status = writeGrayPng(plane, width, height, png);
  if (status == CodecStatus::kOk) {
    const JpegSource source{plane.data(), width, width, height, 1, JCS_GRAYSCALE};
    status = writeJpeg(source, JpegSettings{quality, option & 3, false, nullptr, false}, jpeg);
  }
  if (status != CodecStatus::kOk) return status;

  // On equal sizes zlib wins over PNG, and PNG over JPEG.
  const std::vector<std::uint8_t>* chosen = &zlib;
  std::uint8_t type = kAlphaTypeAppendedZlib;
  if (png.size() < chosen->size()) {
    chosen = &png;
    type = kAlphaTypeAppendedPng;
  }
  if (jpeg.size() < chosen->size()) {
    chosen = &jpeg;
    type = kAlphaTypeAppendedJpeg;
  }
  if (file.size() > std::numeric_limits<std::uint32_t>::max()) return CodecStatus::kFailed;
  file[placeholder] = type;
  writeLe32(&file[placeholder + 1], static_cast<std::uint32_t>(file.size()));
  file.insert(file.end(), chosen->begin(), chosen->end());
  return CodecStatus::kOk;
}

EncodedImage failure(CodecStatus status) {
  EncodedImage result;
  if (status == CodecStatus::kOutOfMemory) {
    result.message = util::toSjis(u8"JPEG: メモリを確保出来ませんでした");
  }
  return result;
}

EncodedImage encodeJpegImage(ImageBuffer& image, std::int32_t depth, std::int32_t level,
                             std::int32_t option) {
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return {};
  const auto width = static_cast<std::uint32_t>(image.width);
  const auto height = static_cast<std::uint32_t>(image.height);
  JpegSource source{image.pixels, std::size_t{width} * 4, width, height, 4, JCS_EXT_BGRX};
  std::vector<std::uint8_t> gray;
  if (depth <= 8) {
    gray.resize(std::size_t{width} * height);
    for (std::size_t i = 0; i < gray.size(); ++i) {
      const std::uint8_t* pixel = image.pixels + i * 4;
      gray[i] = luminance(pixel[2], pixel[1], pixel[0]);
    }
    source = JpegSource{gray.data(), width, width, height, 1, JCS_GRAYSCALE};
  }
  const bool layered = image.name[0] != '\0' || image.mode != 0;
  std::array<std::uint8_t, kLayerSegmentSize> segment{};
  if (layered) segment = layerSegment(image);
  const bool withAlpha = depth == 32;

  EncodedImage result;
  std::size_t placeholder = 0;
  const JpegSettings settings{level, option, true, layered ? segment.data() : nullptr, withAlpha};
  CodecStatus status = writeJpeg(source, settings, result.bytes, &placeholder);
  if (status == CodecStatus::kOk && withAlpha) {
    status = appendAlpha(image, level, option, result.bytes, placeholder);
  }
  if (status != CodecStatus::kOk) return failure(status);
  result.ok = true;
  return result;
}

}  // namespace

ImagePtr decodeJpeg(std::span<const std::uint8_t> data) {
  try {
    return decodeJpegImage(data);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

EncodedImage encodeJpeg(ImageBuffer& image, std::int32_t depth, std::int32_t level,
                        std::int32_t option) {
  try {
    return encodeJpegImage(image, depth, level, option);
  } catch (const std::bad_alloc&) {
    return failure(CodecStatus::kOutOfMemory);
  }
}

}  // namespace tsuzuri::assets

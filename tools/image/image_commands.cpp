#include "image/image_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>

#include "assets/image_codecs.h"
#include "assets/image_save.h"
#include "platform/files.h"
#include "util/sjis.h"

namespace tsuzuri::image_tool {

namespace {

constexpr const char* kUsage =
    "usage: tsuzuri-image convert IN OUT [--format bmp|png|jpeg|tlg5|tlg6] [--depth 0|8|24|32]\n"
    "                                    [--level N] [--option N]\n"
    "       tsuzuri-image info FILE\n"
    "       tsuzuri-image compare EXPECTED ACTUAL [--tolerance N]\n"
    "\n"
    "convert decodes IN as the engine does and writes OUT; the format comes from\n"
    "OUT's extension unless given (.tlg is TLG6). --depth 0 keeps the image's\n"
    "depth. --level is the PNG compression level (default 9), the JPEG quality\n"
    "(default 90) or, for TLG, ignored; --option is the PNG interlace flag or\n"
    "the JPEG option bits.\n"
    "info prints the format, size, depth and layer attributes of FILE.\n"
    "compare decodes both images and exits 0 when they have the same size and\n"
    "no channel of any pixel differs by more than N (default 0), 1 when they\n"
    "differ (saying how), 2 when a file cannot be read or decoded.\n";

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

const char* formatName(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return "BMP";
  if (bytes.size() >= 2 && bytes[0] == 0x89 && bytes[1] == 0x50) return "PNG";
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return "JPEG";
  if (bytes.size() >= 6 && std::equal(bytes.begin(), bytes.begin() + 6, "TLG0.0")) return "TLG0";
  if (bytes.size() >= 6 && std::equal(bytes.begin(), bytes.begin() + 6, "TLG5.0")) return "TLG5";
  if (bytes.size() >= 6 && std::equal(bytes.begin(), bytes.begin() + 6, "TLG6.0")) return "TLG6";
  return "unknown";
}

struct Target {
  std::int32_t format = -1;
  std::int32_t tlgVariant = 1;  // 1: TLG6, 0: TLG5
};

std::optional<Target> targetFor(const std::string& name) {
  const std::string n = lower(name);
  if (n == "bmp") return Target{0, 1};
  if (n == "png") return Target{1, 1};
  if (n == "jpeg" || n == "jpg") return Target{2, 1};
  if (n == "tlg" || n == "tlg6") return Target{3, 1};
  if (n == "tlg5") return Target{3, 0};
  return std::nullopt;
}

std::optional<std::int32_t> number(const std::string& text) {
  try {
    std::size_t used = 0;
    const long value = std::stol(text, &used, 0);
    if (used != text.size() || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

assets::ImagePtr decodeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                            std::ostream& err) {
  std::optional<std::vector<std::uint8_t>> read = platform::readWholeFile(path);
  if (!read) {
    err << "tsuzuri-image: " << path << ": " << platform::systemErrorText(errno) << "\n";
    return nullptr;
  }
  bytes = std::move(*read);
  assets::ImagePtr image = assets::loadImage(std::span<const std::uint8_t>(bytes));
  if (!image) err << "tsuzuri-image: " << path << ": not an image the engine can decode\n";
  return image;
}

int info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << kUsage;
    return 2;
  }
  std::vector<std::uint8_t> bytes;
  const assets::ImagePtr image = decodeFile(args[1], bytes, err);
  if (!image) return 1;
  out << "format " << formatName(bytes) << "\n"
      << "width " << image->width << "\n"
      << "height " << image->height << "\n"
      << "depth " << image->depth << "\n"
      << "name " << util::sjisToUtf8(image->name) << "\n"
      << "left " << image->left << "\n"
      << "top " << image->top << "\n"
      << "mode " << image->mode << "\n";
  return 0;
}

int convert(const std::vector<std::string>& args, std::ostream& err) {
  if (args.size() < 3) {
    err << kUsage;
    return 2;
  }
  const std::string& in = args[1];
  const std::string& outPath = args[2];
  std::optional<Target> target;
  std::int32_t depth = 0;
  std::optional<std::int32_t> level;
  std::int32_t option = 0;
  for (std::size_t i = 3; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) {
      err << "tsuzuri-image: " << args[i] << " needs a value\n" << kUsage;
      return 2;
    }
    const std::string& key = args[i];
    const std::string& value = args[i + 1];
    if (key == "--format") {
      target = targetFor(value);
      if (!target) {
        err << "tsuzuri-image: unknown format " << value << "\n";
        return 2;
      }
      continue;
    }
    const std::optional<std::int32_t> n = number(value);
    if (!n) {
      err << "tsuzuri-image: " << key << " takes a number, not " << value << "\n";
      return 2;
    }
    if (key == "--depth") {
      if (*n != 0 && *n != 8 && *n != 24 && *n != 32) {
        err << "tsuzuri-image: --depth is 0, 8, 24 or 32\n";
        return 2;
      }
      depth = *n;
    } else if (key == "--level") {
      level = *n;
    } else if (key == "--option") {
      option = *n;
    } else {
      err << "tsuzuri-image: " << key << " " << value << " is not an option\n" << kUsage;
      return 2;
    }
  }
  if (!target) {
    const std::size_t dot = outPath.rfind('.');
    if (dot != std::string::npos) target = targetFor(outPath.substr(dot + 1));
    if (!target) {
      err << "tsuzuri-image: cannot tell the format from " << outPath << "; give --format\n";
      return 2;
    }
  }
  std::vector<std::uint8_t> bytes;
  assets::ImagePtr image = decodeFile(in, bytes, err);
  if (!image) return 1;
  std::int32_t chosenLevel = 0;
  switch (target->format) {
    case 1:
      chosenLevel = level.value_or(9);
      break;
    case 2:
      chosenLevel = level.value_or(90);
      break;
    case 3:
      chosenLevel = target->tlgVariant;
      break;
    default:
      break;
  }
  const assets::EncodedImage encoded = assets::encodeImage(
      util::utf8ToSjis(outPath), image.get(), target->format, depth, chosenLevel, option);
  if (!encoded.ok) {
    err << "tsuzuri-image: " << outPath << ": "
        << (encoded.message.empty() ? std::string("cannot be encoded")
                                    : util::sjisToUtf8(encoded.message))
        << "\n";
    return 1;
  }
  const std::string_view data(reinterpret_cast<const char*>(encoded.bytes.data()),
                              encoded.bytes.size());
  if (!platform::writeFileAtomically(outPath, data)) {
    err << "tsuzuri-image: " << outPath << ": " << platform::systemErrorText(errno) << "\n";
    return 1;
  }
  return 0;
}

// A pixel as 0xAARRGGBB; the buffer holds blue, green, red, alpha.
std::string pixelText(const std::uint8_t* pixel) {
  const std::uint32_t value = std::uint32_t{pixel[3]} << 24 | std::uint32_t{pixel[2]} << 16 |
                              std::uint32_t{pixel[1]} << 8 | std::uint32_t{pixel[0]};
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

int compare(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files;
  std::int32_t tolerance = 0;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i].starts_with("--") && args[i] != "--tolerance") {
      err << "tsuzuri-image: " << args[i] << " is not an option\n" << kUsage;
      return 2;
    }
    if (args[i] != "--tolerance") {
      files.push_back(args[i]);
      continue;
    }
    const std::optional<std::int32_t> n = i + 1 < args.size() ? number(args[i + 1]) : std::nullopt;
    if (!n || *n < 0 || *n > 255) {
      err << "tsuzuri-image: --tolerance takes a number from 0 to 255\n";
      return 2;
    }
    tolerance = *n;
    ++i;
  }
  if (files.size() != 2) {
    err << kUsage;
    return 2;
  }
  std::vector<std::uint8_t> bytes;
  const assets::ImagePtr expected = decodeFile(files[0], bytes, err);
  if (!expected) return 2;
  const assets::ImagePtr actual = decodeFile(files[1], bytes, err);
  if (!actual) return 2;
  if (expected->width != actual->width || expected->height != actual->height) {
    out << "size differs: expected " << expected->width << "x" << expected->height << ", actual "
        << actual->width << "x" << actual->height << "\n";
    return 1;
  }
  std::int64_t differing = 0;
  int largest = 0;
  std::int32_t firstX = -1;
  std::int32_t firstY = -1;
  for (std::int32_t y = 0; y < expected->height; ++y) {
    for (std::int32_t x = 0; x < expected->width; ++x) {
      const std::uint8_t* e = assets::pixelAt(*expected, x, y);
      const std::uint8_t* a = assets::pixelAt(*actual, x, y);
      int worst = 0;
      for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(int{e[c]} - int{a[c]}));
      largest = std::max(largest, worst);
      if (worst <= tolerance) continue;
      if (differing++ == 0) {
        firstX = x;
        firstY = y;
      }
    }
  }
  if (differing == 0) return 0;
  out << differing << " of " << std::int64_t{expected->width} * expected->height
      << " pixels differ by more than " << tolerance << " (largest difference " << largest
      << "); first at (" << firstX << ", " << firstY << "): expected "
      << pixelText(assets::pixelAt(*expected, firstX, firstY)) << ", actual "
      << pixelText(assets::pixelAt(*actual, firstX, firstY)) << "\n";
  return 1;
}

}  // namespace

int runImageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? err : out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "info") return info(args, out, err);
  if (args[0] == "convert") return convert(args, err);
  if (args[0] == "compare") return compare(args, out, err);
  err << "tsuzuri-image: unknown command " << args[0] << "\n" << kUsage;
  return 2;
}

}  // namespace tsuzuri::image_tool

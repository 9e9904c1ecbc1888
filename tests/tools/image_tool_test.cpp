#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

#include "assets/image_codecs.h"
#include "assets/image_save.h"
#include "image/image_commands.h"
#include "support/temp_dir.h"

namespace tsuzuri::image_tool {
namespace {

using testing::TempDir;

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun tool(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = runImageCommand(args, out, err);
  return {status, out.str(), err.str()};
}

// A 3 × 2 32-bit BMP with distinct pixels, built by hand so that the test
// does not start from the writers it checks.
std::string smallBmp() {
  std::string file = "BM";
  const auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>(v >> (8 * i)));
  };
  const auto le16 = [&](std::uint16_t v) {
    file.push_back(static_cast<char>(v));
    file.push_back(static_cast<char>(v >> 8));
  };
  le32(54 + 24);
  le32(0);
  le32(54);
  le32(40);
  le32(3);
  le32(2);
  le16(1);
  le16(32);
  for (int i = 0; i < 6; ++i) le32(0);
  for (int i = 0; i < 24; ++i) file.push_back(static_cast<char>(i * 10 + 5));
  return file;
}

TEST(ImageTool, ConvertsThroughEveryFormatAndDescribesFiles) {
  TempDir dir;
  const std::string bmp = dir.write("in.bmp", smallBmp());
  for (const char* name : {"out.png", "out.tlg", "out5.tlg", "back.bmp"}) {
    SCOPED_TRACE(name);
    std::vector<std::string> args{"convert", bmp, dir.path() + name};
    if (std::strcmp(name, "out5.tlg") == 0) args.insert(args.end(), {"--format", "tlg5"});
    const ToolRun run = tool(args);
    ASSERT_EQ(run.status, 0) << run.err;
  }
  // Lossless all the way: the TLG6 file holds the BMP's pixels.
  const ToolRun again = tool({"convert", dir.path() + "out.tlg", dir.path() + "again.bmp"});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(dir.read("again.bmp"), dir.read("back.bmp"));

  const ToolRun info = tool({"info", dir.path() + "out5.tlg"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("format TLG5\nwidth 3\nheight 2\ndepth 32\n"), std::string::npos)
      << info.out;
}

TEST(ImageTool, RefusesWhatItCannotDo) {
  TempDir dir;
  const std::string text = dir.write("notes.txt", "not an image");
  EXPECT_EQ(tool({"info", text}).status, 1);
  EXPECT_EQ(tool({"convert", text, dir.path() + "x.png"}).status, 1);
  EXPECT_EQ(tool({"convert", dir.path() + "missing.bmp", dir.path() + "x.png"}).status, 1);
  EXPECT_EQ(tool({"convert", text, dir.path() + "x.unknown"}).status, 2);
  EXPECT_EQ(tool({"convert", text, dir.path() + "x.png", "--depth", "7"}).status, 2);
  EXPECT_EQ(tool({}).status, 2);
}

// Writes a PNG of `width` × `height` whose pixels (0xAARRGGBB) come from
// `pixel`, with an alpha channel so that every channel round-trips.
std::string writePng(const TempDir& dir, const std::string& name, std::int32_t width,
                     std::int32_t height, const std::function<std::uint32_t(int, int)>& pixel) {
  assets::ImagePtr image = assets::makeImage(width, height, 32);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t argb = pixel(x, y);
      std::uint8_t* p = assets::pixelAt(*image, x, y);
      for (int c = 0; c < 4; ++c) p[c] = static_cast<std::uint8_t>(argb >> (8 * c));
    }
  }
  const assets::EncodedImage png = assets::encodeImage(name, image.get(), 1, 32, 9, 0);
  EXPECT_TRUE(png.ok);
  return dir.write(name, std::string(png.bytes.begin(), png.bytes.end()));
}

// A 4 × 3 picture with a different value in every channel of every pixel.
std::uint32_t basePixel(int x, int y) {
  const auto v = static_cast<std::uint32_t>(40 + 16 * x + 50 * y);
  return (0xF0u - static_cast<std::uint32_t>(x)) << 24 | v << 16 | (v + 3) << 8 | (v + 7);
}

TEST(ImageTool, CompareAllowsTheToleranceAndDescribesTheFirstDifference) {
  struct Case {
    const char* name;
    std::function<std::uint32_t(int, int)> actual;
    std::vector<std::string> options;
    int status;
    std::string output;  // expected to be part of standard output
  };
  const auto changed = [](int atX, int atY, std::int32_t delta) {
    return [=](int x, int y) {
      const std::uint32_t p = basePixel(x, y);
      return x == atX && y == atY ? static_cast<std::uint32_t>(static_cast<std::int64_t>(p) + delta)
                                  : p;
    };
  };
  const std::vector<Case> cases = {
      {"identical", basePixel, {}, 0, ""},
      {"blue within tolerance", changed(1, 1, 2), {"--tolerance", "2"}, 0, ""},
      {"red just over",
       changed(2, 1, 3 << 16),
       {"--tolerance", "2"},
       1,
       "1 of 12 pixels differ by more than 2 (largest difference 3); first at (2, 1): "
       "expected 0xEE7A7D81, actual 0xEE7D7D81"},
      {"off by one with no tolerance",
       changed(0, 0, -1),
       {},
       1,
       "largest difference 1); first at (0, 0): expected 0xF0282B2F, actual 0xF0282B2E"},
      {"alpha only",
       changed(3, 2, 5 << 24),
       {"--tolerance", "4"},
       1,
       "expected 0xEDBCBFC3, actual 0xF2BCBFC3"},
      {"several, first in row order",
       [](int x, int y) {
         const std::uint32_t p = basePixel(x, y);
         if (x == 3 && y == 0) return p + (9u << 8);
         if (x == 0 && y == 2) return p - 30u;
         return p;
       },
       {"--tolerance", "8"},
       1,
       "2 of 12 pixels differ by more than 8 (largest difference 30); first at (3, 0)"},
      {"every channel off by the tolerance",
       [](int x, int y) { return basePixel(x, y) + 0x01010101u; },
       {"--tolerance", "1"},
       0,
       ""},
  };
  TempDir dir;
  const std::string expected = writePng(dir, "expected.png", 4, 3, basePixel);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string actual = writePng(dir, "actual.png", 4, 3, c.actual);
    std::vector<std::string> args{"compare", expected, actual};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolRun run = tool(args);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    if (c.output.empty()) {
      EXPECT_EQ(run.out, "");
    } else {
      EXPECT_NE(run.out.find(c.output), std::string::npos) << run.out;
    }
  }
}

TEST(ImageTool, CompareReportsSizesAndRefusesWhatItCannotRead) {
  TempDir dir;
  const std::string wide = writePng(dir, "wide.png", 4, 3, basePixel);
  const std::string tall = writePng(dir, "tall.png", 3, 4, basePixel);
  const ToolRun sizes = tool({"compare", wide, tall, "--tolerance", "255"});
  EXPECT_EQ(sizes.status, 1);
  EXPECT_EQ(sizes.out, "size differs: expected 4x3, actual 3x4\n");

  const std::string text = dir.write("notes.txt", "not an image");
  const std::string missing = dir.path() + "missing.png";
  const std::vector<std::vector<std::string>> refused = {
      {"compare", wide, missing},
      {"compare", missing, wide},
      {"compare", wide, text},
      {"compare", wide},
      {"compare", wide, wide, wide},
      {"compare", wide, wide, "--tolerance"},
      {"compare", wide, wide, "--tolerance", "-1"},
      {"compare", wide, wide, "--tolerance", "256"},
      {"compare", wide, wide, "--tolerance", "two"},
      {"compare", wide, wide, "--exact"},
  };
  for (const std::vector<std::string>& args : refused) {
    const ToolRun run = tool(args);
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_NE(run.err, "") << args.back();
  }
  EXPECT_EQ(tool({"compare", "--tolerance", "0", wide, wide}).status, 0);
}

}  // namespace
}  // namespace tsuzuri::image_tool

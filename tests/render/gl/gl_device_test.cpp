#include "render/gl/gl_device.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tsuzuri::render::gl {
namespace {

// The pixel as 0xAARRGGBB (the machine is little-endian, as the engine requires).
std::uint32_t pixel(assets::ImageBuffer& image, std::int32_t x, std::int32_t y) {
  std::uint32_t value = 0;
  std::memcpy(&value, assets::pixelAt(image, x, y), 4);
  return value;
}

testing::AssertionResult near(std::uint32_t actual, std::uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((actual >> shift) & 0xFFU);
    const int e = static_cast<int>((expected >> shift) & 0xFFU);
    if (std::abs(a - e) > tolerance) {
      return testing::AssertionFailure()
             << std::hex << "0x" << actual << " is not within " << std::dec << tolerance
             << " per channel of " << std::hex << "0x" << expected;
    }
  }
  return testing::AssertionSuccess();
}

std::uint32_t argb(double a, double r, double g, double b) {
  const auto byte = [](double v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  return byte(a) << 24 | byte(r) << 16 | byte(g) << 8 | byte(b);
}

double unit(std::uint32_t value, int shift) {
  return static_cast<double>((value >> shift) & 0xFFU) / 255.0;
}

Matrix4 translation(float x, float y) {
  Matrix4 m = Matrix4::identity();
  m.at(3, 0) = x;
  m.at(3, 1) = y;
  return m;
}

// A quad over the pixels of `pixels` in a target of size `target`, with
// the corners half a pixel outside the pixel centres as the sprite
// geometry places them, and the whole texture mapped onto it.
DrawCall quad(TextureId texture, const Rect& pixels, Size target) {
  DrawCall call;
  const float left = static_cast<float>(pixels.left) - 0.5F;
  const float top = static_cast<float>(pixels.top) - 0.5F;
  const float right = static_cast<float>(pixels.right) - 0.5F;
  const float bottom = static_cast<float>(pixels.bottom) - 0.5F;
  call.vertices = {Vertex{left, top}, Vertex{right, top}, Vertex{left, bottom},
                   Vertex{right, bottom}};
  call.vertices[1].u0 = call.vertices[3].u0 = 1;
  call.vertices[2].v0 = call.vertices[3].v0 = 1;
  call.transform = Matrix4::pixelOrtho(target.width, target.height);
  call.texture0 = texture;
  call.filter = Filter::kPoint;
  return call;
}

class GlDeviceTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform_ = platform::createHeadlessPlatform({});
    window_ = platform_->openWindow("test", windowError_);
  }
  static void TearDownTestSuite() {
    window_ = nullptr;
    platform_.reset();
  }

  void SetUp() override {
    if (window_ == nullptr) GTEST_SKIP() << "no graphics context here: " << windowError_;
    std::string error;
    device_ = createGlDevice(*window_, error);
    ASSERT_NE(device_, nullptr) << error;
  }

  TextureId upload(std::int32_t width, std::int32_t height,
                   const std::vector<std::uint32_t>& texels, bool mipmaps = false) {
    const TextureId id = device_->createTexture(width, height, TextureUse::kImage, mipmaps);
    EXPECT_NE(id, kNoTexture);
    EXPECT_TRUE(device_->writeTexture(id, 0, texels.data(), width, height, width));
    return id;
  }

  // Sets a back buffer of `size`, cleared to `background`.
  void backBuffer(Size size, std::uint32_t background) {
    ASSERT_TRUE(device_->resizeBackBuffer(size.width, size.height));
    ASSERT_TRUE(device_->setTarget(kBackBuffer));
    device_->clear(background);
  }

  // A pixel of the window as last presented (y counted from the top).
  static std::uint32_t windowPixel(std::int32_t x, std::int32_t y) {
    std::uint32_t value = 0;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(x, window_->drawableSize().height - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE,
                 &value);
    return value;
  }

  static inline std::unique_ptr<platform::Platform> platform_;
  static inline platform::Window* window_ = nullptr;
  static inline std::string windowError_;
  std::unique_ptr<GpuDevice> device_;
};

TEST_F(GlDeviceTest, ReportsWhatItCanDo) {
  const DeviceCaps& caps = device_->caps();
  EXPECT_GE(caps.maxTextureSize, 1024);
  EXPECT_TRUE(caps.mipmaps && !caps.pow2Required && !caps.squareRequired && !caps.readScanline);
  EXPECT_EQ(caps.pixelShaderLevel, 0) << "only the plain program exists";
  const DeviceDescription& d = device_->description();
  EXPECT_FALSE(d.vendor.empty() || d.renderer.empty() || d.version.empty() ||
               d.shadingLanguage.empty());
  EXPECT_EQ(d.maxTextureSize, caps.maxTextureSize);
  EXPECT_TRUE(d.maxRenderbufferSize > 0 && d.maxViewportWidth > 0 && d.maxViewportHeight > 0 &&
              d.maxTextureUnits >= 2);
}

TEST_F(GlDeviceTest, BackBufferStartsAtWindowSizeAndResizes) {
  const platform::PixelSize drawable = window_->drawableSize();
  EXPECT_EQ(device_->backBufferWidth(), drawable.width);
  EXPECT_EQ(device_->backBufferHeight(), drawable.height);
  assets::ImagePtr image = device_->readBack(kBackBuffer);
  ASSERT_TRUE(image);
  EXPECT_EQ(pixel(*image, drawable.width - 1, drawable.height - 1), 0xFF000000U);

  ASSERT_TRUE(device_->resizeBackBuffer(20, 10));
  EXPECT_EQ(device_->backBufferWidth(), 20);
  EXPECT_EQ(device_->backBufferHeight(), 10);
  // A quad over the whole new size reaches every edge pixel and no further.
  device_->draw(quad(kNoTexture, {0, 0, 20, 10}, {20, 10}));
  image = device_->readBack(kBackBuffer);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width, 20);
  ASSERT_EQ(image->height, 10);
  for (const auto& [x, y] : {std::pair{0, 0}, {19, 0}, {0, 9}, {19, 9}}) {
    EXPECT_EQ(pixel(*image, x, y), 0xFFFFFFFFU) << x << "," << y;
  }

  const int tooLarge = device_->caps().maxTextureSize + 1;
  for (const auto& [width, height] : {std::pair{0, 10}, {10, -1}, {tooLarge, 1}}) {
    EXPECT_FALSE(device_->resizeBackBuffer(width, height)) << width << " x " << height;
    EXPECT_EQ(device_->backBufferWidth(), 20);
    EXPECT_EQ(device_->backBufferHeight(), 10);
  }
}

TEST_F(GlDeviceTest, ClearsAndReadsBackTopDownBgra) {
  const TextureId target = device_->createTexture(3, 2, TextureUse::kRenderTarget, false);
  ASSERT_TRUE(device_->setTarget(target));
  device_->clear(0x80402010);
  // The diffuse colour alone (no texture) over the top row only.
  DrawCall call = quad(kNoTexture, {0, 0, 3, 1}, {3, 2});
  for (Vertex& vertex : call.vertices) vertex.diffuse = 0xC0306090;
  device_->draw(call);
  const assets::ImagePtr image = device_->readBack(target);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width, 3);
  ASSERT_EQ(image->height, 2);
  EXPECT_EQ(image->pixels[0], 0x90);  // blue first in memory
  EXPECT_EQ(image->pixels[3], 0xC0);
  for (std::int32_t x = 0; x < 3; ++x) {
    EXPECT_EQ(pixel(*image, x, 0), 0xC0306090U) << x;
    EXPECT_EQ(pixel(*image, x, 1), 0x80402010U) << x;
  }
  EXPECT_FALSE(device_->readBack(12345));
  EXPECT_FALSE(device_->readBack(upload(1, 1, {0})));  // images are not targets
}

TEST_F(GlDeviceTest, QuadCoversExactlyItsPixelsWithoutBlur) {
  std::vector<std::uint32_t> texels(5 * 3);
  for (std::size_t i = 0; i < texels.size(); ++i) {
    texels[i] = 0xFF000000U | static_cast<std::uint32_t>(i * 0x110D07 + 0x203040);
  }
  const TextureId texture = upload(5, 3, texels);
  const TextureId renderTarget = device_->createTexture(13, 9, TextureUse::kRenderTarget, false);
  ASSERT_TRUE(device_->resizeBackBuffer(16, 12));

  struct Case {
    TextureId target;
    Size size;
    Filter filter;
  };
  for (const Case& c :
       {Case{kBackBuffer, {16, 12}, Filter::kLinear}, Case{renderTarget, {13, 9}, Filter::kLinear},
        Case{renderTarget, {13, 9}, Filter::kPoint}}) {
    SCOPED_TRACE(testing::Message() << c.size.width << " x " << c.size.height);
    ASSERT_TRUE(device_->setTarget(c.target));
    device_->clear(0xFF202020);
    // Built at the origin and moved by the world transform, which also
    // checks that the row-vector matrix reaches the shader the right way.
    DrawCall call = quad(texture, {0, 0, 5, 3}, c.size);
    call.transform = translation(7, 4) * Matrix4::pixelOrtho(c.size.width, c.size.height);
    call.filter = c.filter;
    device_->draw(call);
    const assets::ImagePtr image = device_->readBack(c.target);
    ASSERT_TRUE(image);
    for (std::int32_t y = 0; y < c.size.height; ++y) {
      for (std::int32_t x = 0; x < c.size.width; ++x) {
        const bool inside = x >= 7 && x < 12 && y >= 4 && y < 7;
        const std::uint32_t expected =
            inside ? texels[static_cast<std::size_t>((y - 4) * 5 + (x - 7))] : 0xFF202020U;
        ASSERT_EQ(pixel(*image, x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST_F(GlDeviceTest, FiltersPointOrLinearAndClampsAtTheEdges) {
  const TextureId texture = upload(2, 1, {0xFF000000, 0xFFFFFFFF});
  backBuffer({4, 1}, 0);
  struct Case {
    Filter filter;
    std::uint32_t values[4];
  };
  for (const Case& c :
       {Case{Filter::kPoint, {0, 0, 255, 255}}, Case{Filter::kLinear, {0, 64, 191, 255}}}) {
    DrawCall call = quad(texture, {0, 0, 4, 1}, {4, 1});
    call.filter = c.filter;
    device_->draw(call);
    const assets::ImagePtr image = device_->readBack(kBackBuffer);
    ASSERT_TRUE(image);
    for (std::int32_t x = 0; x < 4; ++x) {
      const std::uint32_t v = c.values[x];
      EXPECT_TRUE(near(pixel(*image, x, 0), 0xFF000000U | v << 16 | v << 8 | v, 1))
          << "filter " << static_cast<int>(c.filter) << ", pixel " << x;
    }
  }
}

// Each blend mode as the composition defines it, with s and a the colour
// and alpha that leave the texture stages and d the target. The alpha
// channel goes through the same factors and operation as the colour.
struct BlendCase {
  BlendMode mode;
  double (*colour)(double s, double a, double d);
  double (*alpha)(double a, double d);
};
const BlendCase kBlendCases[] = {
    {BlendMode::kCopy, [](double s, double, double) { return s; },
     [](double a, double) { return a; }},
    {BlendMode::kAlpha, [](double s, double a, double d) { return s * a + d * (1 - a); },
     [](double a, double d) { return a * a + d * (1 - a); }},
    {BlendMode::kAdd, [](double s, double a, double d) { return d + s * a; },
     [](double a, double d) { return d + a * a; }},
    {BlendMode::kSubtract, [](double s, double a, double d) { return d - s * a; },
     [](double a, double d) { return d - a * a; }},
    {BlendMode::kMultiply, [](double s, double a, double d) { return d * (s * a + 1 - a); },
     [](double a, double d) { return d * a; }},
    {BlendMode::kScreen, [](double s, double a, double d) { return d + s * a * (1 - d); },
     [](double a, double d) { return d + a * (1 - d); }},
    {BlendMode::kLighten, [](double s, double a, double d) { return std::max(d, s * a); },
     [](double a, double d) { return std::max(d, a); }},
    {BlendMode::kDarken, [](double s, double a, double d) { return std::min(d, s * a + 1 - a); },
     [](double a, double d) { return std::min(d, a); }},
    {BlendMode::kExclusion,
     [](double s, double a, double d) { return s * a * (1 - d) + d * (1 - s * a); },
     [](double a, double d) { return a * (1 - d) + d * (1 - a); }},
};

TEST_F(GlDeviceTest, BlendsWithEveryModeAndColourOperation) {
  constexpr std::uint32_t kBackground = 0xA0406090;
  constexpr std::uint32_t kTexel = 0xB0C03060;
  constexpr std::uint32_t kDiffuse = 0xE0FFFFFF;
  struct Operation {
    ColourOp op;
    std::uint32_t factor;
  };
  const Operation operations[] = {{ColourOp::kNone, 0xFF000000},
                                  {ColourOp::kModulate, 0x20C04080},
                                  {ColourOp::kAdd, 0x10402090}};
  const TextureId texture = upload(1, 1, {kTexel});
  const auto columns = static_cast<std::int32_t>(std::size(kBlendCases));
  backBuffer({columns, 3}, kBackground);

  // One pixel per case: the row is the colour operation, the column the mode.
  for (std::int32_t row = 0; row < 3; ++row) {
    for (std::int32_t column = 0; column < columns; ++column) {
      DrawCall call = quad(texture, {column, row, column + 1, row + 1}, {columns, 3});
      for (Vertex& vertex : call.vertices) vertex.diffuse = kDiffuse;
      call.blend = kBlendCases[column].mode;
      call.colourOp = operations[row].op;
      call.colourFactor = operations[row].factor;
      device_->draw(call);
    }
  }
  const assets::ImagePtr image = device_->readBack(kBackBuffer);
  ASSERT_TRUE(image);

  for (std::int32_t row = 0; row < 3; ++row) {
    for (std::int32_t column = 0; column < columns; ++column) {
      const BlendCase& c = kBlendCases[column];
      const Operation& operation = operations[row];
      const double a = unit(kTexel, 24) * unit(kDiffuse, 24);
      double source[3];
      for (int i = 0; i < 3; ++i) {
        const int shift = 16 - 8 * i;
        const double s = unit(kTexel, shift) * unit(kDiffuse, shift);
        const double f = unit(operation.factor, shift);
        source[i] = operation.op == ColourOp::kModulate ? s * f
                    : operation.op == ColourOp::kAdd    ? std::min(s + f, 1.0)
                                                        : s;
      }
      const std::uint32_t expected =
          argb(c.alpha(a, unit(kBackground, 24)), c.colour(source[0], a, unit(kBackground, 16)),
               c.colour(source[1], a, unit(kBackground, 8)),
               c.colour(source[2], a, unit(kBackground, 0)));
      EXPECT_TRUE(near(pixel(*image, column, row), expected, 2))
          << "blend mode " << static_cast<int>(c.mode) << ", colour operation "
          << static_cast<int>(operation.op);
    }
  }
}

TEST_F(GlDeviceTest, DrawsNothingItCannotDraw) {
  const TextureId texture = upload(1, 1, {0xFFFFFFFF});
  backBuffer({2, 1}, 0xFF102030);
  DrawCall call = quad(texture, {0, 0, 2, 1}, {2, 1});
  call.program = Program::kAlphaMask;
  device_->draw(call);
  call.program = Program::kPlain;
  call.texture0 = 999;
  device_->draw(call);
  call.texture0 = texture;
  call.blend = static_cast<BlendMode>(kBlendModeCount);
  device_->draw(call);
  const assets::ImagePtr image = device_->readBack(kBackBuffer);
  ASSERT_TRUE(image);
  EXPECT_EQ(pixel(*image, 0, 0), 0xFF102030U);
  EXPECT_EQ(pixel(*image, 1, 0), 0xFF102030U);
}

TEST_F(GlDeviceTest, RenderTargetIsDrawnIntoThenSampled) {
  const TextureId red = upload(2, 2, std::vector<std::uint32_t>(4, 0xFFFF0000));
  const TextureId layer = device_->createTexture(6, 4, TextureUse::kRenderTarget, false);
  ASSERT_NE(layer, kNoTexture);
  EXPECT_EQ(device_->textureSize(layer), (Size{6, 4}));

  ASSERT_TRUE(device_->setTarget(layer));
  device_->clear(0xFF0000FF);
  device_->draw(quad(red, {1, 1, 3, 3}, {6, 4}));
  backBuffer({12, 8}, 0xFF000000);
  device_->draw(quad(layer, {3, 2, 9, 6}, {12, 8}));

  const assets::ImagePtr image = device_->readBack(kBackBuffer);
  ASSERT_TRUE(image);
  for (std::int32_t y = 0; y < 8; ++y) {
    for (std::int32_t x = 0; x < 12; ++x) {
      const bool inLayer = x >= 3 && x < 9 && y >= 2 && y < 6;
      const bool inRed = x >= 4 && x < 6 && y >= 3 && y < 5;
      const std::uint32_t expected = inRed ? 0xFFFF0000U : inLayer ? 0xFF0000FFU : 0xFF000000U;
      ASSERT_EQ(pixel(*image, x, y), expected) << x << "," << y;
    }
  }

  EXPECT_FALSE(device_->setTarget(red)) << "an image is not a target";
  EXPECT_FALSE(device_->setTarget(777));
  ASSERT_TRUE(device_->setTarget(layer));
  device_->destroyTexture(layer);
  EXPECT_EQ(device_->textureSize(layer), (Size{0, 0}));
  EXPECT_FALSE(device_->setTarget(layer));
  // Destroying the current target leaves the back buffer as the target.
  device_->clear(0xFF00FF00);
  EXPECT_EQ(pixel(*device_->readBack(kBackBuffer), 0, 0), 0xFF00FF00U);
}

TEST_F(GlDeviceTest, WriteTextureFillsTheCornerAndClearsTheRest) {
  const TextureId texture = device_->createTexture(4, 4, TextureUse::kImage, true);
  ASSERT_NE(texture, kNoTexture);
  const std::vector<std::uint32_t> full(16, 0xFF112233);
  ASSERT_TRUE(device_->writeTexture(texture, 0, full.data(), 4, 4, 4));
  // Two columns of three rows, the source rows three pixels apart.
  const std::vector<std::uint32_t> region{0xFF000001, 0xFF000002, 0xDEADBEEF,
                                          0xFF000003, 0xFF000004, 0xDEADBEEF,
                                          0xFF000005, 0xFF000006, 0xDEADBEEF};
  ASSERT_TRUE(device_->writeTexture(texture, 0, region.data(), 2, 3, 3));

  backBuffer({4, 4}, 0xFF808080);
  device_->draw(quad(texture, {0, 0, 4, 4}, {4, 4}));
  const assets::ImagePtr image = device_->readBack(kBackBuffer);
  ASSERT_TRUE(image);
  for (std::int32_t y = 0; y < 4; ++y) {
    for (std::int32_t x = 0; x < 4; ++x) {
      const std::uint32_t expected =
          x < 2 && y < 3 ? region[static_cast<std::size_t>(y * 3 + x)] : 0U;
      EXPECT_EQ(pixel(*image, x, y), expected) << x << "," << y;
    }
  }

  struct Refusal {
    const char* why;
    TextureId texture;
    std::int32_t level, columns, rows, stride;
    bool nullPixels;
  };
  for (const Refusal& r : {Refusal{"unknown texture", 4242, 0, 1, 1, 1, false},
                           Refusal{"negative level", texture, -1, 1, 1, 1, false},
                           Refusal{"level beyond 1 x 1", texture, 3, 1, 1, 1, false},
                           Refusal{"wider than level 0", texture, 0, 5, 1, 5, false},
                           Refusal{"taller than level 1", texture, 1, 1, 3, 1, false},
                           Refusal{"wider than level 2", texture, 2, 2, 1, 2, false},
                           Refusal{"stride below the width", texture, 0, 2, 2, 1, false},
                           Refusal{"no pixels", texture, 0, 2, 2, 2, true}}) {
    EXPECT_FALSE(device_->writeTexture(r.texture, r.level, r.nullPixels ? nullptr : full.data(),
                                       r.columns, r.rows, r.stride))
        << r.why;
  }
}

TEST_F(GlDeviceTest, SmallerLevelsAreWrittenAndSampledWhenMinified) {
  const TextureId texture = device_->createTexture(4, 4, TextureUse::kImage, true);
  const std::vector<std::uint32_t> red(16, 0xFFFF0000);
  const std::vector<std::uint32_t> green(4, 0xFF00FF00);
  ASSERT_TRUE(device_->writeTexture(texture, 0, red.data(), 4, 4, 4));
  ASSERT_TRUE(device_->writeTexture(texture, 1, green.data(), 2, 2, 2));
  backBuffer({4, 4}, 0);
  DrawCall call = quad(texture, {0, 0, 2, 2}, {4, 4});
  call.filter = Filter::kLinear;
  device_->draw(call);
  const assets::ImagePtr image = device_->readBack(kBackBuffer);
  ASSERT_TRUE(image);
  EXPECT_TRUE(near(pixel(*image, 0, 0), 0xFF00FF00, 2));
  EXPECT_TRUE(near(pixel(*image, 1, 1), 0xFF00FF00, 2));
}

TEST_F(GlDeviceTest, RefusesTexturesItCannotMake) {
  const int tooLarge = device_->caps().maxTextureSize + 1;
  for (const auto& [width, height] : {std::pair{0, 1}, {1, -2}, {tooLarge, 1}, {1, tooLarge}}) {
    EXPECT_EQ(device_->createTexture(width, height, TextureUse::kImage, false), kNoTexture)
        << width << " x " << height;
  }
  const TextureId a = device_->createTexture(3, 5, TextureUse::kImage, false);
  const TextureId b = device_->createTexture(3, 5, TextureUse::kImage, false);
  EXPECT_NE(a, kNoTexture);
  EXPECT_NE(a, b);
  EXPECT_EQ(device_->textureSize(a), (Size{3, 5}));
  EXPECT_EQ(device_->textureSize(kNoTexture), (Size{0, 0}));
}

TEST_F(GlDeviceTest, PresentShowsSourceInDestinationAndKeepsTheBackBuffer) {
  // The back buffer's top half red, its bottom half green.
  backBuffer({8, 8}, 0xFF00FF00);
  DrawCall red = quad(kNoTexture, {0, 0, 8, 4}, {8, 8});
  for (Vertex& vertex : red.vertices) vertex.diffuse = 0xFFFF0000;
  device_->draw(red);

  device_->setVSync(false);
  ASSERT_EQ(device_->present({0, 0, 8, 8}, {100, 50, 116, 66}), PresentResult::kShown);

  const auto at = windowPixel;
  // Interior pixels only: the linear scaling may mix colours on the seam.
  for (std::int32_t x = 101; x < 115; ++x) {
    for (std::int32_t y = 51; y < 57; ++y) EXPECT_EQ(at(x, y), 0xFFFF0000U) << x << "," << y;
    for (std::int32_t y = 59; y < 65; ++y) EXPECT_EQ(at(x, y), 0xFF00FF00U) << x << "," << y;
  }
  for (const auto& [x, y] : {std::pair{99, 55}, {116, 55}, {108, 49}, {108, 66}, {0, 0}}) {
    EXPECT_EQ(at(x, y) & 0xFFFFFFU, 0U) << x << "," << y;
  }

  // The back buffer is still whole and still the target.
  assets::ImagePtr image = device_->readBack(kBackBuffer);
  ASSERT_TRUE(image);
  EXPECT_EQ(pixel(*image, 0, 0), 0xFFFF0000U);
  EXPECT_EQ(pixel(*image, 7, 7), 0xFF00FF00U);
  device_->clear(0xFF0000FF);
  image = device_->readBack(kBackBuffer);
  ASSERT_TRUE(image);
  EXPECT_EQ(pixel(*image, 7, 7), 0xFF0000FFU);
}

}  // namespace
}  // namespace tsuzuri::render::gl

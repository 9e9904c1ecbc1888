#include "render/gl/gl_device.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

namespace tsuzuri::render::gl {
namespace {

bool inside(std::int32_t x, std::int32_t y, const Rect& r) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// A quad over the pixels `pixels` of a target of size `target`, its corners
// half a pixel outside the pixel centres as the sprite geometry places
// them, the whole texture mapped onto it and `diffuse` on every vertex.
DrawCall quad(TextureId texture, const Rect& pixels, Size target,
              std::uint32_t diffuse = 0xFFFFFFFF) {
  DrawCall call;
  for (std::size_t i = 0; i < 4; ++i) {
    Vertex& v = call.vertices[i];
    v.x = static_cast<float>((i & 1) != 0 ? pixels.right : pixels.left) - 0.5F;
    v.y = static_cast<float>(i < 2 ? pixels.top : pixels.bottom) - 0.5F;
    v.u0 = (i & 1) != 0 ? 1.0F : 0.0F;
    v.v0 = i < 2 ? 0.0F : 1.0F;
    v.diffuse = diffuse;
  }
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
    EXPECT_TRUE(device_->writeTexture(id, 0, texels.data(), width, height, width));
    return id;
  }

  // Sets a back buffer of `size`, cleared to `background`.
  void backBuffer(Size size, std::uint32_t background) {
    ASSERT_TRUE(device_->resizeBackBuffer(size.width, size.height));
    ASSERT_TRUE(device_->setTarget(kBackBuffer));
    device_->clear(background);
  }

  // Expects `target` to be `size` with each pixel, read as 0xAARRGGBB (the
  // machine is little-endian, as the engine requires), within `tolerance`
  // per channel of expected(x, y).
  template <typename Expected>
  void expectPixels(TextureId target, Size size, int tolerance, Expected expected) {
    const assets::ImagePtr image = device_->readBack(target);
    ASSERT_TRUE(image && image->width == size.width && image->height == size.height);
    for (std::int32_t y = 0; y < size.height; ++y) {
      for (std::int32_t x = 0; x < size.width; ++x) {
        std::uint32_t actual = 0;
        std::memcpy(&actual, assets::pixelAt(*image, x, y), 4);
        const std::uint32_t want = expected(x, y);
        for (int shift = 0; shift < 32; shift += 8) {
          ASSERT_LE(std::abs(static_cast<int>(actual >> shift & 0xFFU) -
                             static_cast<int>(want >> shift & 0xFFU)),
                    tolerance)
              << std::hex << "0x" << actual << " against 0x" << want << std::dec << " at " << x
              << "," << y;
        }
      }
    }
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

TEST_F(GlDeviceTest, BackBufferResizesAndPresentsSourceInDestination) {
  const platform::PixelSize drawable = window_->drawableSize();
  expectPixels(kBackBuffer, {drawable.width, drawable.height}, 0,
               [](int, int) { return 0xFF000000U; });
  // Top half red, bottom half green: the quad must follow the new size.
  backBuffer({8, 8}, 0xFF00FF00);
  device_->draw(quad(kNoTexture, {0, 0, 8, 4}, {8, 8}, 0xFFFF0000));
  device_->setVSync(false);
  ASSERT_EQ(device_->present({0, 0, 8, 8}, {100, 50, 116, 66}), PresentResult::kShown);
  // Inside, away from the seam the linear scaling may mix, then just outside.
  const std::tuple<int, int, std::uint32_t> probes[] = {
      {101, 51, 0xFF0000}, {114, 56, 0xFF0000}, {101, 59, 0xFF00}, {114, 64, 0xFF00}, {99, 55, 0},
      {116, 55, 0},        {108, 49, 0},        {108, 66, 0},      {0, 0, 0}};
  for (const auto& [x, y, rgb] : probes) {
    EXPECT_EQ(windowPixel(x, y) & 0xFFFFFFU, rgb) << x << "," << y;
  }

  // Bad sizes are refused and leave the back buffer whole, and still the target.
  const int tooLarge = device_->caps().maxTextureSize + 1;
  for (const auto& [width, height] : {std::pair{0, 1}, {1, -2}, {tooLarge, 1}, {1, tooLarge}}) {
    EXPECT_FALSE(device_->resizeBackBuffer(width, height)) << width << " x " << height;
    EXPECT_EQ(device_->createTexture(width, height, TextureUse::kImage, false), kNoTexture);
  }
  expectPixels(kBackBuffer, {8, 8}, 0,
               [](int, int y) { return y < 4 ? 0xFFFF0000U : 0xFF00FF00U; });
  device_->clear(0xFF0000FF);
  expectPixels(kBackBuffer, {8, 8}, 0, [](int, int) { return 0xFF0000FFU; });
}

TEST_F(GlDeviceTest, QuadCoversExactlyItsPixelsWithoutBlur) {
  std::vector<std::uint32_t> texels(5 * 3);
  for (std::uint32_t i = 0; i < 15; ++i) texels[i] = 0xFF203040U + i * 0x110D07U;
  const TextureId texture = upload(5, 3, texels);
  const TextureId layer = device_->createTexture(13, 9, TextureUse::kRenderTarget, false);
  ASSERT_TRUE(device_->resizeBackBuffer(16, 12));
  for (const auto& [target, size, filter] : {std::tuple{kBackBuffer, Size{16, 12}, Filter::kLinear},
                                             {layer, Size{13, 9}, Filter::kLinear},
                                             {layer, Size{13, 9}, Filter::kPoint}}) {
    SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
    ASSERT_TRUE(device_->setTarget(target));
    device_->clear(0xFF202020);
    // Built at the origin and moved by the world transform, which also
    // checks that the row-vector matrix reaches the shader the right way.
    DrawCall call = quad(texture, {0, 0, 5, 3}, size);
    Matrix4 move = Matrix4::identity();
    move.at(3, 0) = 7;
    move.at(3, 1) = 4;
    call.transform = move * call.transform;
    call.filter = filter;
    device_->draw(call);
    expectPixels(target, size, 0, [&](int x, int y) {
      return inside(x, y, {7, 4, 12, 7}) ? texels[static_cast<std::size_t>((y - 4) * 5 + x - 7)]
                                         : 0xFF202020U;
    });
  }
}

TEST_F(GlDeviceTest, FiltersPointOrLinearAndClampsAtTheEdges) {
  const TextureId texture = upload(2, 1, {0xFF000000, 0xFFFFFFFF});
  // Magnified twice, point filtered on the top row and linearly below.
  backBuffer({4, 2}, 0);
  for (std::int32_t row = 0; row < 2; ++row) {
    DrawCall call = quad(texture, {0, row, 4, row + 1}, {4, 2});
    call.filter = row == 0 ? Filter::kPoint : Filter::kLinear;
    device_->draw(call);
  }
  const std::uint32_t expected[2][4] = {{0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF},
                                        {0xFF000000, 0xFF404040, 0xFFBFBFBF, 0xFFFFFFFF}};
  expectPixels(kBackBuffer, {4, 2}, 1, [&](int x, int y) { return expected[y][x]; });
}

// Each blend mode, in the order of the enumeration, as the composition
// defines it: s and a are the colour and alpha that leave the texture
// stages, d the target. The alpha channel takes the same formula with s = a,
// and from the multiply mode on with a = 1 as well.
double (*const kBlendFormulas[kBlendModeCount])(double s, double a, double d) = {
    [](double s, double, double) { return s; },
    [](double s, double a, double d) { return s * a + d * (1 - a); },
    [](double s, double a, double d) { return d + s * a; },
    [](double s, double a, double d) { return d - s * a; },
    [](double s, double a, double d) { return d * (s * a + 1 - a); },
    [](double s, double a, double d) { return d + s * a * (1 - d); },
    [](double s, double a, double d) { return std::max(d, s * a); },
    [](double s, double a, double d) { return std::min(d, s * a + 1 - a); },
    [](double s, double a, double d) { return s * a * (1 - d) + d * (1 - s * a); },
};

TEST_F(GlDeviceTest, BlendsWithEveryModeAndColourOperation) {
  constexpr std::uint32_t kBackground = 0xA0406090, kTexel = 0xB0C03060, kDiffuse = 0xE0FFFFFF;
  const std::pair<ColourOp, std::uint32_t> operations[] = {{ColourOp::kNone, 0xFF000000},
                                                           {ColourOp::kModulate, 0x20C04080},
                                                           {ColourOp::kAdd, 0x10402090}};
  const TextureId texture = upload(1, 1, {kTexel});
  // One pixel per case: the row is the colour operation, the column the mode.
  const Size size{kBlendModeCount, 3};
  backBuffer(size, kBackground);
  for (std::int32_t row = 0; row < 3; ++row) {
    for (std::int32_t column = 0; column < kBlendModeCount; ++column) {
      DrawCall call = quad(texture, {column, row, column + 1, row + 1}, size, kDiffuse);
      call.blend = static_cast<BlendMode>(column);
      std::tie(call.colourOp, call.colourFactor) = operations[row];
      device_->draw(call);
    }
  }
  const auto unit = [](std::uint32_t value, int shift) { return (value >> shift & 0xFFU) / 255.0; };
  const auto byte = [](double v, int shift) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)) << shift;
  };
  const double a = unit(kTexel, 24) * unit(kDiffuse, 24);
  expectPixels(kBackBuffer, size, 2, [&](int column, int row) {
    const auto formula = kBlendFormulas[column];
    const auto [op, factor] = operations[row];
    const double alphaA = column >= static_cast<int>(BlendMode::kMultiply) ? 1 : a;
    std::uint32_t expected = byte(formula(a, alphaA, unit(kBackground, 24)), 24);
    for (int shift = 0; shift < 24; shift += 8) {
      const double s = unit(kTexel, shift) * unit(kDiffuse, shift);
      const double source = op == ColourOp::kModulate ? s * unit(factor, shift)
                            : op == ColourOp::kAdd    ? std::min(s + unit(factor, shift), 1.0)
                                                      : s;
      expected |= byte(formula(source, a, unit(kBackground, shift)), shift);
    }
    return expected;
  });
}

TEST_F(GlDeviceTest, RenderTargetIsDrawnReadBackAndSampledTopDown) {
  const TextureId image = upload(1, 1, {0xFFFFFFFF});
  const TextureId layer = device_->createTexture(6, 4, TextureUse::kRenderTarget, false);
  EXPECT_NE(layer, device_->createTexture(6, 4, TextureUse::kRenderTarget, false));
  ASSERT_TRUE(device_->setTarget(layer));
  device_->clear(0x80402010);
  // The diffuse colour alone (no texture), copied over the top left.
  device_->draw(quad(kNoTexture, {1, 0, 3, 2}, {6, 4}, 0xC0306090));
  // An unknown program, texture or blend mode draws nothing.
  DrawCall call = quad(image, {0, 0, 6, 4}, {6, 4});
  call.program = static_cast<Program>(1);
  device_->draw(call);
  call.program = Program::kPlain;
  call.texture0 = 999;
  device_->draw(call);
  call.texture0 = image;
  call.blend = static_cast<BlendMode>(kBlendModeCount);
  device_->draw(call);
  const auto layerPixel = [](int x, int y) {
    return inside(x, y, {1, 0, 3, 2}) ? 0xC0306090U : 0x80402010U;
  };
  expectPixels(layer, {6, 4}, 0, layerPixel);
  EXPECT_EQ(device_->readBack(layer)->pixels[0], 0x10) << "blue first in memory";

  backBuffer({12, 8}, 0xFF000000);
  device_->draw(quad(layer, {3, 2, 9, 6}, {12, 8}));
  expectPixels(kBackBuffer, {12, 8}, 0, [&](int x, int y) {
    return inside(x, y, {3, 2, 9, 6}) ? layerPixel(x - 3, y - 2) : 0xFF000000U;
  });

  EXPECT_FALSE(device_->readBack(12345));
  EXPECT_FALSE(device_->readBack(image)) << "an image is not a target";
  EXPECT_FALSE(device_->setTarget(image));
  EXPECT_FALSE(device_->setTarget(777));
  ASSERT_TRUE(device_->setTarget(layer));
  device_->destroyTexture(layer);
  EXPECT_FALSE(device_->setTarget(layer));
  // Destroying the current target leaves the back buffer as the target.
  device_->clear(0xFF00FF00);
  expectPixels(kBackBuffer, {12, 8}, 0, [](int, int) { return 0xFF00FF00U; });
}

TEST_F(GlDeviceTest, WriteTextureFillsTheCornerClearsTheRestAndWritesSmallerLevels) {
  const std::vector<std::uint32_t> red(16, 0xFFFF0000);
  const TextureId texture = upload(4, 4, red, true);
  // Two columns of three rows, with a source stride of three pixels.
  const std::vector<std::uint32_t> region{0xFF000001, 0xFF000002, 0xDEADBEEF,
                                          0xFF000003, 0xFF000004, 0xDEADBEEF,
                                          0xFF000005, 0xFF000006, 0xDEADBEEF};
  ASSERT_TRUE(device_->writeTexture(texture, 0, region.data(), 2, 3, 3));
  const std::vector<std::uint32_t> green(4, 0xFF00FF00);
  ASSERT_TRUE(device_->writeTexture(texture, 1, green.data(), 2, 2, 2));
  // Level 0 at full size on the left, minified to level 1 on the right.
  backBuffer({6, 4}, 0xFF808080);
  device_->draw(quad(texture, {0, 0, 4, 4}, {6, 4}));
  DrawCall minified = quad(texture, {4, 0, 6, 2}, {6, 4});
  minified.filter = Filter::kLinear;
  device_->draw(minified);
  expectPixels(kBackBuffer, {6, 4}, 0, [&](int x, int y) {
    return inside(x, y, {0, 0, 2, 3})   ? region[static_cast<std::size_t>(y * 3 + x)]
           : inside(x, y, {0, 0, 4, 4}) ? 0U
           : inside(x, y, {4, 0, 6, 2}) ? 0xFF00FF00U
                                        : 0xFF808080U;
  });

  // Texture 0 stands for an unknown one: then a negative level, a level beyond
  // 1 x 1, wider than level 0, taller than level 1, wider than level 2 and a
  // stride below the width.
  const std::int32_t refusals[][5] = {{0, 0, 1, 1, 1}, {1, -1, 1, 1, 1}, {1, 3, 1, 1, 1},
                                      {1, 0, 5, 1, 5}, {1, 1, 1, 3, 1},  {1, 2, 2, 1, 2},
                                      {1, 0, 2, 2, 1}};
  for (const auto& [known, level, columns, rows, stride] : refusals) {
    EXPECT_FALSE(device_->writeTexture(known != 0 ? texture : 4242, level, red.data(), columns,
                                       rows, stride))
        << level << ": " << columns << " x " << rows << " / " << stride;
  }
  EXPECT_FALSE(device_->writeTexture(texture, 0, nullptr, 2, 2, 2));
}

}  // namespace
}  // namespace tsuzuri::render::gl

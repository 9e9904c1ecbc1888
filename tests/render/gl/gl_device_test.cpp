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
#include "render/renderer.h"
#include "render/scaling_filters.h"

namespace tsuzuri::render::gl {
namespace {

bool inside(std::int32_t x, std::int32_t y, const Rect& r) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// A quad over the pixels `pixels` of a target of size `target`, its corners
// half a pixel outside the pixel centres as the sprite geometry places
// them, the whole texture mapped onto it and `diffuse` on every vertex.
// The second coordinate pair maps texture 1 mirrored left to right, so
// that a program reading it with the first pair shows.
DrawCall quad(TextureId texture, const Rect& pixels, Size target,
              std::uint32_t diffuse = 0xFFFFFFFF) {
  DrawCall call;
  for (std::size_t i = 0; i < 4; ++i) {
    Vertex& v = call.vertices[i];
    v.x = static_cast<float>((i & 1) != 0 ? pixels.right : pixels.left) - 0.5F;
    v.y = static_cast<float>(i < 2 ? pixels.top : pixels.bottom) - 0.5F;
    v.u0 = (i & 1) != 0 ? 1.0F : 0.0F;
    v.v0 = i < 2 ? 0.0F : 1.0F;
    v.u1 = 1.0F - v.u0;
    v.v1 = v.v0;
    v.diffuse = diffuse;
  }
  call.transform = Matrix4::pixelOrtho(target.width, target.height);
  call.texture0 = texture;
  call.filter = Filter::kPoint;
  return call;
}

// A colour as unit values, indexed as the bytes of 0xAARRGGBB from the low
// end: blue, green, red, alpha.
using Colour = std::array<double, 4>;

Colour unpack(std::uint32_t argb) {
  Colour colour{};
  for (std::size_t i = 0; i < 4; ++i) colour[i] = (argb >> (8 * i) & 0xFFU) / 255.0;
  return colour;
}

std::uint32_t pack(const Colour& colour) {
  std::uint32_t argb = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    argb |= static_cast<std::uint32_t>(std::lround(std::clamp(colour[i], 0.0, 1.0) * 255.0))
            << (8 * i);
  }
  return argb;
}

Colour times(const Colour& a, const Colour& b) {
  return {a[0] * b[0], a[1] * b[1], a[2] * b[2], a[3] * b[3]};
}

// A program constant, which holds red, green, blue and alpha in that order.
Colour fromConstant(const std::array<float, 4>& rgba) {
  return {rgba[2], rgba[1], rgba[0], rgba[3]};
}

// The colour operation: the colour times or plus the operand's colour.
Colour applyColourOp(Colour colour, ColourOp op, const Colour& operand) {
  for (std::size_t i = 0; i < 3; ++i) {
    if (op == ColourOp::kModulate) colour[i] *= operand[i];
    if (op == ColourOp::kAdd) colour[i] += operand[i];
  }
  return colour;
}

// Each blend mode, in the order of the enumeration, as the composition
// defines it: s and a are the colour and alpha that leave the program, d
// the target. The alpha channel takes the same formula with s = a,
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

// `background` after a program's output `source` (kept within [0, 1], as
// the target keeps it) is blended onto it with `mode`.
std::uint32_t blended(const Colour& source, std::uint32_t background, BlendMode mode) {
  const auto formula = kBlendFormulas[static_cast<int>(mode)];
  const Colour d = unpack(background);
  const double a = std::clamp(source[3], 0.0, 1.0);
  Colour result{};
  for (std::size_t i = 0; i < 3; ++i) result[i] = formula(std::clamp(source[i], 0.0, 1.0), a, d[i]);
  result[3] = formula(a, mode >= BlendMode::kMultiply ? 1 : a, d[3]);
  return pack(result);
}

// What the masking program computes for one pixel.
Colour alphaMask(std::uint32_t image, std::uint32_t mask, std::uint32_t diffuse,
                 const DrawCall& call) {
  Colour colour = times(unpack(image), unpack(diffuse));
  const auto& c = call.constants;
  colour[3] *= std::min(c[1][0] - unpack(mask)[2] * c[0][0], 1.0);
  return applyColourOp(colour, call.colourOp, fromConstant(c[2]));
}

// What the cross-fade program computes for one pixel.
Colour stand(std::uint32_t older, std::uint32_t newer, std::uint32_t diffuse,
             const DrawCall& call) {
  const Colour a = times(unpack(older), unpack(diffuse));
  const Colour b = times(unpack(newer), unpack(diffuse));
  const double t = call.constants[0][0];
  const double fadedA = (1 - t) * a[3];
  const double fadedB = t * b[3];
  const double alpha = fadedA * (1 - fadedB) + fadedB;
  const auto towardsB = [&](double weight, double resultAlpha) {
    return Colour{a[0] + (b[0] - a[0]) * weight, a[1] + (b[1] - a[1]) * weight,
                  a[2] + (b[2] - a[2]) * weight, resultAlpha};
  };
  Colour colour{};
  if (a == b) {
    colour = a;
  } else if (b[3] == 0) {
    colour = a[3] == 0 ? Colour{} : Colour{a[0], a[1], a[2], fadedA};
  } else if (a[3] == 0) {
    colour = {b[0], b[1], b[2], fadedB};
  } else if (a[3] > 0.996 && b[3] > 0.996) {
    colour = towardsB(fadedB, 1);
  } else {
    colour = towardsB(fadedB / alpha, alpha);
  }
  return applyColourOp(colour, call.colourOp, fromConstant(call.constants[1]));
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
  expectPixels(kBackBuffer, size, 2, [&](int column, int row) {
    const auto [op, factor] = operations[row];
    // The plain program keeps the texture's colour and takes the diffuse alpha.
    Colour source = unpack(kTexel);
    source[3] *= unpack(kDiffuse)[3];
    source = applyColourOp(source, op, unpack(factor));
    return blended(source, kBackground, static_cast<BlendMode>(column));
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
  // An unknown program, texture or blend mode draws nothing, nor does a
  // masking, cross-fade or mask-fade draw without its texture 1.
  DrawCall call = quad(image, {0, 0, 6, 4}, {6, 4});
  call.program = static_cast<Program>(0xFF);
  device_->draw(call);
  call.constants[1] = {1, 1, 1, 1};
  for (const Program program : {Program::kAlphaMask, Program::kStand, Program::kMaskFade}) {
    call.program = program;
    for (const TextureId missing : {kNoTexture, TextureId{999}}) {
      call.texture1 = missing;
      device_->draw(call);
    }
  }
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

// The vague-128 mask constants of the composition: forward at a progress
// whose threshold lies past the end (so the minimum shows), reversed, and
// a flat half.
constexpr std::array<std::array<float, 2>, 3> kMaskConstants{
    {{255.0F / 128, 1.2F}, {-255.0F / 128, 0.2F}, {0.0F, 0.5F}}};
const std::pair<ColourOp, std::array<float, 4>> kSpriteColourOps[] = {
    {ColourOp::kNone, {0.0F, 0.0F, 0.0F, 0.0F}},
    {ColourOp::kModulate, {0.5F, 0.25F, 1.0F, 1.0F}},
    {ColourOp::kAdd, {0.25F, 0.5F, 0.125F, 1.0F}}};

TEST_F(GlDeviceTest, AlphaMaskScalesTheAlphaByTheMaskWithEachColourOperation) {
  ASSERT_TRUE(device_->caps().spritePrograms);
  constexpr std::uint32_t kDiffuse = 0xC0FFE0A0;
  const std::vector<std::uint32_t> image{0xFFC08040, 0x80FF2060, 0xE0406080, 0xA0FFFFFF};
  // The red channel is the mask; the others differ from it so that reading
  // them shows. The texture is laid out mirrored, as the second coordinate
  // pair maps it.
  const std::uint32_t reds[] = {0x00, 0x40, 0x80, 0xFF};
  std::vector<std::uint32_t> mask(4);
  for (std::size_t x = 0; x < 4; ++x) {
    mask[3 - x] = 0x7F00005AU | reds[x] << 16 | (0xFF - reds[x]) << 8;
  }
  const TextureId imageTexture = upload(4, 1, image);
  const TextureId maskTexture = upload(4, 1, mask);

  // One row per constant pair and colour operation, one column per texel;
  // the copy mode leaves what the program computed.
  const Size size{4, 9};
  backBuffer(size, 0xFF102030);
  std::vector<DrawCall> calls;
  for (const auto& [c0, c1] : kMaskConstants) {
    for (const auto& [op, c2] : kSpriteColourOps) {
      const auto row = static_cast<std::int32_t>(calls.size());
      DrawCall call = quad(imageTexture, {0, row, 4, row + 1}, size, kDiffuse);
      call.program = Program::kAlphaMask;
      call.texture1 = maskTexture;
      call.colourOp = op;
      call.constants = {{{c0, 0, 0, 0}, {c1, 0, 0, 0}, c2}};
      device_->draw(call);
      calls.push_back(call);
    }
  }
  expectPixels(kBackBuffer, size, 2, [&](int x, int y) {
    const auto column = static_cast<std::size_t>(x);
    return pack(
        alphaMask(image[column], mask[3 - column], kDiffuse, calls[static_cast<std::size_t>(y)]));
  });
}

TEST_F(GlDeviceTest, AlphaMaskSamplesTheMaskWithTheDrawsFilterClampedAtTheEdges) {
  const TextureId image = upload(1, 1, {0xFFFFFFFF});
  // Mirrored by the second coordinate pair: the red one is on the left.
  const TextureId mask = upload(2, 1, {0xFF00FFFF, 0xFFFF0000});
  const std::uint32_t seen[2][4] = {{0xFFFF0000, 0xFFFF0000, 0xFF00FFFF, 0xFF00FFFF},
                                    {0xFFFF0000, 0xFFBF4040, 0xFF40BFBF, 0xFF00FFFF}};
  backBuffer({4, 2}, 0);
  std::vector<DrawCall> calls;
  for (const Filter filter : {Filter::kPoint, Filter::kLinear}) {
    const auto row = static_cast<std::int32_t>(calls.size());
    DrawCall call = quad(image, {0, row, 4, row + 1}, {4, 2});
    call.program = Program::kAlphaMask;
    call.texture1 = mask;
    call.filter = filter;
    call.constants = {{{1, 0, 0, 0}, {1, 0, 0, 0}, {}}};
    device_->draw(call);
    calls.push_back(call);
  }
  expectPixels(kBackBuffer, {4, 2}, 1, [&](int x, int y) {
    return pack(alphaMask(0xFFFFFFFF, seen[y][x], 0xFFFFFFFF, calls[static_cast<std::size_t>(y)]));
  });
}

TEST_F(GlDeviceTest, StandCrossFadesInEachCaseWithEachColourOperation) {
  // Old and new pixel: identical, transparent new, both transparent,
  // transparent old, both opaque, both partly transparent.
  const std::pair<std::uint32_t, std::uint32_t> pairs[] = {
      {0x80C04020, 0x80C04020}, {0xC0306090, 0x00FFFFFF}, {0x00112233, 0x00445566},
      {0x00FF0000, 0xA040A0F0}, {0xFF204060, 0xFFE0C0A0}, {0x80FF8000, 0x6000FF80}};
  constexpr std::size_t kPairs = std::size(pairs);
  std::vector<std::uint32_t> older(kPairs), newer(kPairs);
  for (std::size_t x = 0; x < kPairs; ++x) {
    older[x] = pairs[x].first;
    newer[kPairs - 1 - x] = pairs[x].second;  // mirrored, as the second pair maps it
  }
  const TextureId olderTexture = upload(kPairs, 1, older);
  const TextureId newerTexture = upload(kPairs, 1, newer);

  struct Case {
    float progress;
    ColourOp op;
    std::array<float, 4> c1;
    std::uint32_t diffuse;
  };
  // The last row's diffuse alpha keeps the opaque pair from counting as opaque.
  const Case cases[] = {{0.0F, ColourOp::kNone, {}, 0xFFFFE0C0},
                        {0.5F, ColourOp::kNone, {}, 0xFFFFE0C0},
                        {1.0F, ColourOp::kNone, {}, 0xFFFFE0C0},
                        {0.5F, ColourOp::kModulate, {0.5F, 0.75F, 0.25F, 1.0F}, 0xFFFFFFFF},
                        {0.25F, ColourOp::kAdd, {0.25F, 0.125F, 0.5F, 1.0F}, 0xFFFFFFFF},
                        {0.75F, ColourOp::kNone, {}, 0xF0FFFFFF}};
  const Size size{static_cast<std::int32_t>(kPairs), static_cast<std::int32_t>(std::size(cases))};
  backBuffer(size, 0xFF102030);
  std::vector<DrawCall> calls;
  for (const Case& c : cases) {
    const auto row = static_cast<std::int32_t>(calls.size());
    DrawCall call = quad(olderTexture, {0, row, size.width, row + 1}, size, c.diffuse);
    call.program = Program::kStand;
    call.texture1 = newerTexture;
    call.colourOp = c.op;
    call.constants = {{{c.progress, 0, 0, 0}, c.c1, {}}};
    device_->draw(call);
    calls.push_back(call);
  }
  expectPixels(kBackBuffer, size, 2, [&](int x, int y) {
    const auto& [old, fresh] = pairs[x];
    return pack(stand(old, fresh, cases[y].diffuse, calls[static_cast<std::size_t>(y)]));
  });
}

TEST_F(GlDeviceTest, SpriteProgramsBlendWithEveryMode) {
  constexpr std::uint32_t kBackground = 0xA0406090, kImage = 0xB0C03060, kDiffuse = 0xE0FFFFFF;
  constexpr std::uint32_t kMask = 0xFF40FFFF, kNewImage = 0x9020A0E0;
  const TextureId image = upload(1, 1, {kImage});
  const TextureId mask = upload(1, 1, {kMask});
  const TextureId newImage = upload(1, 1, {kNewImage});
  // Row 0 masks with the multiplying colour operation, row 1 cross-fades
  // with the adding one, whose sum passes 1 in red and blue; one column per
  // mode.
  const Size size{kBlendModeCount, 2};
  backBuffer(size, kBackground);
  std::vector<DrawCall> calls;
  for (std::int32_t row = 0; row < 2; ++row) {
    for (std::int32_t column = 0; column < kBlendModeCount; ++column) {
      DrawCall call = quad(image, {column, row, column + 1, row + 1}, size, kDiffuse);
      call.blend = static_cast<BlendMode>(column);
      if (row == 0) {
        call.program = Program::kAlphaMask;
        call.texture1 = mask;
        call.colourOp = ColourOp::kModulate;
        call.constants = {{{2, 0, 0, 0}, {1.1F, 0, 0, 0}, {0.5F, 1, 0.75F, 1}}};
      } else {
        call.program = Program::kStand;
        call.texture1 = newImage;
        call.colourOp = ColourOp::kAdd;
        call.constants = {{{0.4F, 0, 0, 0}, {0.75F, 0.25F, 0.75F, 1}, {}}};
      }
      device_->draw(call);
      calls.push_back(call);
    }
  }
  expectPixels(kBackBuffer, size, 2, [&](int column, int row) {
    const DrawCall& call = calls[static_cast<std::size_t>(row * kBlendModeCount + column)];
    const Colour source = row == 0 ? alphaMask(kImage, kMask, kDiffuse, call)
                                   : stand(kImage, kNewImage, kDiffuse, call);
    return blended(source, kBackground, call.blend);
  });
}

// A 16 × 12 test picture: a gradient in colour and alpha on the left, a
// checkerboard of two-texel squares, half of them half transparent, on the
// right, with sharp edges between.
std::vector<std::uint32_t> scalingPicture() {
  std::vector<std::uint32_t> texels;
  for (std::uint32_t y = 0; y < 12; ++y) {
    for (std::uint32_t x = 0; x < 16; ++x) {
      if (x < 8) {
        texels.push_back((255 - y * 8) << 24 | x * 32 << 16 | y * 20 << 8 | (255 - x * 16));
      } else {
        texels.push_back(((x / 2 + y / 2) % 2 != 0) ? 0xFFFFFFFFU : 0x80000000U | y * 16);
      }
    }
  }
  return texels;
}

TEST_F(GlDeviceTest, ScalingProgramsMatchTheProcessorFilters) {
  ASSERT_EQ(device_->caps().pixelShaderLevel, 3);
  const std::vector<std::uint32_t> texels = scalingPicture();
  const PixelView view{texels.data(), {16, 12}, 16};
  const TextureId picture = upload(16, 12, texels);
  constexpr std::uint32_t kBackground = 0xFF102030;
  // Enlarged, reduced, at its own size, by an odd ratio, and letter-boxed
  // in a larger back buffer.
  const std::pair<Size, Rect> scales[] = {{{40, 30}, {0, 0, 40, 30}},
                                          {{8, 6}, {0, 0, 8, 6}},
                                          {{16, 12}, {0, 0, 16, 12}},
                                          {{23, 17}, {0, 0, 23, 17}},
                                          {{48, 30}, {7, 3, 41, 27}}};
  constexpr const char* kNames[] = {"BiLinearSharp", "Lanczos1", "BiQuad", "BiCubic", "Lanczos2"};
  for (int index = 0; index < kScalingFilterCount; ++index) {
    const auto filter = static_cast<ScalingFilter>(index);
    for (const auto& [target, destination] : scales) {
      SCOPED_TRACE(testing::Message() << kNames[index] << " to " << destination.width() << " x "
                                      << destination.height());
      backBuffer(target, kBackground);
      device_->draw(scalingQuad(picture, {16, 12}, destination, target, Filter::kLinear, filter));
      const Size scaled{destination.width(), destination.height()};
      expectPixels(kBackBuffer, target, 2, [&](int x, int y) {
        return inside(x, y, destination)
                   ? scaledPixel(view, filter, scaled, x - destination.left, y - destination.top)
                   : kBackground;
      });
    }
  }
}

TEST_F(GlDeviceTest, MaskFadeShowsTheNewPictureWhereTheMaskIsBelowTheThreshold) {
  // The picture's own alpha must not show: the mask alone decides.
  const std::vector<std::uint32_t> image{0xFFC08040, 0x40FF2060, 0x00406080, 0xA0FFFFFF,
                                         0xFF000000};
  const std::uint32_t reds[] = {0x00, 0x40, 0x80, 0xC0, 0xFF};
  std::vector<std::uint32_t> mask(5);
  for (std::size_t x = 0; x < 5; ++x) {
    mask[4 - x] = 0x7F00005AU | reds[x] << 16 | (0xFF - reds[x]) << 8;  // mirrored
  }
  const TextureId imageTexture = upload(5, 1, image);
  const TextureId maskTexture = upload(5, 1, mask);
  // Vague and progress (0 to vague + 255) as the stage transition passes
  // them, and the blend: copy shows the alpha itself.
  struct Case {
    float vague;
    float progress;
    BlendMode blend;
  };
  const Case cases[] = {{64, 100, BlendMode::kCopy},  {64, 0, BlendMode::kAlpha},
                        {64, 160, BlendMode::kAlpha}, {64, 319, BlendMode::kAlpha},
                        {1, 128, BlendMode::kCopy},   {255, 300, BlendMode::kAlpha}};
  constexpr std::uint32_t kBackground = 0xFF306090;
  const Size size{5, static_cast<std::int32_t>(std::size(cases))};
  backBuffer(size, kBackground);
  for (std::int32_t row = 0; row < size.height; ++row) {
    const Case& c = cases[row];
    DrawCall call = quad(imageTexture, {0, row, 5, row + 1}, size);
    call.program = Program::kMaskFade;
    call.texture1 = maskTexture;
    call.blend = c.blend;
    call.constants = {{{255.0F / c.vague, 0, 0, 0}, {c.progress / 255.0F, 0, 0, 0}, {}}};
    device_->draw(call);
  }
  expectPixels(kBackBuffer, size, 2, [&](int x, int y) {
    const Case& c = cases[y];
    Colour source = unpack(image[static_cast<std::size_t>(x)]);
    source[3] = std::clamp((c.progress - static_cast<double>(reds[x])) / c.vague, 0.0, 1.0);
    return blended(source, kBackground, c.blend);
  });
}

}  // namespace
}  // namespace tsuzuri::render::gl

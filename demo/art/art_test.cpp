#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <numbers>
#include <string>

#include "art/canvas.h"
#include "art/pictures.h"
#include "assets/image_codecs.h"
#include "assets/image_save.h"

namespace tsuzuri::art {
namespace {

// A picture as the engine reads it back from the PNG file written for it.
assets::ImagePtr throughPng(const Picture& picture) {
  const assets::EncodedImage png =
      assets::encodeImage(picture.name, picture.image.get(), 1, picture.depth, 9, 0);
  EXPECT_TRUE(png.ok) << picture.name;
  return assets::loadImage(png.bytes);
}

std::map<std::string, assets::ImagePtr> decoded(const std::vector<Picture>& pictures) {
  std::map<std::string, assets::ImagePtr> images;
  for (const Picture& picture : pictures) images[picture.name] = throughPng(picture);
  return images;
}

// 0xAARRGGBB of a pixel.
std::uint32_t argb(assets::ImageBuffer& image, int x, int y) {
  const std::uint8_t* p = assets::pixelAt(image, x, y);
  return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}

int channel(assets::ImageBuffer& image, int x, int y, int c) {
  return assets::pixelAt(image, x, y)[c];
}

TEST(DemoArtCanvas, ShapesCoverInsideNotOutsideAndHalfOnTheEdge) {
  struct Case {
    const char* name;
    Shape shape;
    int inX, inY;
    int outX, outY;
    int edgeX, edgeY;  // a pixel whose centre lies on the edge
  };
  const float pi = std::numbers::pi_v<float>;
  const std::vector<Case> cases = {
      {"circle", circle(20.5f, 20.5f, 10), 20, 20, 5, 5, 30, 20},
      {"ellipse", ellipse(20.5f, 20.5f, 12, 6), 20, 20, 20, 10, 32, 20},
      {"box", box(10.5f, 10.5f, 30.5f, 30.5f), 20, 20, 5, 20, 10, 20},
      {"rounded box corner", box(10.5f, 10.5f, 30.5f, 30.5f, 6), 20, 20, 11, 11, 30, 20},
      {"triangle", polygon({{10.5f, 10.5f}, {30.5f, 10.5f}, {10.5f, 30.5f}}), 13, 13, 28, 28, 20,
       10},
      {"capsule", capsule({10.5f, 20.5f}, {30.5f, 20.5f}, 4, 4), 20, 20, 20, 10, 20, 16},
      {"tapered capsule end", capsule({10.5f, 20.5f}, {30.5f, 20.5f}, 2, 6), 30, 20, 10, 16, 36,
       20},
      {"lower arc", arc(20.5f, 20.5f, 10, 0, pi, 2), 20, 30, 20, 10, 20, 31},
      {"ground", ground([](float) { return 20.5f; }, 40, 40), 20, 30, 20, 10, 7, 20},
      {"half plane above", halfPlane(20.5f, true), 3, 3, 3, 30, 3, 20},
      {"grown circle", grow(circle(20.5f, 20.5f, 8), 2), 20, 20, 5, 5, 20, 30},
      {"moved circle", translate(circle(10.5f, 20.5f, 10), 10, 0), 28, 20, 5, 20, 30, 20},
      {"union", unite(circle(10.5f, 20.5f, 5), circle(30.5f, 20.5f, 5)), 30, 20, 20, 20, 35, 20},
      {"intersection", intersect(box(0, 0, 40, 40), halfPlane(20.5f, false)), 20, 30, 20, 5, 20,
       20},
      {"ring", subtract(circle(20.5f, 20.5f, 12), circle(20.5f, 20.5f, 6)), 20, 30, 20, 20, 26, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(40, 40);
    canvas.fill(c.shape, rgb(255, 0, 0));
    EXPECT_FLOAT_EQ(canvas.at(c.inX, c.inY).a, 1.0f);
    EXPECT_FLOAT_EQ(canvas.at(c.outX, c.outY).a, 0.0f);
    EXPECT_NEAR(canvas.at(c.edgeX, c.edgeY).a, 0.5f, 0.05f);
  }
}

TEST(DemoArtCanvas, ComposesOverAndWritesStraightAlpha) {
  Canvas canvas(6, 1);
  canvas.fill(box(-5, -5, 1.5f, 5), rgb(0, 0, 255));
  canvas.fill(box(-5, -5, 20, 5), rgb(255, 0, 0, 0.5f));
  canvas.fillOutlined(box(4.5f, -5, 20, 5), rgb(0, 255, 0), rgb(0, 0, 0), 1);
  const assets::ImagePtr image = canvas.toImage();
  EXPECT_EQ(argb(*image, 0, 0), 0xFF800080u);  // half red over blue
  EXPECT_EQ(argb(*image, 2, 0), 0x80FF0000u);  // half red over nothing keeps its colour
  EXPECT_EQ(argb(*image, 4, 0), 0xFF008000u);  // the fill's soft edge over its outline
  EXPECT_EQ(argb(*image, 5, 0), 0xFF00FF00u);
}

// The test pictures are read by the sprite tests, whose expected frames
// rest on these exact values.
TEST(DemoArt, TestPicturesHoldTheirStatedPixels) {
  using Expected = std::function<std::uint32_t(int, int)>;
  const auto opaque = [](int r, int g, int b) {
    return 0xFF000000u | static_cast<std::uint32_t>(r << 16 | g << 8 | b);
  };
  struct Case {
    const char* name;
    int width;
    int height;
    Expected pixel;
  };
  const std::vector<Case> cases = {
      {"bg.png", 320, 240,
       [&](int x, int y) {
         if (x < 160 && y < 120)
           return (x / 16 + y / 16) % 2 ? opaque(240, 240, 240) : opaque(32, 32, 32);
         return opaque(y * 255 / 239, 96, 255 - y * 255 / 239);
       }},
      {"solid.png", 64, 64, [&](int, int) { return opaque(200, 100, 50); }},
      {"half.png", 64, 64, [](int, int) { return 0x803296FAu; }},
      {"ramp.png", 64, 64,
       [](int x, int) { return static_cast<std::uint32_t>(x * 4 + 2) << 24 | 0xFFFFFFu; }},
      {"mask.png", 64, 64, [&](int x, int) { return opaque(x * 4, x * 4, x * 4); }},
      {"cells.png", 128, 64,
       [&](int x, int) { return x < 64 ? opaque(0, 255, 0) : opaque(0, 0, 255); }},
      {"wide.png", 300, 40,
       [&](int x, int) { return x % 20 < 10 ? opaque(250, 210, 60) : opaque(40, 60, 200); }},
  };
  std::map<std::string, assets::ImagePtr> images = decoded(testPictures());
  ASSERT_EQ(images.size(), cases.size());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    assets::ImageBuffer* image = images[c.name].get();
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->width, c.width);
    ASSERT_EQ(image->height, c.height);
    int wrong = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        if (argb(*image, x, y) != c.pixel(x, y) && wrong++ == 0) {
          ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << argb(*image, x, y);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// The copies kept beside the sprite tests are what the generator draws now.
TEST(DemoArt, TestPicturesMatchTheFilesOfTheSpriteTests) {
  for (const Picture& picture : testPictures()) {
    SCOPED_TRACE(picture.name);
    const std::string path = std::string(TSUZURI_SPRITE_FILES) + "/" + picture.name;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<std::uint8_t> bytes(1 << 16);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    const assets::ImagePtr kept = assets::loadImage(bytes);
    const assets::ImagePtr drawn = throughPng(picture);
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(kept->width, drawn->width);
    ASSERT_EQ(kept->height, drawn->height);
    EXPECT_EQ(
        std::memcmp(kept->pixels, drawn->pixels, static_cast<std::size_t>(kept->pixelCount) * 4),
        0);
  }
}

TEST(DemoArt, DemoPicturesHaveTheirSizesAndKinds) {
  std::vector<Picture> pictures = demoPictures();
  std::map<std::string, assets::ImagePtr> images = decoded(pictures);
  struct Case {
    const char* name;
    int width;
    int height;
    bool opaque;
    bool grey;
  };
  const Case cases[] = {
      {"bg.png", 1280, 720, true, false},      {"chara.png", 360, 620, false, false},
      {"chara2.png", 360, 620, false, false},  {"mask.png", 512, 512, true, true},
      {"card.png", 480, 270, false, false},    {"rule.png", 1280, 720, true, true},
      {"window.png", 1200, 220, false, false}, {"name.png", 260, 52, false, false},
  };
  ASSERT_EQ(images.size(), std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    assets::ImageBuffer* image = images[c.name].get();
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->width, c.width);
    ASSERT_EQ(image->height, c.height);
    bool allOpaque = true;
    bool allGrey = true;
    bool someGreyIsNot = false;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const std::uint8_t* p = assets::pixelAt(*image, x, y);
        allOpaque = allOpaque && p[3] == 255;
        allGrey = allGrey && p[0] == p[1] && p[1] == p[2];
        someGreyIsNot = someGreyIsNot || p[0] != p[2];
      }
    }
    EXPECT_EQ(allOpaque, c.opaque);
    EXPECT_EQ(allGrey, c.grey);
    if (!c.opaque) {
      // Transparent around what is drawn.
      EXPECT_EQ(channel(*image, 0, 0, 3), 0);
      EXPECT_EQ(channel(*image, c.width - 1, c.height - 1, 3), 0);
      EXPECT_EQ(channel(*image, c.width / 2, c.height / 2, 3) > 200, true);
    }
    EXPECT_EQ(someGreyIsNot, !c.grey);
  }

  // The evening sky: deep blue at the top, warm near the horizon.
  assets::ImageBuffer& bg = *images["bg.png"];
  EXPECT_GT(channel(bg, 100, 0, 0), channel(bg, 100, 0, 2));
  EXPECT_GT(channel(bg, 100, 440, 2), channel(bg, 100, 440, 0));

  // The two figures share their outline and differ inside it, and their
  // edges are soft.
  assets::ImageBuffer& one = *images["chara.png"];
  assets::ImageBuffer& two = *images["chara2.png"];
  int softEdges = 0;
  int recoloured = 0;
  for (int y = 0; y < one.height; ++y) {
    for (int x = 0; x < one.width; ++x) {
      ASSERT_EQ(channel(one, x, y, 3), channel(two, x, y, 3)) << x << "," << y;
      const int alpha = channel(one, x, y, 3);
      softEdges += alpha > 0 && alpha < 255;
      recoloured += argb(one, x, y) != argb(two, x, y);
    }
  }
  EXPECT_GT(softEdges, 500);
  EXPECT_GT(recoloured, 10000);

  // The ramps: the mask from black in the middle to white in the corners,
  // the rule from black at the top left to white at the bottom right, never
  // stepping back.
  assets::ImageBuffer& mask = *images["mask.png"];
  EXPECT_LE(channel(mask, 256, 256, 0), 1);
  for (const auto& [x, y] : {std::pair{0, 0}, {511, 0}, {0, 511}, {511, 511}}) {
    EXPECT_EQ(channel(mask, x, y, 0), 255);
  }
  for (int i = 257; i < 512; ++i) EXPECT_GE(channel(mask, i, i, 0), channel(mask, i - 1, i - 1, 0));
  assets::ImageBuffer& rule = *images["rule.png"];
  EXPECT_EQ(channel(rule, 0, 0, 0), 0);
  EXPECT_EQ(channel(rule, 1279, 719, 0), 255);
  for (int i = 1; i < 720; ++i) {
    EXPECT_GE(channel(rule, i, 300, 0), channel(rule, i - 1, 300, 0));
    EXPECT_GE(channel(rule, 600, i, 0), channel(rule, 600, i - 1, 0));
  }

  // The same pictures on every run.
  const std::vector<Picture> again = demoPictures();
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const assets::ImageBuffer& a = *pictures[i].image;
    const assets::ImageBuffer& b = *again[i].image;
    EXPECT_EQ(std::memcmp(a.pixels, b.pixels, static_cast<std::size_t>(a.pixelCount) * 4), 0)
        << pictures[i].name;
  }
}

}  // namespace
}  // namespace tsuzuri::art

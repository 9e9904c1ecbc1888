#pragma once

// A sprite scene on the recording null device, its commands run as the
// native script runs them ("sp_a 1, 300"), and images read from a
// temporary game folder in a stand-in format that needs no codec.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "assets/file_access.h"
#include "assets/image_cache.h"
#include "commands/command_registry.h"
#include "platform/platform.h"
#include "render/null_device.h"
#include "render/renderer.h"
#include "scene/scene.h"
#include "script/script_world.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "util/crc.h"
#include "util/sjis.h"

namespace tsuzuri::scene::testing {

// "IMG width height left top": pixel (x, y) has blue x, green y, red 0x80
// and alpha 0xFF, so that cuts and flips show in the pixels.
inline assets::ImagePtr decodeTestImage(std::span<const std::uint8_t> data) {
  std::istringstream in(std::string(data.begin(), data.end()));
  std::string magic;
  int width = 0, height = 0, left = 0, top = 0;
  in >> magic >> width >> height >> left >> top;
  if (magic != "IMG" || !in) return nullptr;
  assets::ImagePtr image = assets::makeImage(width, height, 32);
  if (!image) return nullptr;
  image->left = left;
  image->top = top;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = assets::pixelAt(*image, x, y);
      p[0] = static_cast<std::uint8_t>(x);
      p[1] = static_cast<std::uint8_t>(y);
      p[2] = 0x80;
      p[3] = 0xFF;
    }
  }
  return image;
}

class SceneTest : public ::testing::Test {
 protected:
  SceneTest() {
    auto owned = std::make_unique<render::NullDevice>();
    device = owned.get();
    const render::Size size{800, 600};
    EXPECT_TRUE(renderer.attach(std::move(owned),
                                render::choosePresentation(size, size, {0, 0, 800, 600}, true, 0)));
    baseTextures = device->liveTextures();
    scene.registerCommands(registry);
    image("a.img", 10, 8);
    image("b.img", 20, 12);
  }

  void image(std::string_view name, int width, int height, int left = 0, int top = 0) {
    std::ostringstream out;
    out << "IMG " << width << ' ' << height << ' ' << left << ' ' << top;
    dir.write(name, out.str());
  }
  // Runs one command line: its name, a space, then the argument text.
  void run(std::string_view line) {
    const std::size_t space = line.find(' ');
    const auto* handler = world.commands.find(util::crc32_hash2(line.substr(0, space)));
    ASSERT_NE(handler, nullptr) << line;
    (*handler)(space == std::string_view::npos ? std::string_view() : line.substr(space + 1));
  }
  void runAll(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) run(line);
  }
  std::int32_t& integer(int variable) { return *world.variables.numberedInteger(variable); }

  SpriteTable& table() { return scene.sprites(); }
  void commit() { table().commitAll(); }
  // The first tile texture a slot shows.
  render::TextureId shown(std::int32_t slot) {
    const SpriteRecord* r = table().front(slot);
    return r == nullptr ? render::kNoTexture : r->tileTexture[0];
  }
  // The textures a composition draws, in drawing order.
  std::vector<render::TextureId> compose(Picture picture = Picture::kOld) {
    device->forget();
    scene.composer().compose(render::kBackBuffer, picture);
    std::vector<render::TextureId> drawn;
    for (const render::DrawCall& call : device->draws()) drawn.push_back(call.texture0);
    return drawn;
  }
  // Where the first tile of a slot lands in the last composition, in
  // screen pixels: left, top, right, bottom of its quad.
  std::array<float, 4> drawnBox(std::int32_t slot) {
    for (const render::DrawCall& call : device->draws()) {
      if (call.texture0 != shown(slot)) continue;
      std::array<float, 4> box{1e9F, 1e9F, -1e9F, -1e9F};
      for (const render::Vertex& v : call.vertices) {
        float p[4];
        const render::Matrix4& m = call.transform;
        for (int c = 0; c < 4; ++c) p[c] = v.x * m.at(0, c) + v.y * m.at(1, c) + m.at(3, c);
        const float x = (p[0] / p[3] + 1) * 400.0F;
        const float y = (1 - p[1] / p[3]) * 300.0F;
        box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
      }
      return box;
    }
    ADD_FAILURE() << "slot " << slot << " was not drawn";
    return {};
  }
  // The textures the sprites hold (the renderer's own targets left out).
  std::size_t spriteTextures() const { return device->liveTextures() - baseTextures; }
  static std::string sjis(std::u8string_view text) { return util::toSjis(text); }
  static std::string empty(int slot) {
    return std::to_string(slot) + sjis(u8" 画像が読み込まれていません");
  }

  std::unique_ptr<platform::Platform> platform =
      platform::createHeadlessPlatform({.virtualClock = true});
  render::RenderSettings settings;
  tsuzuri::testing::RecordingSink rendererErrors;
  render::Renderer renderer{settings, platform->clock(), rendererErrors};
  render::NullDevice* device = nullptr;
  std::size_t baseTextures = 0;

  tsuzuri::testing::ScriptWorld world;
  commands::CommandRegistry registry{world.commands, world.expression, world.interpreter,
                                     world.errors};
  tsuzuri::testing::TempDir dir;
  tsuzuri::testing::RecordingReporter fileErrors;
  assets::ArchiveDirectory archives;
  assets::FileAccess files{assets::GameFolder::fromDirectory(dir.path()), archives, fileErrors};
  assets::ImageCache cache{std::uint64_t{0}};
  assets::ImageLoader loader{files, cache, fileErrors, decodeTestImage};
  Scene scene{renderer, settings, loader, world.console, world.errors, platform->clock()};
};

}  // namespace tsuzuri::scene::testing

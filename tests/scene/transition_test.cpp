#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/message_pump.h"
#include "scene/scene_fixture.h"

namespace tsuzuri::scene {
namespace {

// `effect` on the recording device: slot 1 shows a.img; the pending change
// loads b.img into slot 2.
class TransitionTest : public testing::SceneTest {
 protected:
  TransitionTest() {
    scene.installFrames();
    TransitionServices services;
    services.pump = &pump;
    scene.effects().setServices(services);
    run("sp 1, \"a.img\", 0, 0");
    commit();
    run("sp 2, \"b.img\", 0, 0");
    start = platform->clock().now();
  }
  // The draws of the frames of the last effect, without the final frame.
  std::size_t framesSince(std::uint64_t before) const {
    return static_cast<std::size_t>(renderer.framesPresented() - before);
  }
  void post(std::uint32_t code, std::uint32_t wparam = 0) {
    platform->events().post({code, wparam, 0, 0, 0, 0, {}});
  }
  std::vector<std::string>& reports() { return world.errors.withContext; }

  platform::MessagePump pump{platform->events(), platform->clock()};
  std::uint32_t start = 0;
};

TEST_F(TransitionTest, AFadeBlendsTheNewPictureInThenCommitsIt) {
  const std::uint64_t before = renderer.framesPresented();
  run("effect 1, 10, 0, \"\", 0, 0");
  // Unpaced frames take a millisecond each: 10 | 2 = 10 ms, then the final frame.
  EXPECT_EQ(framesSince(before), 11U);
  EXPECT_EQ(platform->clock().now() - start, 10U);
  EXPECT_EQ(table().slot(2).pending, 0) << "the new picture is committed";
  // The final frame shows both sprites with the plain composition.
  std::vector<render::TextureId> last;
  for (const render::DrawCall& call : device->draws()) last.push_back(call.texture0);
  EXPECT_NE(std::find(last.begin(), last.end(), shown(2)), last.end());
}

TEST_F(TransitionTest, EveryKindDrawsItsPicturesAndMixesThem) {
  image("rule.img", 16, 12);
  const struct {
    const char* command;
    render::Program program;
    render::BlendMode blend;
  } cases[] = {
      {"effect 1, 2, 0, \"\", 0, 0", render::Program::kPlain, render::BlendMode::kAlpha},
      {"effect 2, 2, 0, \"SlideInLeft\", 0, 0", render::Program::kPlain, render::BlendMode::kCopy},
      {"effect 3, 2, 0, \"rule.img\", 64, 0", render::Program::kAlphaMask,
       render::BlendMode::kAlpha},
  };
  for (const auto& c : cases) {
    run("sp 2, \"b.img\", 0, 0");
    device->forget();
    const std::uint32_t from = platform->clock().now();
    // The first frame only: stop the clock's loop after one frame by a
    // 2 ms transition.
    run(c.command);
    EXPECT_EQ(platform->clock().now() - from, 2U) << c.command;
    bool mixed = false;
    for (const render::DrawCall& call : device->draws()) {
      if (call.texture0 == renderer.renderTexture() && call.program == c.program &&
          call.blend == c.blend) {
        mixed = true;
      }
    }
    EXPECT_TRUE(mixed) << c.command;
  }
  EXPECT_TRUE(reports().empty());
}

TEST_F(TransitionTest, BadNamesAndRulesAreReportedAndTheChangeStillShows) {
  run("effect 2, 500, 0, \"NoSuchEffect\", 0, 0");
  run("effect 3, 500, 0, \"missing.img\", 0, 0");
  EXPECT_EQ(reports(),
            (std::vector<std::string>{"NoSuchEffect" + sjis(u8" 存在しないエフェクトです"),
                                      "missing.img" + sjis(u8" 画像が読み込まれていません")}));
  EXPECT_EQ(platform->clock().now() - start, 0U) << "no loop ran";
  EXPECT_EQ(table().slot(2).pending, 0);
  run("existStretch \"ShutterUp\", %0");
  run("existStretch \"shutterup\", %1");
  EXPECT_EQ(integer(0), 1);
  EXPECT_EQ(integer(1), 0);
}

TEST_F(TransitionTest, ThePlayerCutsATransitionShortWhenCancelIsOn) {
  const struct {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> messages;
    std::int32_t cancel;
    std::uint32_t took;
  } cases[] = {
      // A message is taken before each frame (1 ms each); 100 | 2 = 102 ms in all.
      {{{platform::kMessageKeyDown, 0x0D}}, 1, 0},    // Return
      {{{platform::kMessageKeyDown, 0x11}}, 1, 0},    // Control
      {{{platform::kMessageKeyDown, 0x20}}, 1, 102},  // Space does not
      {{{platform::kMessageLeftDown, 0}, {platform::kMessageLeftUp, 0}}, 1, 1},
      {{{platform::kMessageLeftUp, 0}}, 1, 102},        // a release without a press
      {{{platform::kMessageWheel, 0xFF880000}}, 1, 0},  // −120: towards the player
      {{{platform::kMessageWheel, 0x00780000}}, 1, 102},
      {{{platform::kMessageKeyDown, 0x0D}}, 0, 102},  // cancel off: taken, ignored
  };
  for (const auto& c : cases) {
    settings.effectCancel = c.cancel;
    for (const auto& [code, wparam] : c.messages) post(code, wparam);
    run("sp 2, \"b.img\", 0, 0");
    const std::uint32_t from = platform->clock().now();
    run("effect 0, 100, 0, \"\", 0, 0");
    EXPECT_EQ(platform->clock().now() - from, c.took) << c.messages[0].first << " " << c.cancel;
    EXPECT_EQ(table().slot(2).pending, 0);
  }
}

TEST_F(TransitionTest, AQuitEndsTheTransitionAndTheRun) {
  platform->events().postQuit(3);
  run("effect 1, 1000, 0, \"\", 0, 0");
  EXPECT_TRUE(pump.quitSeen());
  EXPECT_LT(platform->clock().now() - start, 1000U);
}

TEST_F(TransitionTest, JumpModeOnlyCommits) {
  table().setJumpMode(1);
  const std::uint64_t before = renderer.framesPresented();
  run("effect 1, 1000, 0, \"\", 0, 0");
  EXPECT_EQ(framesSince(before), 0U);
  EXPECT_EQ(table().slot(2).pending, 0);
}

TEST_F(TransitionTest, MotionBlurMixesEachFrameIntoTheLast) {
  commit();
  run("sc_mb 1, 0x40");
  device->forget();
  renderer.frame(0, 0, 0, 0);
  renderer.frame(0, 0, 0, 0);
  // The second frame blends the new picture into the kept one at 0x40.
  std::vector<std::uint32_t> alphas;
  for (const render::DrawCall& call : device->draws()) {
    if (call.texture0 == renderer.renderTexture() && call.blend == render::BlendMode::kAlpha) {
      alphas.push_back(call.vertices[0].diffuse >> 24);
    }
  }
  EXPECT_EQ(alphas, std::vector<std::uint32_t>{0x40});
  run("sc_mb 0, 0");
  device->forget();
  renderer.frame(0, 0, 0, 0);
  for (const render::DrawCall& call : device->draws()) {
    EXPECT_NE(call.texture0, renderer.renderTexture()) << "plain frames again";
  }
}

}  // namespace
}  // namespace tsuzuri::scene

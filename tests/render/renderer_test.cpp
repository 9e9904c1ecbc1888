#include "render/renderer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands/command_registry.h"
#include "commands/native_frame.h"
#include "render/draw_commands.h"
#include "render/null_device.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/native_commands.h"
#include "support/recording_sink.h"

namespace tsuzuri::render {
namespace {

using Op = NullDevice::Op;

constexpr Size kRender{640, 480};
constexpr Size kClient{1280, 960};
constexpr Rect kWhole{0, 0, 1280, 960};
constexpr Rect kCentred{320, 240, 960, 720};  // the render size, unscaled
const Presentation kScaled = choosePresentation(kRender, kClient, kWhole, false, 2);

TEST(ChoosePresentation, ScalesInThePassUnlessTheFrameIsDirect) {
  struct Case {
    const char* name;
    Size client;
    Rect destination;
    bool direct;
    std::int32_t interpolation;
    bool expectDirect;
    Filter filter;  // only looked at when a scaling pass runs
  };
  const Case cases[] = {
      {"interpolation 0", kClient, kWhole, false, 0, true, Filter::kLinear},
      {"direct asked", kClient, kWhole, true, 2, true, Filter::kLinear},
      {"minimised", {0, 0}, kWhole, false, 2, true, Filter::kLinear},
      {"point", kClient, kWhole, false, 1, false, Filter::kPoint},
      {"linear", kClient, kWhole, false, 2, false, Filter::kLinear},
      {"sharp", kClient, kWhole, false, 3, false, Filter::kLinear},
      {"unscaled linear", kClient, kCentred, false, 2, false, Filter::kPoint},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Presentation p =
        choosePresentation(kRender, c.client, c.destination, c.direct, c.interpolation);
    EXPECT_EQ(p.renderSize, kRender);
    ASSERT_EQ(p.direct, c.expectDirect);
    if (c.expectDirect) {
      EXPECT_EQ(p.backBufferSize, kRender);
      EXPECT_EQ(p.source, (Rect{0, 0, 640, 480}));
      EXPECT_EQ(p.destination, c.destination);
    } else {
      EXPECT_EQ(p.backBufferSize, c.client);
      EXPECT_EQ(p.passDestination, c.destination);
      EXPECT_EQ(p.source, kWhole);
      EXPECT_EQ(p.destination, kWhole);
      EXPECT_EQ(p.filter, c.filter);
    }
  }
}

// A renderer on a null device and the virtual clock. The hooks leave marks
// at their place in the device's call log, so one trace shows the order of
// everything a frame does.
struct Rig {
  explicit Rig(const Presentation& p = kScaled) {
    auto owned = std::make_unique<NullDevice>();
    device = owned.get();
    EXPECT_TRUE(renderer.attach(std::move(owned), p));
    device->forget();
    renderer.setSceneUpdate([this] { mark("update"); });
    renderer.setFrameHandler(0, [this](TextureId target, std::int32_t, std::int32_t, std::int32_t) {
      mark("scene" + name(target));
    });
    renderer.setFrameObserver([this] { mark("observed"); });
  }

  std::string name(TextureId t) const { return t == renderer.compositionTarget() ? "@C" : "@B"; }
  void mark(const std::string& what) {
    trace();
    log += what + " ";
  }
  // The log, brought up to date with the device's calls.
  const std::string& trace() {
    static const char* const kOps[] = {"resize", "create", "destroy", "write",   "begin",   "end",
                                       "target", "clear",  "draw",    "present", "readback"};
    for (const auto& calls = device->calls(); logged < calls.size(); ++logged) {
      const NullDevice::Call& c = calls[logged];
      log += kOps[static_cast<std::size_t>(c.op)];
      if (c.op == Op::kTarget || c.op == Op::kDraw) log += name(c.texture);
      if (c.op == Op::kClear) log += c.value == 0xFF000000 ? "Black" : "Other";
      log += " ";
    }
    return log;
  }

  std::unique_ptr<platform::Platform> platform =
      platform::createHeadlessPlatform({.virtualClock = true});
  RenderSettings settings;
  testing::RecordingSink errors;
  Renderer renderer{settings, platform->clock(), errors};
  NullDevice* device = nullptr;
  std::string log;
  std::size_t logged = 0;
};

TEST(RendererFrame, ComposesScalesPresentsAndThenObserves) {
  // The back buffer is "@C" when the frame is direct, "@B" otherwise.
  const std::pair<Presentation, std::string> cases[] = {
      {choosePresentation(kRender, kClient, kCentred, true, 2),
       "begin update target@C clearBlack scene@C end present observed "},
      {choosePresentation(kRender, kClient, kCentred, false, 2),
       "begin update target@C clearBlack scene@C target@B clearBlack draw@C end present "
       "observed "},
  };
  for (const auto& [p, expected] : cases) {
    Rig rig(p);
    ASSERT_TRUE(rig.renderer.frame(0, 0, 0, 0));
    EXPECT_EQ(rig.trace(), expected);
    const NullDevice::Call& present = rig.device->calls().back();
    EXPECT_EQ(present.source, p.source);
    EXPECT_EQ(present.destination, p.destination);
    EXPECT_EQ(rig.renderer.framesPresented(), 1U);
    EXPECT_TRUE(rig.errors.all.empty());
  }
}

TEST(RendererFrame, SkipsALostPresentAndStopsOnAFailedOne) {
  Rig rig;
  rig.device->setPresentResult(PresentResult::kLost);
  EXPECT_TRUE(rig.renderer.frame(0, 0, 0, 0));
  EXPECT_TRUE(rig.renderer.frame(0, 0, 0, 0));
  EXPECT_EQ(rig.renderer.framesPresented(), 0U);
  EXPECT_FALSE(rig.renderer.stopRequested());
  EXPECT_TRUE(rig.errors.all.empty());
  EXPECT_EQ(rig.trace().find("observed"), std::string::npos);

  rig.device->setPresentResult(PresentResult::kFailed);
  EXPECT_FALSE(rig.renderer.frame(0, 0, 0, 0));
  EXPECT_TRUE(rig.renderer.stopRequested());
  EXPECT_EQ(rig.errors.plain, std::vector<std::string>{"DeviceReset2 "});
  EXPECT_EQ(rig.renderer.framesPresented(), 0U);
}

TEST(RendererScalingPass, DrawsWithTheFilterOfTheInterpolationTheDeviceRuns) {
  struct Case {
    std::int32_t interpolation;
    std::int32_t shaderLevel;
    Rect destination;
    Program program;
    Filter filter;
  };
  const Case cases[] = {
      {1, 3, kWhole, Program::kPlain, Filter::kPoint},
      {2, 3, kWhole, Program::kPlain, Filter::kLinear},
      {3, 2, kWhole, Program::kBiLinearSharp, Filter::kPoint},
      {4, 2, kWhole, Program::kLanczos1, Filter::kPoint},
      {5, 2, kWhole, Program::kBiQuad, Filter::kPoint},
      {6, 2, kWhole, Program::kBiCubic, Filter::kPoint},
      {7, 3, kWhole, Program::kLanczos2, Filter::kPoint},
      // Lanczos2 needs level 3, the others 2; below that the sampler scales.
      {7, 2, kWhole, Program::kPlain, Filter::kLinear},
      {3, 1, kWhole, Program::kPlain, Filter::kLinear},
      // At its own size the picture is copied texel for texel.
      {6, 3, kCentred, Program::kPlain, Filter::kPoint},
      // Only the width steers BiLinearSharp: shrunk to 480 wide, s is 1.
      {3, 3, {0, 0, 480, 960}, Program::kBiLinearSharp, Filter::kPoint},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "Interpolation " << c.interpolation << ", level "
                                      << c.shaderLevel << ", " << c.destination.width() << " wide");
    Rig rig(choosePresentation(kRender, kClient, c.destination, false, c.interpolation));
    rig.settings.interpolation = c.interpolation;
    DeviceCaps caps = rig.device->caps();
    caps.pixelShaderLevel = c.shaderLevel;
    rig.device->setCaps(caps);
    ASSERT_TRUE(rig.renderer.frame(0, 0, 0, 0));
    ASSERT_EQ(rig.device->draws().size(), 1U);
    const DrawCall& call = rig.device->draws()[0];
    EXPECT_EQ(call.program, c.program);
    EXPECT_EQ(call.filter, c.filter);
    EXPECT_EQ(call.texture0, rig.renderer.compositionTarget());
    EXPECT_EQ(call.blend, BlendMode::kCopy);
    // The quad is the plain one's, whatever the program.
    const DrawCall plain = screenQuad(call.texture0, c.destination, kClient, Filter::kLinear);
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(call.vertices[i].x, plain.vertices[i].x);
      EXPECT_EQ(call.vertices[i].y, plain.vertices[i].y);
      EXPECT_EQ(call.vertices[i].u0, plain.vertices[i].u0);
      EXPECT_EQ(call.vertices[i].v0, plain.vertices[i].v0);
    }
    if (c.program != Program::kPlain) {
      EXPECT_EQ(call.constants[0], (std::array<float, 4>{640, 480, 0, 0}));
    }
    if (c.program == Program::kBiLinearSharp) {
      EXPECT_EQ(call.constants[1][0], c.destination.width() > 640 ? 1.5F : 1.0F);
    }
  }
}

TEST(RendererChangeScreen, RemakesOnlyWhatChangedSize) {
  struct Case {
    const char* name;
    Presentation next;
    std::size_t resizes;
    std::size_t remade;  // targets destroyed and created again
  };
  const Case cases[] = {
      {"unchanged", kScaled, 0, 0},
      {"filter", choosePresentation(kRender, kClient, kWhole, false, 1), 0, 0},
      {"client", choosePresentation(kRender, {1920, 1080}, {240, 0, 1680, 1080}, false, 2), 1, 0},
      {"render", choosePresentation({800, 600}, kClient, kWhole, false, 2), 0, 3},
      {"both", choosePresentation({800, 600}, kClient, kWhole, true, 2), 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    ASSERT_TRUE(rig.renderer.changeScreen(c.next));
    EXPECT_EQ(rig.device->count(Op::kResize), c.resizes);
    EXPECT_EQ(rig.device->count(Op::kDestroy), c.remade);
    EXPECT_EQ(rig.device->count(Op::kCreate), c.remade);
    EXPECT_EQ(rig.device->liveTextures(), 3U);
    EXPECT_EQ(rig.device->backBufferWidth(), c.next.backBufferSize.width);
    EXPECT_EQ(rig.device->backBufferHeight(), c.next.backBufferSize.height);
    EXPECT_EQ(rig.device->textureSize(rig.renderer.renderTexture()), c.next.renderSize);
    EXPECT_EQ(rig.device->textureSize(rig.renderer.maskTexture()), c.next.renderSize);
    EXPECT_EQ(rig.renderer.presentation().filter, c.next.filter);
  }
}

TEST(RendererChangeScreen, AFailedResizeKeepsThePresentation) {
  Rig rig;
  Presentation impossible = kScaled;
  impossible.backBufferSize = {0, 0};
  EXPECT_FALSE(rig.renderer.changeScreen(impossible));
  EXPECT_EQ(rig.renderer.presentation().backBufferSize, kScaled.backBufferSize);
  EXPECT_EQ(rig.errors.plain, std::vector<std::string>{"Screen Change "});
  EXPECT_TRUE(rig.renderer.ready());
}

TEST(RendererPacing, FollowsVSyncWaitOnTheClock) {
  struct Case {
    std::int32_t vSyncWait;
    std::int32_t limitFPS;
    std::int32_t refreshRate;
    bool displayHasVerticalSync;
    bool deviceVSync;
    std::uint32_t milliseconds;  // for 60 frames after the first
  };
  const Case cases[] = {
      {2, 60, 60, true, false, 1000},  {2, 0, 50, true, false, 1200},
      {3, 30, 60, true, true, 2000},   {1, 0, 60, false, false, 1000},
      {1, 30, 50, false, false, 1200}, {1, 60, 60, true, true, 0},
      {0, 60, 60, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "VSyncWait " << c.vSyncWait << ", LimitFPS " << c.limitFPS
                                      << ", display " << c.refreshRate << " Hz");
    Rig rig;
    rig.settings.vSyncWait = c.vSyncWait;
    rig.settings.limitFPS = c.limitFPS;
    platform::Clock& clock = rig.platform->clock();
    clock.sleep(12345);
    rig.renderer.configurePacing(c.refreshRate, c.displayHasVerticalSync);
    EXPECT_EQ(rig.device->vsync(), c.deviceVSync);
    // The first frame after the pacing changed is due at once.
    rig.renderer.frame(0, 0, 0, 0);
    ASSERT_EQ(clock.now(), 12345U);
    for (int i = 0; i < 60; ++i) rig.renderer.frame(0, 0, 0, 0);
    EXPECT_EQ(clock.now() - 12345U, c.milliseconds);
  }
}

// The draw commands on a renderer, called through the command table as a
// native script would call them.
struct DrawRig : Rig {
  DrawRig() {
    commands.setSceneHooks(
        {[this] { ++commits; }, [this] { return running; }, [this] { return jumping; }});
    commands.registerWith(registry);
  }

  void run(std::string_view name) {
    for (const auto& command : registry.commands()) {
      if (command.name != name) continue;
      commands::NativeFrame frame("", expression, interpreter, errors);
      command.command(frame);
      return;
    }
    ADD_FAILURE() << "no command " << name;
  }

  script::ScriptTables tables;
  script::Interpreter interpreter{tables};
  script::Variables variables;
  script::Expression expression{variables, errors, interpreter};
  script::NativeCommandTable table;
  commands::CommandRegistry registry{table, expression, interpreter, errors};
  DrawCommands commands{renderer, platform->clock()};
  int commits = 0;
  bool running = false;
  bool jumping = false;
};

TEST(DrawCommands, CommitAndDrawUnlessJumpingOrIdle) {
  struct Expect {
    std::string_view command;
    int commits;
    std::uint64_t frames;
    std::uint32_t milliseconds;
    std::int32_t redrawsLeft;  // -1: not looked at
  };
  for (int bits = 0; bits < 8; ++bits) {
    const bool jumping = (bits & 1) != 0, fresh = (bits & 2) != 0, running = (bits & 4) != 0;
    SCOPED_TRACE(::testing::Message()
                 << "jumping " << jumping << ", fresh " << fresh << ", running " << running);
    const std::uint64_t drawn = jumping ? 0U : 1U;
    const bool idle = !fresh && !running;
    const Expect expects[] = {
        {"draw", 1, drawn, 0, -1},
        {"draw2", idle ? 0 : 1, idle ? 0U : drawn, idle ? 1U : 0U, 0},
        {"draw3", 1, 0, 0, fresh ? 2 : 0},
    };
    for (const Expect& e : expects) {
      SCOPED_TRACE(e.command);
      DrawRig rig;
      rig.jumping = jumping;
      rig.running = running;
      for (int i = 0; i < (fresh ? 2 : 0); ++i) rig.run("fresh");
      rig.run(e.command);
      EXPECT_EQ(rig.commits, e.commits);
      EXPECT_EQ(rig.renderer.framesPresented(), e.frames);
      EXPECT_EQ(rig.platform->clock().now(), e.milliseconds);
      if (e.redrawsLeft >= 0) {
        EXPECT_EQ(rig.commands.pendingRedraws(), e.redrawsLeft);
      }
    }
  }
}

TEST(DrawCommands, AFailedDeviceEndsTheRun) {
  DrawRig rig;
  rig.device->setPresentResult(PresentResult::kFailed);
  rig.run("draw");
  EXPECT_TRUE(rig.interpreter.ended());
}

}  // namespace
}  // namespace tsuzuri::render

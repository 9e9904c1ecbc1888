#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/single_instance.h"

namespace tsuzuri::platform {
namespace {

TEST(SingleInstance, OneRunPerKeyAndTheFirstIsAskedToComeForward) {
  SingleInstance first;
  SingleInstance second;
  SingleInstance other;
  const std::string key = "/games/single-instance-test/" +
                          std::to_string(::testing::UnitTest::GetInstance()->random_seed());
  ASSERT_TRUE(first.claim(key));
  EXPECT_TRUE(first.claim(key));  // holding it already
  EXPECT_FALSE(first.raiseRequested());
  EXPECT_FALSE(second.claim(key));
  EXPECT_TRUE(first.raiseRequested());
  EXPECT_FALSE(first.raiseRequested());
  EXPECT_TRUE(other.claim(key + "/another game"));
}

TEST(SingleInstance, AKeyIsFreeAgainOnceItsHolderIsGone) {
  const std::string key = "/games/released-key-test";
  {
    SingleInstance holder;
    ASSERT_TRUE(holder.claim(key));
  }
  SingleInstance next;
  EXPECT_TRUE(next.claim(key));
}

TEST(HeadlessWindow, HoldsItsStateAndOffersAContext) {
  auto platform = createHeadlessPlatform({});
  // Headless runs never block each other.
  EXPECT_TRUE(platform->claimInstance("/games/x"));
  EXPECT_TRUE(platform->claimInstance("/games/x"));
  EXPECT_EQ(platform->window(), nullptr);
  std::string error;
  Window* window = platform->openWindow("test", error);
  ASSERT_NE(window, nullptr) << error;
  EXPECT_EQ(platform->openWindow("again", error), window);
  window->setClientSize({320, 200});
  EXPECT_EQ(window->clientSize(), (PixelSize{320, 200}));
  const MonitorInfo monitor = window->monitor();
  EXPECT_GT(monitor.bounds.width(), 0);
  EXPECT_GT(monitor.refreshRate, 0);
  EXPECT_FALSE(window->hasVerticalSync());
  if (window->hasGraphicsContext()) {
    EXPECT_EQ(window->drawableSize(), (PixelSize{320, 200}));
  }
}

TEST(SdlEvents, BecomeTheEnginesMessages) {
  const auto key = [](std::uint32_t type, SDL_Keycode sym, std::uint16_t mod) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    return event;
  };
  struct Case {
    SDL_Event event;
    std::uint32_t code;
    std::uint32_t wparam;
  };
  SDL_Event wheel{};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = -2;
  SDL_Event click{};
  click.type = SDL_MOUSEBUTTONDOWN;
  click.button.button = SDL_BUTTON_RIGHT;
  click.button.x = 12;
  click.button.y = 34;
  const Case cases[] = {
      {key(SDL_KEYDOWN, SDLK_a, KMOD_NONE), kMessageKeyDown, 'A'},
      {key(SDL_KEYUP, SDLK_F10, KMOD_NONE), kMessageKeyUp, kKeyF10},
      {key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT), kMessageSysKeyDown, kKeyReturn},
      {key(SDL_KEYUP, SDLK_LALT, KMOD_NONE), kMessageSysKeyUp, kKeyAlt},
      {key(SDL_KEYDOWN, SDLK_LSHIFT, KMOD_LSHIFT), kMessageKeyDown, kKeyShift},
      {wheel, kMessageWheel, 0xFF100000U},
      {click, kMessageRightDown, 0},
  };
  for (const Case& c : cases) {
    MessageRecord record;
    ASSERT_TRUE(translateEvent(c.event, record)) << c.code;
    EXPECT_EQ(record.code, c.code);
    EXPECT_EQ(record.wparam, c.wparam) << c.code;
  }
  MessageRecord record;
  EXPECT_TRUE(translateEvent(click, record));
  EXPECT_EQ(record.x, 12);
  EXPECT_EQ(record.y, 34);
  EXPECT_FALSE(translateEvent(key(SDL_KEYDOWN, SDLK_MUTE, KMOD_NONE), record));

  SDL_Event drop{};
  drop.type = SDL_DROPFILE;
  // SDL hands the text over to be freed by the receiver.
  const char path[] = "/home/player/\xE7\x94\xBB\xE5\x83\x8F.png";
  drop.drop.file = static_cast<char*>(SDL_malloc(sizeof path));
  std::memcpy(drop.drop.file, path, sizeof path);
  ASSERT_TRUE(translateEvent(drop, record));
  EXPECT_EQ(record.code, kMessageDropFiles);
  EXPECT_EQ(record.text, "/home/player/\x89\xE6\x91\x9C.png");  // 画像 in Shift_JIS
}

}  // namespace
}  // namespace tsuzuri::platform

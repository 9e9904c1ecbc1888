#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/desktop_open.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"
#include "support/temp_dir.h"

namespace tsuzuri::platform {
namespace {

MessageRecord message(std::uint32_t code, std::uint32_t wparam, std::int32_t x = 0,
                      std::int32_t y = 0) {
  MessageRecord record;
  record.code = code;
  record.wparam = wparam;
  record.x = x;
  record.y = y;
  return record;
}

TEST(HeadlessInput, FollowsTheMessagesAsTheyAreFetched) {
  auto platform = createHeadlessPlatform({.virtualClock = true});
  Input& input = platform->input();
  Events& events = platform->events();
  // Each message, then the keys 'A', Shift, the left and right buttons as
  // they stand after its fetch, and the cursor.
  struct Step {
    MessageRecord message;
    bool a, shift, left, right;
    std::int32_t x, y;
  };
  const Step steps[] = {
      {message(kMessageKeyDown, 'A'), true, false, false, false, 0, 0},
      {message(kMessageSysKeyDown, kKeyShift), true, true, false, false, 0, 0},
      {message(kMessageMouseMove, 0, 30, 40), true, true, false, false, 30, 40},
      {message(kMessageKeyUp, 'A'), false, true, false, false, 30, 40},
      {message(kMessageLeftDown, 0, 5, 6), false, true, true, false, 5, 6},
      {message(kMessageRightDown, 0, -7, 8), false, true, true, true, -7, 8},
      {message(kMessageLeftUp, 0, 9, 9), false, true, false, true, 9, 9},
      {message(kMessageWheel, 0x00780000U, 11, 12), false, true, false, true, 11, 12},
      {message(kMessageSysKeyUp, kKeyShift), false, false, false, true, 11, 12},
      {message(kMessageKeyDown, 0x1234), false, false, false, true, 11, 12},
      {message(kMessageRightUp, 0, 1, 2), false, false, false, false, 1, 2},
  };
  for (const Step& step : steps) events.post(step.message);
  EXPECT_FALSE(input.keyDown('A')) << "a posted message changes nothing before its fetch";
  for (const Step& step : steps) {
    SCOPED_TRACE(::testing::Message() << "after message " << step.message.code);
    MessageRecord record;
    ASSERT_TRUE(events.fetch(record));
    EXPECT_EQ(input.keyDown('A'), step.a);
    EXPECT_EQ(input.keyDown(kKeyShift), step.shift);
    EXPECT_EQ(input.keyDown(0x01), step.left);
    EXPECT_EQ(input.keyDown(0x02), step.right);
    std::int32_t x = -1;
    std::int32_t y = -1;
    input.cursor(x, y);
    EXPECT_EQ(x, step.x);
    EXPECT_EQ(y, step.y);
  }
  EXPECT_FALSE(input.keyDown(0x1234 & 0xFF)) << "an unknown code sets no key";
}

TEST(HeadlessInput, WarpsUntilTheNextMouseMessageAndOpensNothing) {
  auto platform = createHeadlessPlatform({.virtualClock = true});
  Input& input = platform->input();
  input.warpCursor(100, -20);
  std::int32_t x = 0;
  std::int32_t y = 0;
  input.cursor(x, y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, -20);
  platform->events().post(message(kMessageMouseMove, 0, 3, 4));
  MessageRecord record;
  ASSERT_TRUE(platform->events().fetch(record));
  input.cursor(x, y);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 4);

  EXPECT_TRUE(input.setClipboard("text"));
  EXPECT_EQ(input.openWithDesktop("https://example.com/", ""), kOpenNoAssociation);
  EXPECT_EQ(input.wheelScrollLines(), 3);
}

TEST(DesktopOpen, TellsUrlsFromFileNames) {
  const std::pair<const char*, bool> cases[] = {
      {"http://example.com/", true},
      {"https://a.b/c?d=e", true},
      {"mailto:someone@example.com", true},
      {"svn+ssh://host/x", true},
      {"file:///tmp/a", true},
      {"C:\\games\\readme.txt", false},
      {"c:/x", false},
      {"readme.txt", false},
      {"1http://x", false},
      {"ht tp://x", false},
      {":x", false},
      {"", false},
      {"docs/a:b.txt", false},
  };
  for (const auto& [target, url] : cases) EXPECT_EQ(isUrl(target), url) << target;
}

// An opener that writes the arguments it was given, one a line, next to
// itself, and the file it is asked to open.
class FakeOpener {
 public:
  FakeOpener() {
    path_ = folder_.write("opener",
                          "#!/bin/sh\n"
                          "printf '%s\\n' \"$@\" > \"$0.part\" && mv \"$0.part\" \"$0.out\"\n");
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all);
  }
  const std::string& path() const { return path_; }
  const testing::TempDir& folder() const { return folder_; }

  // What the opener was given, once it has run; empty when it did not run
  // within a few seconds.
  std::string arguments() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(path_ + ".out")) {
      if (std::chrono::steady_clock::now() > deadline) return {};
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return folder_.read("opener.out");
  }

 private:
  testing::TempDir folder_;
  std::string path_;
};

TEST(DesktopOpen, HandsTheTargetOverWordForWordWithoutAShell) {
  FakeOpener opener;
  // A file whose name a shell would run a command from.
  const std::string file = opener.folder().write("a b;$(touch ran)`touch ran`'\".txt", "x");
  ASSERT_EQ(openWithProgram(file, opener.path()), kOpenStarted);
  EXPECT_EQ(opener.arguments(), file + "\n");
  EXPECT_FALSE(std::filesystem::exists(opener.folder().path() + "ran"));
}

TEST(DesktopOpen, OpensUrlsAndRefusesMissingFilesAndOpeners) {
  FakeOpener opener;
  const std::string url = "https://example.com/?q=a&b=$(x)";
  ASSERT_EQ(openWithProgram(url, opener.path()), kOpenStarted);
  EXPECT_EQ(opener.arguments(), url + "\n");

  const std::string missing = opener.folder().path() + "missing.txt";
  EXPECT_EQ(openWithProgram(missing, opener.path()), kOpenFileNotFound);
  EXPECT_EQ(openWithProgram("", opener.path()), kOpenFileNotFound);
  EXPECT_EQ(openWithProgram(url, opener.folder().path() + "no-such-opener"), kOpenNoAssociation);
  EXPECT_EQ(openWithProgram(url, "tsuzuri-no-such-opener-on-path"), kOpenNoAssociation);
  // A file that is there but may not be run is no opener either.
  const std::string plain = opener.folder().write("plain", "#!/bin/sh\n");
  EXPECT_EQ(openWithProgram(url, plain), kOpenNoAssociation);
}

TEST(SdlInput, KeyCodesMapBackToTheKeysTheirMessagesComeFrom) {
  // Every key the event translation gives a code for is one that code reads.
  std::vector<SDL_Keycode> keys = {
      SDLK_BACKSPACE, SDLK_TAB,    SDLK_RETURN,   SDLK_KP_ENTER, SDLK_LSHIFT, SDLK_RSHIFT,
      SDLK_LCTRL,     SDLK_RCTRL,  SDLK_LALT,     SDLK_RALT,     SDLK_PAUSE,  SDLK_ESCAPE,
      SDLK_SPACE,     SDLK_PAGEUP, SDLK_PAGEDOWN, SDLK_END,      SDLK_HOME,   SDLK_LEFT,
      SDLK_UP,        SDLK_RIGHT,  SDLK_DOWN,     SDLK_INSERT,   SDLK_DELETE, SDLK_KP_0};
  for (SDL_Keycode k = SDLK_a; k <= SDLK_z; ++k) keys.push_back(k);
  for (SDL_Keycode k = SDLK_0; k <= SDLK_9; ++k) keys.push_back(k);
  for (SDL_Keycode k = SDLK_F1; k <= SDLK_F12; ++k) keys.push_back(k);
  for (SDL_Keycode k = SDLK_KP_1; k <= SDLK_KP_9; ++k) keys.push_back(k);
  for (const SDL_Keycode key : keys) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    MessageRecord record;
    ASSERT_TRUE(translateEvent(event, record)) << SDL_GetKeyName(key);
    const KeyPair pair = keysOf(record.wparam);
    EXPECT_TRUE(pair.first == key || pair.second == key) << SDL_GetKeyName(key);
  }
  // The codes for one side only, and codes of no key.
  EXPECT_EQ(keysOf(0xA1).first, SDLK_RSHIFT);
  EXPECT_EQ(keysOf(0xA1).second, SDLK_UNKNOWN);
  EXPECT_EQ(keysOf(0x87).first, SDLK_F24);
  EXPECT_EQ(keysOf(0x07).first, SDLK_UNKNOWN);
  EXPECT_EQ(keysOf(0x100 + 'A').first, SDLK_UNKNOWN);
}

}  // namespace
}  // namespace tsuzuri::platform

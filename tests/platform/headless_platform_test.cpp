#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::platform {
namespace {

using util::toSjis;

// A temporary file standing in for standard error.
class LogFile {
 public:
  LogFile() : file_(std::tmpfile()) {}
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  ~LogFile() {
    if (file_ != nullptr) static_cast<void>(std::fclose(file_));
  }

  std::FILE* file() const { return file_; }

  std::string text() const {
    std::rewind(file_);
    std::string text;
    char buffer[256];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, n);
    return text;
  }

 private:
  std::FILE* file_;
};

std::unique_ptr<Platform> virtualPlatform(std::FILE* log = nullptr) {
  HeadlessOptions options;
  options.virtualClock = true;
  options.log = log;
  return createHeadlessPlatform(options);
}

TEST(HeadlessClock, VirtualClockMovesOnlyWhenTheEngineSleeps) {
  LogFile log;
  auto platform = virtualPlatform(log.file());
  Clock& clock = platform->clock();
  EXPECT_EQ(clock.now(), 0u);

  MessageRecord record;
  platform->events().fetch(record);
  platform->events().postQuit(0);
  platform->dialogs().inform("", "x");
  EXPECT_EQ(clock.now(), 0u) << "nothing but sleeping moves the clock";

  const auto start = std::chrono::steady_clock::now();
  clock.sleep(0);
  EXPECT_EQ(clock.now(), 0u);
  clock.sleep(16);
  clock.sleep(60'000);
  EXPECT_EQ(clock.now(), 60'016u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5))
      << "a virtual sleep takes no real time";
}

TEST(HeadlessClock, VirtualClockWrapsAt32Bits) {
  auto platform = virtualPlatform();
  Clock& clock = platform->clock();
  clock.sleep(0xFFFF'FFF0u);
  EXPECT_EQ(clock.now(), 0xFFFF'FFF0u);
  clock.sleep(0x20);
  EXPECT_EQ(clock.now(), 0x10u);
  clock.sleep(0xFFFF'FFFFu);
  EXPECT_EQ(clock.now(), 0x0Fu);
}

TEST(HeadlessClock, RealClockStartsAtCreationAndSleepsForReal) {
  auto platform = createHeadlessPlatform({});
  Clock& clock = platform->clock();
  const std::uint32_t before = clock.now();
  EXPECT_LT(before, 1000u) << "counted from the platform's creation";

  const auto start = std::chrono::steady_clock::now();
  clock.sleep(20);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
  EXPECT_GE(clock.now() - before, 20u);
}

TEST(HeadlessEvents, QuitsComeOutInOrderStampedWhenFetched) {
  auto platform = virtualPlatform();
  Events& events = platform->events();
  MessageRecord record;
  EXPECT_FALSE(events.fetch(record));

  events.postQuit(3);
  platform->clock().sleep(40);
  events.postQuit(0xFFFF'FFFFu);

  ASSERT_TRUE(events.fetch(record));
  EXPECT_EQ(record.code, kMessageQuit);
  EXPECT_EQ(record.wparam, 3u);
  EXPECT_EQ(record.time, 40u) << "the time of the fetch, not of the post";

  platform->clock().sleep(5);
  ASSERT_TRUE(events.fetch(record));
  EXPECT_EQ(record.code, kMessageQuit);
  EXPECT_EQ(record.wparam, 0xFFFF'FFFFu);
  EXPECT_EQ(record.time, 45u);

  EXPECT_FALSE(events.fetch(record));
  EXPECT_FALSE(platform->interactive());
}

TEST(HeadlessDialogs, WriteUtf8LinesAndTakeTheDefaultAnswers) {
  LogFile log;
  auto platform = virtualPlatform(log.file());
  Dialogs& dialogs = platform->dialogs();
  const std::string confirm = toSjis(u8"確認");
  const std::string question = toSjis(u8"終了しますか？");

  dialogs.showError(toSjis(u8"画像がありません\r\nbg\\夜.png"));
  EXPECT_TRUE(dialogs.ask(confirm, question, true));
  EXPECT_FALSE(dialogs.ask(confirm, question, false));
  dialogs.inform(toSjis(u8"情報"), toSjis(u8"保存しました"));

  const std::vector<std::string> choices{toSjis(u8"はい"), toSjis(u8"いいえ"), "later"};
  EXPECT_EQ(dialogs.choose("Save", toSjis(u8"上書きしますか"), choices, 1, 2), 1);
  EXPECT_EQ(dialogs.choose("", "none", choices, -1, 0), -1);
  EXPECT_EQ(dialogs.choose("", "empty", {}, 0, 0), 0);

  EXPECT_EQ(log.text(),
            "画像がありません\nbg\\夜.png\n"
            "[確認] 終了しますか？ -> yes (default)\n"
            "[確認] 終了しますか？ -> no (default)\n"
            "[情報] 保存しました\n"
            "[Save] 上書きしますか (はい / いいえ / later) -> いいえ (default)\n"
            "none (はい / いいえ / later) -> -1 (default)\n"
            "empty () -> 0 (default)\n");
}

TEST(HeadlessDialogs, DropNulsAndEndLinesWithLf) {
  LogFile log;
  auto platform = virtualPlatform(log.file());
  using std::string_literals::operator""s;
  platform->dialogs().showError("a\0b\rc\r\n\nd"s);
  EXPECT_EQ(log.text(), "ab\nc\n\nd\n");
}

// Needs no display: SDL starts only its timer and events here.
TEST(SdlPlatform, ServesPostedQuitsBeforeSdlEvents) {
  auto platform = createSdlPlatform();
  if (!platform) GTEST_SKIP() << "SDL cannot start here";
  EXPECT_TRUE(platform->interactive());

  Clock& clock = platform->clock();
  const std::uint32_t before = clock.now();
  clock.sleep(5);
  EXPECT_GE(clock.now() - before, 5u);

  platform->events().postQuit(7);
  MessageRecord record;
  ASSERT_TRUE(platform->events().fetch(record));
  EXPECT_EQ(record.code, kMessageQuit);
  EXPECT_EQ(record.wparam, 7u);
}

// The recording starts at the clock's 0 with the silence before the card
// opens; what the source gives follows at the frame of its time.
TEST(HeadlessAudio, TheRecordingFollowsTheClock) {
  testing::TempDir dir;
  const std::string path = dir.path() + "run.wav";
  auto platform =
      createHeadlessPlatform({.virtualClock = true, .log = nullptr, .audioCapture = path});
  platform->clock().sleep(100);
  std::string error;
  ASSERT_TRUE(platform->audio().open(
      [](std::int16_t* out, std::size_t frames) { std::fill(out, out + 2 * frames, 1000); },
      error));
  EXPECT_TRUE(platform->audio().clocked());
  platform->clock().busyRead();
  platform->clock().sleep(49);
  platform->audio().close();
  platform->clock().sleep(50);
  ASSERT_TRUE(platform->audio().finish(error)) << error;
  const std::string wav = dir.read("run.wav");
  ASSERT_EQ(wav.size(), 44u + 4 * 8820);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  const auto frame = [&wav](std::size_t i) {
    std::int16_t v = 0;
    std::memcpy(&v, wav.data() + 44 + 4 * i, 2);
    return v;
  };
  EXPECT_EQ(frame(4409), 0);
  EXPECT_EQ(frame(4410), 1000);
  EXPECT_EQ(frame(6614), 1000);
  EXPECT_EQ(frame(6615), 0);
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

TEST(SdlPlatform, PlaysSoundOnSdlsOwnThread) {
  // The dummy driver plays to nowhere in real time, as a card would.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  auto platform = createSdlPlatform();
  if (!platform) GTEST_SKIP() << "SDL cannot start here";
  std::atomic<std::size_t> pulled{0};
  std::string error;
  ASSERT_TRUE(platform->audio().open(
      [&pulled](std::int16_t* out, std::size_t frames) {
        std::fill(out, out + 2 * frames, 0);
        pulled += frames;
      },
      error))
      << error;
  EXPECT_FALSE(platform->audio().clocked());
  for (int i = 0; i < 200 && pulled.load() == 0; ++i) platform->clock().sleep(10);
  platform->audio().close();
  EXPECT_GT(pulled.load(), 0u);
}

}  // namespace
}  // namespace tsuzuri::platform

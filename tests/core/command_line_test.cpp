#include "core/command_line.h"

#include <gtest/gtest.h>

#include "util/sjis.h"

namespace tsuzuri::core {
namespace {

std::optional<CommandLine> parse(std::vector<std::string> arguments, std::string* error = nullptr) {
  std::string unused;
  return parseCommandLine(arguments, error ? *error : unused);
}

TEST(CommandLineTest, ReadsEveryOption) {
  auto line = parse({"--headless", "--virtual-clock", "--max-time", "1500", "--transcript", "-",
                     "--title", "つづり", "games/one"});
  ASSERT_TRUE(line);
  EXPECT_TRUE(line->headless);
  EXPECT_TRUE(line->virtualClock);
  EXPECT_EQ(line->maxTime, 1500U);
  EXPECT_EQ(line->transcript, "-");
  EXPECT_EQ(line->title, util::toSjis(u8"つづり"));
  EXPECT_EQ(line->gameDirectory, "games/one");
  EXPECT_FALSE(line->input);
  EXPECT_FALSE(line->autoClick);

  line = parse({"--input", "play.txt", "--auto-click", "2000"});
  ASSERT_TRUE(line);
  EXPECT_EQ(line->input, "play.txt");
  EXPECT_EQ(line->autoClick, 2000U);
  EXPECT_FALSE(line->headless);  // accepted without it; a run that falls back to headless uses them

  line = parse({"--title-key", "0xDEADbeef"});
  ASSERT_TRUE(line);
  EXPECT_EQ(line->titleKey, 0xDEADBEEFU);
  EXPECT_FALSE(line->gameDirectory);
}

TEST(CommandLineTest, RefusesWhatItCannotUse) {
  std::string error;
  EXPECT_FALSE(parse({"--max-time"}, &error));
  EXPECT_EQ(error, "--max-time needs a value");
  EXPECT_FALSE(parse({"--max-time", "12ms"}, &error));
  EXPECT_FALSE(parse({"--title-key", "123456789"}, &error));
  EXPECT_FALSE(parse({"--title", "\xF0\x9F\x98\x80"}, &error));  // no Shift_JIS form
  EXPECT_FALSE(parse({"--title", "a", "--title-key", "1"}, &error));
  EXPECT_FALSE(parse({"--fast"}, &error));
  EXPECT_EQ(error, "unknown option --fast");
  EXPECT_FALSE(parse({"one", "two"}, &error));
  EXPECT_FALSE(parse({"--input"}, &error));
  EXPECT_EQ(error, "--input needs a value");
  for (const char* bad : {"0", "-5", "1.5", "", "4294967296"}) {
    EXPECT_FALSE(parse({"--auto-click", bad}, &error)) << bad;
    EXPECT_EQ(error,
              "--auto-click: " + std::string(bad) + " is not a positive number of milliseconds");
  }
}

TEST(CommandLineTest, UsageNamesEveryOption) {
  const std::string usage = kUsage;
  for (const char* option : {"--title ", "--title-key ", "--headless", "--virtual-clock",
                             "--max-time ", "--transcript ", "--screenshot ", "--frames-dir ",
                             "--input FILE", "--auto-click MS", "--help", "--version"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace tsuzuri::core

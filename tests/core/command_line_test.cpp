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
}

}  // namespace
}  // namespace tsuzuri::core

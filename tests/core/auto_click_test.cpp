#include "core/auto_click.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tsuzuri::core {
namespace {

// One poll of the event wait and whether Return is then due.
struct Poll {
  std::uint32_t now;
  bool somethingHappened;
  bool due;
};

TEST(AutoClickTest, PressesReturnOnceTheGameHasBeenQuietLongEnough) {
  const struct {
    std::string name;
    std::uint32_t interval;
    std::vector<Poll> polls;
  } cases[] = {
      {"quiet from the first poll, then again after the press",
       100,
       {{0, false, false},
        {50, false, false},
        {99, false, false},
        {100, false, true},
        {101, true, false},  // the key messages are fetched
        {102, true, false},
        {103, false, false},
        {202, false, false},
        {203, false, true}}},
      {"activity puts the press off",
       100,
       {{0, false, false},
        {60, true, false},
        {70, false, false},
        {169, false, false},
        {170, false, true}}},
      {"a busy first poll begins no wait",
       100,
       {{0, true, false},
        {200, true, false},
        {250, false, false},
        {349, false, false},
        {350, false, true}}},
      {"after a press the next quiet poll begins the wait",
       100,
       {{0, false, false},
        {100, false, true},
        {150, false, false},
        {249, false, false},
        {250, false, true}}},
      {"a late poll presses at once, and only once",
       10,
       {{0, false, false},
        {500, false, true},
        {500, false, false},
        {509, false, false},
        {510, false, true}}},
      {"the clock wraps",
       100,
       {{0xFFFFFFF0U, false, false},
        {0x10, false, false},
        {0x53, false, false},
        {0x54, false, true}}},
  };
  for (const auto& c : cases) {
    AutoClick click(c.interval);
    for (const Poll& p : c.polls) {
      click.poll(p.now, p.somethingHappened);
      EXPECT_EQ(click.due(p.now), p.due) << c.name << ", at " << p.now;
    }
  }
}

}  // namespace
}  // namespace tsuzuri::core

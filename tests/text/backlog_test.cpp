#include "text/backlog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tsuzuri::text {
namespace {

TEST(Backlog, TheRingKeepsTheLast200PagesAndCutsAtWholeCharacters) {
  Backlog log;
  EXPECT_EQ(log.count(), 1);
  for (int page = 0; page < 205; ++page) {
    log.append("page " + std::to_string(page));
    log.commit();
  }
  EXPECT_EQ(log.count(), 200);
  EXPECT_EQ(log.currentIndex(), 205 % 200);
  EXPECT_EQ(log.entry(1).text, "page 204");
  EXPECT_EQ(log.entry(200).text, "");        // the current one again
  EXPECT_EQ(log.entry(199).text, "page 6");  // the oldest kept

  // 255 bytes of tag: the double-byte character across the limit is left
  // out whole; a text holds 1023 bytes.
  log.setTag(std::string(254, 'a') + "\x82\xA0");
  EXPECT_EQ(log.current().tag, std::string(254, 'a'));
  log.append(std::string(1000, 'b'));
  log.append(std::string(30, 'c'));
  EXPECT_EQ(log.current().text.size(), 1023U);
  log.clearAll();
  EXPECT_EQ(log.count(), 1);
  EXPECT_EQ(log.currentIndex(), 0);
  EXPECT_EQ(log.entry(1).text, "");
}

TEST(Backlog, ASavedPositionIsClampedAndRingIndexesWrap) {
  const struct {
    std::int32_t current, count, wantCurrent, wantCount;
  } cases[] = {{5, 17, 5, 17}, {-3, 0, 0, 1}, {200, 201, 199, 200}, {199, 200, 199, 200}};
  for (const auto& c : cases) {
    Backlog log;
    log.restoreIndices(c.current, c.count);
    EXPECT_EQ(log.currentIndex(), c.wantCurrent);
    EXPECT_EQ(log.count(), c.wantCount);
  }
  Backlog log;
  log.restoreIndices(3, 10);
  log.at(2).text = "two";
  log.at(199).text = "last";
  EXPECT_EQ(log.at(-1).text, "last");
  EXPECT_EQ(log.at(202).text, "two");
  EXPECT_EQ(log.entry(1).text, "two");
  EXPECT_EQ(log.entry(4).text, "last");
  // No distance is too far to wrap.
  EXPECT_EQ(&log.entry(INT32_MIN), &log.at(3 + 48));
  for (const std::int32_t expected : {2, 1, 0, 199}) {
    log.stepBack();
    EXPECT_EQ(log.currentIndex(), expected);
  }
  EXPECT_EQ(log.count(), 10);
}

}  // namespace
}  // namespace tsuzuri::text

#include "text/backlog.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tsuzuri::text

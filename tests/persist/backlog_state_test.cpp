#include "persist/backlog_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tsuzuri::persist {
namespace {

using text::Backlog;
using text::BacklogEntry;
using text::ImageLogRecord;

// The line of a record text that begins with `key` and "=".
std::string lineOf(const std::string& record, const std::string& key) {
  const std::string text = "\n" + record;
  const std::size_t at = text.find("\n" + key + "=");
  if (at == std::string::npos) return "";
  return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

ImageLogRecord sampleRecord() {
  ImageLogRecord r;
  r.name = "bg/room.png";
  r.maskName = "rule.png";
  r.kindBlend = 0x21;
  r.x = -5;
  r.y = 310;
  r.slotLayer = 12 << 16 | 3;
  r.alpha = 200;
  r.cell = 2 << 8 | 0x21;
  r.mask = 1 << 20 | 300 << 10 | 16;
  r.colour = 4 << 24 | 0xFF8000;
  r.width = 64 * 4 + 2;
  r.height = 48 * 4 + 1;
  r.scaleX = 150;
  r.scaleY = 75;
  r.rotation = 270;
  r.cutX = -1;
  r.cutW = 32;
  r.effectBits = 18;
  r.brightnessContrast = -1;
  r.hsl = 0x100A0B;
  r.maskParam1 = -2;
  r.maskParam2 = 7;
  return r;
}

TEST(BacklogState, AnImageRecordIsWrittenFieldByField) {
  Backlog log;
  log.current().text = "page";
  log.current().images = {sampleRecord()};
  log.commit();
  std::string out;
  writeBacklogLines(log, out);
  EXPECT_EQ(lineOf(out, "msgBuffer0"), "msgBuffer0=page,");
  EXPECT_EQ(lineOf(out, "msgImage0"),
            "msgImage0=bg/room.png|rule.png|21|-5|310|C0003|C8|221|14B010|4FF8000|102|C1|96|4B|"
            "270|0|0|FFFFFFFF|0|20|0|12|FFFFFFFF|0|100A0B|0|0|FFFFFFFE|7,");
  // The current page is not written.
  EXPECT_EQ(lineOf(out, "msgBuffer1"), "");
}

TEST(BacklogState, TheArraysHoldEveryEntry) {
  Backlog log;
  log.current().scriptHash = 0x21;  // "11" in base 32
  log.current().lineCount = 26;
  log.current().screen = {-3, 4, 150, 100};
  std::string out;
  writeBacklogLines(log, out);
  const struct {
    const char* key;
    std::string first;  // entry 0's value, then 199 defaults
    std::string rest;
  } cases[] = {
      {"msgScreenX", "-3", "0"},  {"msgScreenY", "4", "0"}, {"msgScreenW", "96", "64"},
      {"msgScreenH", "64", "64"}, {"msgCounts", "1A", "0"}, {"msgHash", "11", "0"},
      {"msgLine", "0", "0"},      {"msgSave", "0", "0"},
  };
  for (const auto& c : cases) {
    std::string expected = std::string(c.key) + "=" + c.first + ",";
    for (int i = 1; i < text::kBacklogEntries; ++i) expected += c.rest + ",";
    EXPECT_EQ(lineOf(out, c.key), expected + "0");
  }
}

TEST(BacklogState, TextThatWouldSplitItsFieldIsProtected) {
  const struct {
    std::string text;
    bool inName;
    bool unchanged;
  } cases[] = {
      {"\x82\xA0\x0C\x81\x40plain|text", false, true},
      {"a,b,,c", false, false},
      {"line\r\nbreak", false, false},
      {"  inner  blanks\t", false, false},
      {"del\x7F"
       "c",
       false, false},
      {"dir|name.png", true, false},
      {"\x83\x7C.png", true, false},  // a trail byte that is a bar
  };
  for (const auto& c : cases) {
    const std::string written = protectedField(c.text, c.inName);
    EXPECT_EQ(written == c.text, c.unchanged) << written;
    EXPECT_EQ(written.find_first_of(",\r\n"), std::string::npos);
    EXPECT_EQ(written.find(c.inName ? '|' : ','), std::string::npos);
    EXPECT_EQ(unprotectedField(written), c.text);
  }
}

TEST(BacklogState, LinesReadBackIntoTheSameBacklog) {
  Backlog log;
  const std::vector<std::string> texts = {"first page", "with, commas", " edges ", "\x82\xA0\x0C"};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    BacklogEntry& e = log.current();
    e.text = texts[i];
    e.tag = "tag," + std::to_string(i);
    e.lineCount = static_cast<std::int32_t>(i) + 1;
    e.scriptHash = 0x123456789ABCDEFULL * (i + 1);
    e.line = -1 + static_cast<std::int32_t>(i);
    e.saveNumber = static_cast<std::int32_t>(i) * 3;
    e.screen = {static_cast<std::int32_t>(i) - 2, 5, 100 + static_cast<std::int32_t>(i), 90};
    e.images.assign(i, sampleRecord());
    if (i > 0) e.images.back().name = "other,name.png";
    log.commit();
  }
  log.current().text = "not saved";
  std::string out;
  writeBacklogLines(log, out);

  Backlog read;
  read.at(50).text = "forgotten";
  restoreBacklogLines(read, RecordLines(out));
  for (std::int32_t i = 0; i < text::kBacklogEntries; ++i) {
    SCOPED_TRACE(i);
    const BacklogEntry& want = log.at(i);
    const BacklogEntry& got = read.at(i);
    EXPECT_EQ(got.text, i == log.currentIndex() ? "" : want.text);
    EXPECT_EQ(got.tag, want.tag);
    EXPECT_EQ(got.images, want.images);
    EXPECT_EQ(got.lineCount, want.lineCount);
    EXPECT_EQ(got.scriptHash, want.scriptHash);
    EXPECT_EQ(got.line, want.line);
    EXPECT_EQ(got.saveNumber, want.saveNumber);
    EXPECT_EQ(got.screen, want.screen);
  }
}

TEST(BacklogState, MissingLinesAndFieldsLeaveDefaults) {
  Backlog read;
  read.at(4).lineCount = 9;
  restoreBacklogLines(read, RecordLines("msgBuffer3=only text\n"
                                        "msgImage3=a.png|m.png|4|10,\n"
                                        "msgScreenW=C8,96\n"
                                        "msgHash=v,1v\n"));
  EXPECT_EQ(read.at(3).text, "only text");
  EXPECT_EQ(read.at(3).tag, "");
  ASSERT_EQ(read.at(3).images.size(), 1U);
  const ImageLogRecord& r = read.at(3).images[0];
  EXPECT_EQ(r.name, "a.png");
  EXPECT_EQ(r.kindBlend, 4);
  EXPECT_EQ(r.x, 10);
  EXPECT_EQ(r.alpha, 255);
  EXPECT_EQ(r.scaleX, 100);
  EXPECT_EQ(read.at(0).screen, (text::ScreenView{0, 0, 200, 100}));
  EXPECT_EQ(read.at(1).screen.w, 150);
  EXPECT_EQ(read.at(2).screen.w, 100);
  EXPECT_EQ(read.at(0).scriptHash, 31U);
  EXPECT_EQ(read.at(1).scriptHash, 63U);
  EXPECT_EQ(read.at(4).lineCount, 0);
}

}  // namespace
}  // namespace tsuzuri::persist

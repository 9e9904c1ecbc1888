#include "text/text_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/null_device.h"
#include "support/recording_sink.h"

namespace tsuzuri::text {
namespace {

constexpr const char* kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

class TextObjectTest : public ::testing::Test {
 protected:
  TextObjectTest() { text.create(&device, kGothic, 24, kStyleSmooth, 8, ""); }
  // Appends Shift_JIS text, one character per 24 pixels.
  void put(std::string_view sjis) {
    std::int32_t x = 0;
    for (std::size_t i = 0; i < sjis.size(); i += 2, x += 24) {
      text.setChar(x, 0, static_cast<std::uint8_t>(sjis[i]),
                   static_cast<std::uint8_t>(sjis[i + 1]));
    }
  }
  std::uint32_t alpha(std::int32_t i) const {
    return text.chars()[static_cast<std::size_t>(i)].quad[0].diffuse >> 24;
  }

  tsuzuri::testing::RecordingSink errors;
  render::NullDevice device;
  TextObject text{errors};
};

TEST_F(TextObjectTest, PausesFollowPunctuationAndSurviveARedraw) {
  text.setPointWait(3);
  put("\x82\xA0\x81\x42\x82\xA2");  // あ。い
  EXPECT_EQ(text.schedule(), (std::vector<std::int32_t>{2, 2, 2}));
  EXPECT_EQ(text.countAt(2), 0);
  EXPECT_EQ(text.countAt(3), 3);
  text.setFont(kGothic, 30, kStyleSmooth | kStyleBold, "");
  text.resetChars();
  EXPECT_EQ(text.schedule(), (std::vector<std::int32_t>{2, 2, 2}));
  text.clear();
  text.setPointWait(0);
  put("\x81\x42");
  EXPECT_TRUE(text.schedule().empty());
  EXPECT_TRUE(errors.all.empty());
}

TEST_F(TextObjectTest, CharactersFadeInOver256Milliseconds) {
  put("\x82\xA0\x82\xA2\x82\xA4");  // あいう
  text.fade(2, 1000);
  EXPECT_EQ(alpha(0), 0U);
  text.fade(2, 1128);
  EXPECT_EQ(alpha(0), 128U);
  text.fade(3, 1200);  // the third starts its own fade
  EXPECT_EQ(alpha(1), 200U);
  EXPECT_EQ(alpha(2), 0U);
  text.fade(3, 1256);
  EXPECT_EQ(alpha(0), 255U);
  EXPECT_EQ(alpha(1), 255U);
  EXPECT_EQ(alpha(2), 56U);
  device.forget();
  text.draw(device, {800, 600});
  EXPECT_EQ(device.draws().size(), 3U);
  text.fade(1, 1300);
  EXPECT_EQ(text.visible(), 1) << "the visible count is the one given";
}

TEST_F(TextObjectTest, QuadsFollowOriginRateAndScreenOffset) {
  text.setOrigin(100, 50);
  text.setRate(1.5);
  put("\x82\xA0");
  const render::Vertex& v = text.chars()[0].quad[0];
  EXPECT_FLOAT_EQ(v.x, 150 - 0.5F);
  EXPECT_FLOAT_EQ(v.y, 75 - 0.5F);
  EXPECT_FLOAT_EQ(text.chars()[0].quad[3].x - v.x, 32) << "one cell";
  text.reposition(10, -4);
  EXPECT_FLOAT_EQ(text.chars()[0].quad[0].x, 165 - 0.5F);
  EXPECT_FLOAT_EQ(text.chars()[0].quad[0].y, 69 - 0.5F);
}

TEST_F(TextObjectTest, AFullObjectStoresNothingAndGlyphsAreDrawnOnce) {
  put("\x82\xA0\x82\xA2\x82\xA0\x82\xA2\x82\xA0\x82\xA2\x82\xA0\x82\xA2");
  EXPECT_EQ(text.length(), 8);
  EXPECT_FALSE(text.setChar(0, 0, 0x82, 0xA0));
  EXPECT_EQ(text.length(), 8);
  EXPECT_EQ(text.glyphsRasterised(), 2U) << "あ and い, each once";
  text.clear();
  put("\x82\xA0");
  EXPECT_EQ(text.glyphsRasterised(), 2U) << "the next page reuses them";
  text.setColours(0xFF0000, 0xFF0000, 0);
  text.resetChars();
  EXPECT_EQ(text.glyphsRasterised(), 3U) << "new colours draw again";
}

}  // namespace
}  // namespace tsuzuri::text

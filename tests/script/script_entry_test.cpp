#include "script/script_entry.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "script/title_key_search.h"
#include "support/container_bytes.h"
#include "util/crc.h"

namespace tsuzuri::script {
namespace {

std::vector<std::uint8_t> zlibOf(const std::string& text, int level = 6) {
  uLongf length = compressBound(static_cast<uLong>(text.size()));
  std::vector<std::uint8_t> out(length);
  EXPECT_EQ(compress2(out.data(), &length, reinterpret_cast<const Bytef*>(text.data()),
                      static_cast<uLong>(text.size()), level),
            Z_OK);
  out.resize(length);
  return out;
}

TEST(ScriptEntry, TitleKeyIsTheLowHalfOfTheTitleHash) {
  EXPECT_EQ(titleKey("123456789"), 0xF1A4F00AU);
  EXPECT_EQ(entryWord(0xAAAABBBBCCCCDDDDULL, 0x0000FFFFU), 0xCCCC2222U);
}

TEST(ScriptEntry, OnlyCompleteWordsAreScrambled) {
  std::vector<std::uint8_t> data(11, 0);  // 4n + 3 bytes
  scrambleEntryWords(data, 0x04030201U);
  const std::vector<std::uint8_t> expected = {1, 2, 3, 4, 1, 2, 3, 4, 0, 0, 0};
  EXPECT_EQ(data, expected);
  scrambleEntryWords(data, 0x04030201U);
  EXPECT_EQ(data, std::vector<std::uint8_t>(11, 0)) << "the step is its own inverse";
}

TEST(ScriptEntry, InflatesToTheRealLengthAndRefusesWhatDoesNotFit) {
  const std::string text = "*start\nprint \"hello\"\n";
  const auto packed = zlibOf(text);
  std::string out(text.size() + 10, '\0');
  auto* target = reinterpret_cast<std::uint8_t*>(out.data());
  EXPECT_EQ(inflateEntry(packed, {target, out.size()}), text.size())
      << "a shorter text reads to its end";
  EXPECT_EQ(out.substr(0, text.size()), text);
  EXPECT_FALSE(inflateEntry(packed, {target, text.size() - 1})) << "a longer text is a failure";
  auto broken = packed;
  broken[broken.size() / 2] ^= 0x55;
  EXPECT_FALSE(inflateEntry(broken, {target, out.size()}));
  EXPECT_EQ(inflateEntry(zlibOf(""), {}), 0U);
}

TEST(ScriptEntry, DecodesWholeEntriesWithoutTrustingTheStatedSize) {
  const std::string text(100000, 'a');  // large enough to need several output steps
  const std::uint64_t hash = util::crc64_hash("script/0.txt");
  auto stored = zlibOf(text);
  scrambleEntryWords(stored, entryWord(hash, 77));
  EXPECT_EQ(decodeEntry(stored, hash, 77, 100000), text);
  EXPECT_EQ(decodeEntry(stored, hash, 77, 0xFFFFFFF0U), text)
      << "a size that is too large reads the real text";
  EXPECT_FALSE(decodeEntry(stored, hash, 77, 99999)) << "a size that is too small fails";
  EXPECT_FALSE(decodeEntry(stored, hash, 78, 100000)) << "another title fails";
  EXPECT_FALSE(decodeEntry(std::span(stored).first(stored.size() - 5), hash, 77, 100000))
      << "a stream cut short fails";
}

TEST(ScriptEntry, UnpackedSizesBeyondDeflateRatiosAreImplausible) {
  EXPECT_TRUE(plausibleUnpackedSize(100, 50000));
  EXPECT_FALSE(plausibleUnpackedSize(100, 0xFFFFFFFFU));
}

TEST(TitleKeySearch, RecoversTheKeyFromTheEntriesAlone) {
  for (const int level : {1, 6, 9}) {
    const std::uint32_t title = titleKey("\x83\x65\x83\x58\x83\x67");  // テスト
    const std::string bytes =
        testing::handBuiltScripts({{"script/0.txt", "*start\nend\n"},
                                   {"script/1.txt", std::string(500, 'x') + "\n"},
                                   {"script/menu.txt", "*menu\nreturn\n"}},
                                  title, level);
    const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size());
    EXPECT_EQ(findTitleKey(view, assets::decodeContainerIndex(view)), title) << "level " << level;
  }
}

TEST(TitleKeySearch, GivesUpOnDataThatIsNoZlibStream) {
  const std::uint32_t at = testing::dataStart(3);
  std::string bytes =
      testing::rawIndex({{42, 0, at, 16, 16}, {43, 0, at + 16, 16, 16}, {44, 0, at + 32, 16, 16}});
  for (int i = 0; i < 48; ++i) bytes.push_back(static_cast<char>(i * 37 + 11));
  const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                           bytes.size());
  EXPECT_FALSE(findTitleKey(view, assets::decodeContainerIndex(view)));
  EXPECT_FALSE(findTitleKey({}, assets::ContainerIndex{}));
}

}  // namespace
}  // namespace tsuzuri::script

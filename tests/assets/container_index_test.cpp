#include "assets/container_index.h"

#include <gtest/gtest.h>

#include "support/container_bytes.h"

namespace tsuzuri::assets {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(ContainerIndex, DecodesEntriesWithTheLowHalfOfTheirHash) {
  const std::string bytes =
      testing::rawIndex({{0x1122334455667788ULL, 1, 46, 7, 9}, {5, 0, 53, 1, 2}});
  const ContainerIndex index = decodeContainerIndex(bytesOf(bytes));
  ASSERT_EQ(index.records.size(), 2U);
  EXPECT_FALSE(index.truncated);
  EXPECT_EQ(index.dataStart, 46U);
  const IndexRecord& r = index.records[0];
  EXPECT_EQ(r.key, 0x1122334455667788ULL);
  EXPECT_EQ(r.flag, 1);
  EXPECT_EQ(r.offset, 46U);
  EXPECT_EQ(r.size, 7U);
  EXPECT_EQ(r.extra, 9U);
}

TEST(ContainerIndex, ACountEqualToTheKeyIsEmpty) {
  const std::string bytes = testing::rawIndex({});
  const ContainerIndex index = decodeContainerIndex(bytesOf(bytes));
  EXPECT_TRUE(index.records.empty());
  EXPECT_FALSE(index.truncated);
}

TEST(ContainerIndex, StopsAtTheEndOfTheData) {
  std::string bytes = testing::rawIndex({{1, 0, 0, 0, 0}, {2, 0, 0, 0, 0}});
  bytes.pop_back();
  const ContainerIndex index = decodeContainerIndex(bytesOf(bytes));
  EXPECT_TRUE(index.truncated);
  EXPECT_EQ(index.declaredCount, 2U);
  ASSERT_EQ(index.records.size(), 1U);
  EXPECT_EQ(index.records[0].key, 1U);
  EXPECT_TRUE(decodeContainerIndex(bytesOf("abc")).truncated);
}

TEST(ContainerIndex, AHugeCountReadsOnlyWhatTheFileHolds) {
  std::string bytes = testing::rawIndex({{7, 0, 0, 0, 0}}, 0xFFFFFFF0U);
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  const ContainerIndex index = readContainerIndex(file, bytes.size());
  std::fclose(file);
  EXPECT_TRUE(index.truncated);
  ASSERT_EQ(index.records.size(), 1U);
  EXPECT_EQ(index.records[0].key, 7U);
}

}  // namespace
}  // namespace tsuzuri::assets

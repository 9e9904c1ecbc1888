#include "persist/already_read.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "persist/data_container.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::persist {
namespace {

using testing::RecordingReporter;
using testing::TempDir;

constexpr std::uint64_t kLargest = ~std::uint64_t{0};  // "FVVVVVVVVVVVV"

// The flags of a script's message lines as digits, in script order.
std::string flagsOf(const script::ScriptTables& tables, std::uint64_t hash) {
  std::string out;
  for (const auto& [line, flag] : tables.alreadyRead.at(hash)) out += std::to_string(flag);
  return out;
}

std::string missing(std::string_view key) {
  return std::string(key) + util::toSjis(u8" が存在しなくなっています");
}

TEST(AlreadyReadFile, ReadsFlagsIntoTheScriptsMessageLines) {
  const struct {
    std::string text;
    std::string script0;   // flags of script 0 (three lines) afterwards
    std::string script1A;  // flags of script 0x2A (two lines) afterwards
    std::vector<std::string> reports;
  } cases[] = {
      {"S0=1\r\n", "100", "00", {}},
      {"S0=10111\r\n", "101", "00", {}},
      {"S1A=11\r\nS7=1\r\nS0=011\r\n", "011", "11", {missing("7")}},
      {"S \t01a=01\r\n", "000", "01", {}},
      {"S1A=1", "000", "10", {}},
      {"X0=111\r\n\r\nS0\r\nS=111\r\n", "111", "00", {}},
      {"S1AX=11\r\nS1A=1\r\n", "000", "10", {missing("1AX")}},
  };
  for (const auto& c : cases) {
    script::ScriptTables tables;
    tables.alreadyRead[0] = {{0, 0}, {5, 0}, {9, 0}};
    tables.alreadyRead[0x2A] = {{1, 0}, {2, 0}};
    RecordingReporter reporter;
    AlreadyReadFile(tables, reporter).apply(c.text);
    EXPECT_EQ(flagsOf(tables, 0), c.script0) << c.text;
    EXPECT_EQ(flagsOf(tables, 0x2A), c.script1A) << c.text;
    EXPECT_EQ(reporter.messages, c.reports) << c.text;
  }
}

TEST(AlreadyReadFile, RoundTripKeepsOldFlagsAndNewLinesStartUnread) {
  TempDir dir;
  const std::string path = dir.path() + "save/already.dat";
  RecordingReporter reporter;
  script::ScriptTables written;
  written.alreadyRead[0] = {{0, 1}, {3, 0}, {7, 1}};
  written.alreadyRead[kLargest] = {{2, 1}};
  ASSERT_TRUE(AlreadyReadFile(written, reporter).write(path, "save/already.dat"));

  const std::optional<std::string> text = loadDataZlib(path, "", true, reporter);
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("S0=101\r\n"), std::string::npos) << *text;
  EXPECT_NE(text->find("SFVVVVVVVVVVVV=1\r\n"), std::string::npos) << *text;
  EXPECT_EQ(text->size(), 8U + 18U);

  // Both scripts gained a message line since.
  script::ScriptTables read;
  read.alreadyRead[0] = {{0, 0}, {3, 0}, {5, 0}, {7, 0}};
  read.alreadyRead[kLargest] = {{1, 0}, {2, 0}};
  AlreadyReadFile(read, reporter).read(path, "save/already.dat");
  EXPECT_EQ(flagsOf(read, 0), "1010");
  EXPECT_EQ(flagsOf(read, kLargest), "10");
  EXPECT_TRUE(reporter.messages.empty());
}

TEST(AlreadyReadFile, AnUnreadableFileIsReportedAndChangesNothing) {
  using namespace std::string_literals;
  const struct {
    std::optional<std::string> contents;  // nothing: no file
    std::size_t reports;
  } cases[] = {
      {std::nullopt, 0},
      {"\x20\x00\x00\x00not a zlib stream"s, 1},
      {"\x10"s, 1},
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (c.contents) dir.write("already.dat", *c.contents);
    script::ScriptTables tables;
    tables.alreadyRead[0] = {{0, 1}, {1, 0}};
    RecordingReporter reporter;
    AlreadyReadFile(tables, reporter).read(dir.path() + "already.dat", "already.dat");
    EXPECT_EQ(flagsOf(tables, 0), "10");
    EXPECT_EQ(reporter.messages.size(), c.reports) << c.contents.value_or("no file");
  }
}

}  // namespace
}  // namespace tsuzuri::persist

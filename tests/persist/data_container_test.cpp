#include "persist/data_container.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/container_bytes.h"
#include "support/temp_dir.h"
#include "util/sjis.h"

namespace tsuzuri::persist {
namespace {

using testing::RecordingReporter;
using testing::TempDir;

constexpr std::string_view kName = "save/setting.dat";

std::string zlibStream(std::string_view text) {
  uLongf length = compressBound(static_cast<uLong>(text.size()));
  std::string out(length, '\0');
  EXPECT_EQ(
      compress2(reinterpret_cast<Bytef*>(out.data()), &length,
                reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()), 9),
      Z_OK);
  out.resize(length);
  return out;
}

// A container laid out by hand: `length` as stored, then `stream`.
std::string container(std::uint32_t length, std::string_view stream) {
  std::string out;
  testing::appendLe32(out, length);
  return out.append(stream);
}

std::string afterName(std::u8string_view message) {
  return std::string(kName) + util::toSjis(message);
}

// Bytes that do not compress, from a fixed linear congruential sequence.
std::string noise(std::size_t size) {
  std::string out(size, '\0');
  std::uint32_t state = 12345;
  for (char& c : out) {
    state = state * 1103515245U + 12345U;
    c = static_cast<char>(state >> 24);
  }
  return out;
}

TEST(DataContainer, WritesAndReadsBothLayouts) {
  const std::string sjis = "TotalTime = 0\r\n\x83\x5C\x95\x5C,";
  const std::string longText(200000, 'a');
  for (const bool compress : {true, false}) {
    for (const std::string& text : {sjis, longText}) {
      SCOPED_TRACE(compress);
      TempDir dir;
      RecordingReporter reporter;
      const std::string path = dir.path() + "setting.dat";
      ASSERT_TRUE(saveDataZlib(path, kName, "an older text", compress, reporter));
      ASSERT_TRUE(saveDataZlib(path, kName, text, compress, reporter));
      const std::string stored = dir.read("setting.dat");
      if (compress) {
        EXPECT_EQ(stored.substr(0, 4), container(static_cast<std::uint32_t>(text.size()), ""));
        std::string inflated(text.size(), '\0');
        uLongf length = static_cast<uLongf>(inflated.size());
        EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &length,
                             reinterpret_cast<const Bytef*>(stored.data() + 4),
                             static_cast<uLong>(stored.size() - 4)),
                  Z_OK);
        EXPECT_EQ(inflated, text);
      } else {
        EXPECT_EQ(stored, text);
      }
      EXPECT_EQ(loadDataZlib(path, kName, compress, reporter), text);
      EXPECT_TRUE(reporter.messages.empty());
    }
  }
  // A compressed empty text still makes a readable file.
  TempDir dir;
  RecordingReporter reporter;
  ASSERT_TRUE(saveDataZlib(dir.path() + "empty.dat", kName, "", true, reporter));
  EXPECT_EQ(loadDataZlib(dir.path() + "empty.dat", kName, true, reporter), "");
}

TEST(DataContainer, RefusesDamagedFiles) {
  const std::string text = "TextSpeed = 35\r\n";
  const std::string stream = zlibStream(text);
  const auto length = static_cast<std::uint32_t>(text.size());
  const std::string invalid = afterName(u8" は不正なファイルです");
  const std::string unreadable = afterName(u8" の読み込みに失敗しました");
  struct Case {
    const char* what;
    std::string bytes;
    bool compress;
    std::string report;
  };
  const std::vector<Case> cases = {
      {"empty raw file", "", false, invalid},
      {"empty compressed file", "", true, invalid},
      {"raw file over 1 MiB", std::string(1048577, 'x'), false, invalid},
      {"compressed file over 1 MiB", container(length, stream + std::string(1048576, '\0')), true,
       invalid},
      {"shorter than the length", "\x10\x00\x00", true, invalid},
      {"not a zlib stream", container(length, "not a zlib stream at all"), true, unreadable},
      {"truncated stream", container(length, stream.substr(0, stream.size() - 3)), true,
       unreadable},
      {"length too short", container(length - 1, stream), true, unreadable},
      {"length too long", container(length + 1, stream), true, unreadable},
      {"length no stream can reach", container(0xFFFFFFFFU, stream), true, unreadable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    RecordingReporter reporter;
    const std::string path = dir.write("setting.dat", c.bytes);
    EXPECT_EQ(loadDataZlib(path, kName, c.compress, reporter), std::nullopt);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{c.report});
  }
}

TEST(DataContainer, AcceptsFilesOfExactlyTheLimit) {
  TempDir dir;
  RecordingReporter reporter;
  const std::string text(1048576, 'x');
  const std::string path = dir.write("save000.txt", text);
  EXPECT_EQ(loadDataZlib(path, kName, false, reporter), text);
  EXPECT_TRUE(reporter.messages.empty());
}

TEST(DataContainer, ReportsFilesThatCannotBeOpened) {
  TempDir dir;
  RecordingReporter reporter;
  const std::string error = platform::systemErrorText(ENOENT);
  EXPECT_EQ(loadDataZlib(dir.path() + "none.dat", kName, true, reporter), std::nullopt);
  EXPECT_FALSE(saveDataZlib(dir.path() + "missing/setting.dat", kName, "x", true, reporter));
  EXPECT_EQ(reporter.messages,
            (std::vector<std::string>{"loadDataZlib\n" + std::string(kName) + " " + error,
                                      "saveDataZlib\n" + std::string(kName) + " " + error}));
}

TEST(DataContainer, KeepsTheOldFileWhenTheNewOneWouldBeUnreadable) {
  // Texts whose files would exceed what the reader accepts.
  for (const bool compress : {true, false}) {
    SCOPED_TRACE(compress);
    TempDir dir;
    RecordingReporter reporter;
    const std::string path = dir.write("setting.dat", "old");
    EXPECT_FALSE(saveDataZlib(path, kName, noise(1048577), compress, reporter));
    EXPECT_EQ(reporter.messages, std::vector<std::string>{afterName(u8" の保存に失敗しました")});
    EXPECT_EQ(dir.read("setting.dat"), "old");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1U);
  }
}

}  // namespace
}  // namespace tsuzuri::persist

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "assets/image_codecs.h"
#include "image/image_commands.h"
#include "support/temp_dir.h"

namespace tsuzuri::image_tool {
namespace {

using testing::TempDir;

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun tool(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = runImageCommand(args, out, err);
  return {status, out.str(), err.str()};
}

// A 3 × 2 32-bit BMP with distinct pixels, built by hand so that the test
// does not start from the writers it checks.
std::string smallBmp() {
  std::string file = "BM";
  const auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>(v >> (8 * i)));
  };
  const auto le16 = [&](std::uint16_t v) {
    file.push_back(static_cast<char>(v));
    file.push_back(static_cast<char>(v >> 8));
  };
  le32(54 + 24);
  le32(0);
  le32(54);
  le32(40);
  le32(3);
  le32(2);
  le16(1);
  le16(32);
  for (int i = 0; i < 6; ++i) le32(0);
  for (int i = 0; i < 24; ++i) file.push_back(static_cast<char>(i * 10 + 5));
  return file;
}

TEST(ImageTool, ConvertsThroughEveryFormatAndDescribesFiles) {
  TempDir dir;
  const std::string bmp = dir.write("in.bmp", smallBmp());
  for (const char* name : {"out.png", "out.tlg", "out5.tlg", "back.bmp"}) {
    SCOPED_TRACE(name);
    std::vector<std::string> args{"convert", bmp, dir.path() + name};
    if (std::strcmp(name, "out5.tlg") == 0) args.insert(args.end(), {"--format", "tlg5"});
    const ToolRun run = tool(args);
    ASSERT_EQ(run.status, 0) << run.err;
  }
  // Lossless all the way: the TLG6 file holds the BMP's pixels.
  const ToolRun again = tool({"convert", dir.path() + "out.tlg", dir.path() + "again.bmp"});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(dir.read("again.bmp"), dir.read("back.bmp"));

  const ToolRun info = tool({"info", dir.path() + "out5.tlg"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("format TLG5\nwidth 3\nheight 2\ndepth 32\n"), std::string::npos)
      << info.out;
}

TEST(ImageTool, RefusesWhatItCannotDo) {
  TempDir dir;
  const std::string text = dir.write("notes.txt", "not an image");
  EXPECT_EQ(tool({"info", text}).status, 1);
  EXPECT_EQ(tool({"convert", text, dir.path() + "x.png"}).status, 1);
  EXPECT_EQ(tool({"convert", dir.path() + "missing.bmp", dir.path() + "x.png"}).status, 1);
  EXPECT_EQ(tool({"convert", text, dir.path() + "x.unknown"}).status, 2);
  EXPECT_EQ(tool({"convert", text, dir.path() + "x.png", "--depth", "7"}).status, 2);
  EXPECT_EQ(tool({}).status, 2);
}

}  // namespace
}  // namespace tsuzuri::image_tool

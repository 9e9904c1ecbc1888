// tsuzuri-demo-art: draws the demo game's pictures, or the small test
// pictures of the sprite tests, and writes them as PNG files.

#include <cerrno>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "art/pictures.h"
#include "assets/image_codecs.h"
#include "assets/image_save.h"
#include "platform/files.h"

namespace {

constexpr const char* kUsage =
    "usage: tsuzuri-demo-art OUTDIR\n"
    "       tsuzuri-demo-art --test-set OUTDIR\n"
    "writes the demo's pictures (bg, chara, chara2, mask, card, rule) or the\n"
    "sprite tests' pictures as PNG files into OUTDIR, creating it.\n";

int writeAll(const std::vector<tsuzuri::art::Picture>& pictures, const std::string& folder) {
  using namespace tsuzuri;
  if (!platform::createDirectories(folder)) {
    std::cerr << "tsuzuri-demo-art: " << folder << ": " << platform::systemErrorText(errno) << "\n";
    return 1;
  }
  for (const art::Picture& picture : pictures) {
    const std::string path = folder + "/" + picture.name;
    const assets::EncodedImage png = assets::encodeImage(
        picture.name, picture.image.get(), static_cast<std::int32_t>(assets::ImageFormat::kPng),
        picture.depth, 9, 0);
    const std::string_view bytes(reinterpret_cast<const char*>(png.bytes.data()), png.bytes.size());
    if (!png.ok || !platform::writeFileAtomically(path, bytes)) {
      std::cerr << "tsuzuri-demo-art: " << path << ": cannot be written\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && !args[0].starts_with("-")) {
    return writeAll(tsuzuri::art::demoPictures(), args[0]);
  }
  if (args.size() == 2 && args[0] == "--test-set") {
    return writeAll(tsuzuri::art::testPictures(), args[1]);
  }
  std::cerr << kUsage;
  return 2;
}

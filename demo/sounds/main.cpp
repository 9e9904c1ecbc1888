// tsuzuri-demo-sound: makes the demo game's music, chime and voice and
// writes them as Ogg Vorbis files.

#include <cerrno>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "sound/sound_encoding.h"
#include "sounds/demo_sounds.h"

namespace {

constexpr const char* kUsage =
    "usage: tsuzuri-demo-sound OUTDIR\n"
    "writes the demo's sounds (bgm.ogg, se.ogg, voice.ogg) into OUTDIR, creating it.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace tsuzuri;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() != 1 || args[0].starts_with("-")) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string& folder = args[0];
  if (!platform::createDirectories(folder)) {
    std::cerr << "tsuzuri-demo-sound: " << folder << ": " << platform::systemErrorText(errno)
              << "\n";
    return 1;
  }
  for (const demosound::DemoSound& sound :
       {demosound::music(), demosound::chime(), demosound::voice()}) {
    const std::string path = folder + "/" + sound.name;
    const std::vector<std::uint8_t> ogg =
        soundtools::encodeVorbis(sound.pcm, demosound::commentsFor(sound), sound.quality);
    const std::string_view bytes(reinterpret_cast<const char*>(ogg.data()), ogg.size());
    if (ogg.empty() || !platform::writeFileAtomically(path, bytes)) {
      std::cerr << "tsuzuri-demo-sound: " << path << ": cannot be written\n";
      return 1;
    }
  }
  return 0;
}

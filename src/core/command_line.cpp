#include "core/command_line.h"

#include <charconv>
#include <string_view>

#include "util/sjis.h"

namespace tsuzuri::core {

const char* const kUsage =
    "usage: tsuzuri [OPTIONS] [GAME_DIR]\n"
    "Runs the game in GAME_DIR (default: the executable's folder when it holds\n"
    "script.dat, else the current folder).\n"
    "\n"
    "  --title TEXT       the game's title, which script.dat is keyed with\n"
    "  --title-key HEX    the key itself, instead of the title\n"
    "  --headless         no window, no sound device, no boxes; reports go to\n"
    "                     standard error and questions take their default answer\n"
    "  --virtual-clock    the clock starts at 0 and moves only while the game waits\n"
    "  --max-time MS      end the run cleanly once the clock passes MS (with the\n"
    "                     virtual clock, also after MS of real time)\n"
    "  --transcript FILE  write every message line shown to FILE (- for standard\n"
    "                     output) as UTF-8\n"
    "  --screenshot FILE  when the run ends, write the last frame shown as PNG (the\n"
    "                     game screen, before any window scaling)\n"
    "  --frames-dir DIR   write every frame shown that differs from the one before\n"
    "                     as DIR/NNNNNNNN.png, named by the engine clock in ms\n"
    "  --input FILE       play the timed clicks, keys and other events in FILE\n"
    "                     (headless runs; see README.md for the format)\n"
    "  --auto-click MS    press Return whenever the game has been quiet for MS\n"
    "                     (headless runs)\n"
    "  --audio-capture FILE\n"
    "                     write what the game plays to FILE as a 16-bit stereo\n"
    "                     44100 Hz WAV whose first frame is the clock's 0\n"
    "                     (headless runs)\n"
    "  --help             this text\n"
    "  --version          the engine's version\n"
    "\n"
    "Exit status: 0 when the scripts end, 1 when the game cannot start, otherwise\n"
    "the code the game quit with.\n";

namespace {

template <class T>
bool parseNumber(std::string_view text, int base, T& out) {
  if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) text.remove_prefix(2);
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out, base);
  return !text.empty() && ec == std::errc() && ptr == end;
}

}  // namespace

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
  CommandLine line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    auto value = [&](std::string_view option) -> const std::string* {
      if (i + 1 >= arguments.size()) {
        error = std::string(option) + " needs a value";
        return nullptr;
      }
      return &arguments[++i];
    };
    if (a == "--help" || a == "-h") {
      line.help = true;
    } else if (a == "--version") {
      line.version = true;
    } else if (a == "--headless") {
      line.headless = true;
    } else if (a == "--virtual-clock") {
      line.virtualClock = true;
    } else if (a == "--title") {
      const std::string* text = value(a);
      if (text == nullptr) return std::nullopt;
      std::size_t bad = 0;
      auto sjis = util::utf8ToSjisStrict(*text, &bad);
      if (!sjis) {
        error =
            "--title: the text cannot be written in Shift_JIS (byte " + std::to_string(bad) + ")";
        return std::nullopt;
      }
      line.title = *sjis;
    } else if (a == "--title-key") {
      const std::string* text = value(a);
      if (text == nullptr) return std::nullopt;
      std::uint32_t key = 0;
      if (!parseNumber(*text, 16, key)) {
        error = "--title-key: " + *text + " is not a 32-bit hexadecimal number";
        return std::nullopt;
      }
      line.titleKey = key;
    } else if (a == "--max-time") {
      const std::string* text = value(a);
      if (text == nullptr) return std::nullopt;
      std::uint32_t ms = 0;
      if (!parseNumber(*text, 10, ms)) {
        error = "--max-time: " + *text + " is not a number of milliseconds";
        return std::nullopt;
      }
      line.maxTime = ms;
    } else if (a == "--transcript") {
      const std::string* text = value(a);
      if (text == nullptr) return std::nullopt;
      line.transcript = *text;
    } else if (a == "--screenshot") {
      const std::string* text = value(a);
      if (text == nullptr) return std::nullopt;
      line.screenshot = *text;
    } else if (a == "--frames-dir") {
      const std::string* text = value(a);
      if (text == nullptr) return std::nullopt;
      line.framesDirectory = *text;
    } else if (a == "--input") {
      const std::string* text = value(a);
      if (text == nullptr) return std::nullopt;
      line.input = *text;
    } else if (a == "--auto-click") {
      const std::string* text = value(a);
      if (text == nullptr) return std::nullopt;
      std::uint32_t ms = 0;
      if (!parseNumber(*text, 10, ms) || ms == 0) {
        error = "--auto-click: " + *text + " is not a positive number of milliseconds";
        return std::nullopt;
      }
      line.autoClick = ms;
    } else if (a == "--audio-capture") {
      const std::string* text = value(a);
      if (text == nullptr) return std::nullopt;
      line.audioCapture = *text;
    } else if (a.size() > 1 && a.front() == '-') {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (line.gameDirectory) {
      error = "only one game folder can be given";
      return std::nullopt;
    } else {
      line.gameDirectory = a;
    }
  }
  if (line.audioCapture && !line.headless) {
    error = "--audio-capture records a headless run: give --headless too";
    return std::nullopt;
  }
  if (line.title && line.titleKey) {
    error = "--title and --title-key cannot both be given";
    return std::nullopt;
  }
  return line;
}

}  // namespace tsuzuri::core

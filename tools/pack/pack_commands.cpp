#include "pack/pack_commands.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iomanip>
#include <iostream>

#include "pack/container_writer.h"
#include "pack/pack_names.h"
#include "pack/pack_options.h"
#include "platform/files.h"
#include "script/script_entry.h"
#include "script/title_key_search.h"
#include "util/build_config.h"
#include "util/sjis.h"

namespace tsuzuri::pack {
namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: tsuzuri-pack COMMAND ...\n"
    "  scripts OUT SRC_DIR [--title TEXT | --key HEX] [--utf8]\n"
    "      pack every *.txt under SRC_DIR into a script.dat, named by its path\n"
    "      relative to SRC_DIR (script/0.txt); --utf8 converts UTF-8 sources\n"
    "  archive OUT ROOT [--scramble] [FILE...]\n"
    "      pack FILEs (default: every file under ROOT) into an arcN.dat, named\n"
    "      by their paths relative to ROOT\n"
    "  list FILE [--title TEXT | --key HEX] [--names LIST]\n"
    "      one line per entry: hash, stored size, size, name when known\n"
    "  extract FILE DEST [--title TEXT | --key HEX] [--names LIST] [--utf8]\n"
    "      write every entry under DEST, named when known, else by its hash\n"
    "  find-key SCRIPT_DAT\n"
    "      recover the title key of a script.dat and print it in hexadecimal\n"
    "options:\n"
    "  --title TEXT   the game title (UTF-8) that keys script.dat\n"
    "  --key HEX      the 32-bit title key itself\n"
    "  --names LIST   a file of entry names, one per line\n"
    "  --script, --archive   what FILE is, when its name does not say\n";

int usageError(std::ostream& err, const std::string& message) {
  err << "tsuzuri-pack: " << message << "\n" << kUsage;
  return 2;
}

std::optional<PackOptions> parseOptions(const std::vector<std::string>& args, std::ostream& err) {
  PackOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        usageError(err, a + " needs a value");
        return std::nullopt;
      }
      return args[++i];
    };
    if (a == "--title" || a == "--key" || a == "--names") {
      auto v = value();
      if (!v) return std::nullopt;
      (a == "--title" ? options.title : a == "--key" ? options.key : options.names) = std::move(*v);
    } else if (a == "--utf8") {
      options.utf8 = true;
    } else if (a == "--scramble") {
      options.scramble = true;
    } else if (a == "--script" || a == "--archive") {
      options.isScriptContainer = a == "--script";
    } else if (a.size() > 1 && a.front() == '-' && a != "--help" && a != "-h") {
      usageError(err, "unknown option " + a);
      return std::nullopt;
    } else if (options.command.empty()) {
      options.command = a;
    } else {
      options.positional.push_back(a);
    }
  }
  if (options.title && options.key) {
    usageError(err, "give either --title or --key, not both");
    return std::nullopt;
  }
  return options;
}

bool hasTxtExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".txt";
}

// Regular files under `root`, in the order of their relative paths; nothing
// (with `err` told why) when the folder cannot be walked to its end, so
// that a half-read tree is never packed as if it were whole.
std::optional<std::vector<fs::path>> filesUnder(const fs::path& root,
                                                bool (*wanted)(const fs::path&),
                                                std::ostream& err) {
  std::vector<fs::path> files;
  std::error_code ec;
  fs::recursive_directory_iterator it(root, ec);
  for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && wanted(it->path())) files.push_back(it->path());
    if (ec) break;
  }
  if (ec) {
    err << "tsuzuri-pack: " << root.string() << ": " << ec.message() << "\n";
    return std::nullopt;
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::size_t lineOf(std::string_view text, std::size_t offset) {
  return static_cast<std::size_t>(
             std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n')) +
         1;
}

int runScripts(const PackOptions& options, std::ostream& out, std::ostream& err) {
  if (options.positional.size() != 2) return usageError(err, "scripts takes OUT and SRC_DIR");
  const std::string& outPath = options.positional[0];
  const fs::path sourceDir = options.positional[1];
  std::string error;
  const auto title = chosenTitleKey(options, error);
  if (!title) {
    err << "tsuzuri-pack: " << error << "\n";
    return 1;
  }
  if (!fs::is_directory(sourceDir)) {
    err << "tsuzuri-pack: " << sourceDir.string() << " is not a folder\n";
    return 1;
  }
  const auto sources = filesUnder(sourceDir, hasTxtExtension, err);
  if (!sources) return 1;
  std::vector<ScriptSource> scripts;
  for (const auto& path : *sources) {
    const std::string relative = path.lexically_relative(sourceDir).generic_string();
    auto name = gameNameFromText(relative);
    if (!name) {
      err << "tsuzuri-pack: " << relative << ": the file name has no Shift_JIS form\n";
      return 1;
    }
    auto text = readWholeFile(path.string(), error);
    if (!text) {
      err << "tsuzuri-pack: " << error << "\n";
      return 1;
    }
    if (options.utf8) {
      std::string_view source = *text;
      if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);
      std::size_t bad = 0;
      auto converted = util::utf8ToSjisStrict(source, &bad);
      if (!converted) {
        err << "tsuzuri-pack: " << path.string() << ":" << lineOf(source, bad)
            << ": not UTF-8, or a character Shift_JIS cannot write\n";
        return 1;
      }
      text = std::move(converted);
    }
    scripts.push_back({std::move(*name), std::move(*text)});
  }
  const auto container = buildScriptContainer(scripts, *title, error);
  if (!container) {
    err << "tsuzuri-pack: " << error << "\n";
    return 1;
  }
  if (!platform::writeFileAtomically(outPath, *container)) {
    err << "tsuzuri-pack: " << outPath << ": " << platform::systemErrorText(errno) << "\n";
    return 1;
  }
  out << "packed " << scripts.size() << " scripts into " << outPath << "\n";
  return 0;
}

bool anyFile(const fs::path&) {
  return true;
}

int runArchive(const PackOptions& options, std::ostream& out, std::ostream& err) {
  if (options.positional.size() < 2) return usageError(err, "archive takes OUT and ROOT");
  const std::string& outPath = options.positional[0];
  const fs::path root = fs::weakly_canonical(options.positional[1]);
  const fs::path self = fs::weakly_canonical(outPath);
  if (!fs::is_directory(root)) {
    err << "tsuzuri-pack: " << options.positional[1] << " is not a folder\n";
    return 1;
  }
  std::vector<fs::path> chosen;
  if (options.positional.size() == 2) {
    auto all = filesUnder(root, anyFile, err);
    if (!all) return 1;
    chosen = std::move(*all);
  } else {
    for (std::size_t i = 2; i < options.positional.size(); ++i) {
      fs::path given = options.positional[i];
      if (!fs::exists(given) && fs::exists(root / given)) given = root / given;
      if (fs::is_directory(given)) {
        auto below = filesUnder(given, anyFile, err);
        if (!below) return 1;
        for (auto& p : *below) chosen.push_back(std::move(p));
      } else if (fs::is_regular_file(given)) {
        chosen.push_back(given);
      } else {
        err << "tsuzuri-pack: " << options.positional[i] << ": no such file\n";
        return 1;
      }
    }
  }
  std::vector<ArchiveFile> files;
  for (const auto& path : chosen) {
    const fs::path full = fs::weakly_canonical(path);
    // The archive being written never packs itself.
    if (full == self) continue;
    const fs::path relative = full.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..") {
      err << "tsuzuri-pack: " << path.string() << " is not under " << root.string() << "\n";
      return 1;
    }
    auto name = gameNameFromText(relative.generic_string());
    if (!name) {
      err << "tsuzuri-pack: " << relative.generic_string()
          << ": the file name has no Shift_JIS form\n";
      return 1;
    }
    files.push_back({std::move(*name), full.string()});
  }
  std::string error;
  if (!writeArchive(outPath, files, options.scramble, error)) {
    err << "tsuzuri-pack: " << error << "\n";
    return 1;
  }
  out << "packed " << files.size() << " files into " << outPath
      << (options.scramble ? " (scrambled)" : "") << "\n";
  return 0;
}

int runFindKey(const PackOptions& options, std::ostream& out, std::ostream& err) {
  if (options.positional.size() != 1) return usageError(err, "find-key takes SCRIPT_DAT");
  std::string error;
  const auto bytes = readWholeFile(options.positional[0], error);
  if (!bytes) {
    err << "tsuzuri-pack: " << error << "\n";
    return 1;
  }
  const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes->data()),
                                           bytes->size());
  const auto index = assets::decodeContainerIndex(data);
  if (index.truncated) {
    err << "tsuzuri-pack: " << options.positional[0]
        << ": the index ends early; this is not a whole script.dat\n";
    return 1;
  }
  const auto key = script::findTitleKey(data, index);
  if (!key) {
    err << "tsuzuri-pack: " << options.positional[0]
        << ": no title key decodes these scripts (the file is damaged or not a script.dat)\n";
    return 1;
  }
  out << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << *key << "\n";
  return 0;
}

}  // namespace

std::optional<std::uint32_t> chosenTitleKey(const PackOptions& options, std::string& error) {
  if (options.key) {
    std::string_view hex = *options.key;
    if (hex.substr(0, 2) == "0x" || hex.substr(0, 2) == "0X") hex.remove_prefix(2);
    if (hex.empty() || hex.size() > 8 ||
        hex.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
      error = "--key wants up to eight hexadecimal digits, not " + *options.key;
      return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::stoul(std::string(hex), nullptr, 16));
  }
  const std::string title = options.title.value_or(util::kDefaultTitleUtf8);
  const auto sjis = util::utf8ToSjisStrict(title);
  if (!sjis) {
    error = "the title \"" + title + "\" is not UTF-8 or has a character Shift_JIS cannot write";
    return std::nullopt;
  }
  return script::titleKey(*sjis);
}

bool looksLikeScriptContainer(const PackOptions& options, const std::string& path) {
  if (options.isScriptContainer) return *options.isScriptContainer;
  std::string name = fs::path(path).filename().string();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name == "script.dat";
}

std::optional<std::string> readWholeFile(const std::string& path, std::string& error) {
  const platform::FileHandle file = platform::openForReading(path);
  const auto length = file ? platform::fileLength(file.get()) : std::nullopt;
  if (!length) {
    error = path + ": " + platform::systemErrorText(errno);
    return std::nullopt;
  }
  if (*length > 0xFFFFFFFFULL) {
    error = path + ": larger than 4 GiB";
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(*length), '\0');
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    error = path + ": could not be read to its end";
    return std::nullopt;
  }
  return bytes;
}

std::optional<OpenedContainer> openContainer(const std::string& path, std::ostream& err) {
  const platform::FileHandle file = platform::openForReading(path);
  const auto length = file ? platform::fileLength(file.get()) : std::nullopt;
  if (!length) {
    err << "tsuzuri-pack: " << path << ": " << platform::systemErrorText(errno) << "\n";
    return std::nullopt;
  }
  OpenedContainer container{path, *length, assets::readContainerIndex(file.get(), *length)};
  if (container.index.truncated) {
    err << "tsuzuri-pack: " << path << ": the index ends early (" << container.index.records.size()
        << " of " << container.index.declaredCount << " entries are there)\n";
  }
  return container;
}

std::optional<std::string> readRange(const OpenedContainer& container, std::uint64_t offset,
                                     std::uint32_t size) {
  if (offset > container.length || size > container.length - offset) return std::nullopt;
  const platform::FileHandle file = platform::openForReading(container.path);
  std::string bytes(size, '\0');
  if (!file || !platform::seekTo(file.get(), offset) ||
      std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    return std::nullopt;
  }
  return bytes;
}

namespace {

int dispatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto options = parseOptions(args, err);
  if (!options) return 2;
  if (options->command.empty() || options->command == "--help" || options->command == "-h" ||
      options->command == "help") {
    (options->command.empty() ? err : out) << kUsage;
    return options->command.empty() ? 2 : 0;
  }
  if (options->command == "scripts") return runScripts(*options, out, err);
  if (options->command == "archive") return runArchive(*options, out, err);
  if (options->command == "list") return runList(*options, out, err);
  if (options->command == "extract") return runExtract(*options, out, err);
  if (options->command == "find-key") return runFindKey(*options, out, err);
  return usageError(err, "unknown command " + options->command);
}

}  // namespace

int runPackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return dispatch(args, out, err);
  } catch (const std::bad_alloc&) {
    err << "tsuzuri-pack: out of memory\n";
  } catch (const std::exception& e) {
    // Filesystem errors of paths the checks above did not foresee.
    err << "tsuzuri-pack: " << e.what() << "\n";
  }
  return 1;
}

}  // namespace tsuzuri::pack

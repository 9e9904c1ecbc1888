#include "assets/game_folder.h"

#include <filesystem>
#include <system_error>

#include "util/sjis.h"

namespace tsuzuri::assets {
namespace {

GameFolder make(std::string native) {
  GameFolder folder;
  // Native paths are UTF-8; the Shift_JIS form is for display, so a
  // character without a code does no harm there.
  folder.sjis = util::utf8ToSjis(native);
  folder.native = std::move(native);
  return folder;
}

}  // namespace

GameFolder GameFolder::containing(std::string_view nativePath) {
  const auto slash = nativePath.rfind('/');
  if (slash == std::string_view::npos) return make("./");
  return make(std::string(nativePath.substr(0, slash + 1)));
}

GameFolder GameFolder::fromDirectory(std::string_view nativeDirectory) {
  // Absolute, so that the folder stays right when the current directory moves.
  std::error_code ec;
  const auto path = std::filesystem::absolute(nativeDirectory.empty() ? "." : nativeDirectory, ec);
  std::string native = ec ? std::string(nativeDirectory) : path.lexically_normal().string();
  if (native.empty() || native.back() != '/') native.push_back('/');
  return make(std::move(native));
}

}  // namespace tsuzuri::assets

#include "persist/persistence.h"

#include <cstdio>

#include "platform/files.h"
#include "util/sjis.h"

namespace tsuzuri::persist {

namespace {

constexpr std::string_view kSettingsName = "setting.dat";

}  // namespace

std::uint32_t Persistence::totalTime() const {
  return clock_.now() - startTime_ + settings_.persist.totalTime;
}

std::string Persistence::saveFolder() const {
  return (root_.native.empty() ? gameFolder_ : root_.native) + "save/";
}

bool Persistence::loadSetting(std::string_view brand, std::string_view game) {
  std::optional<SaveRoot> root = location_.chooseRoot(brand, game);
  if (!root) return false;
  root_ = std::move(*root);
  loaded_ = true;
  errors_.setSaveRoot(root_.native);

  const std::string ownPath = saveFolder() + std::string(kSettingsName);
  const std::string ownName = saveFolderName() + std::string(kSettingsName);
  const bool ownExists = platform::fileKind(ownPath) == platform::FileKind::kFile;
  // A game without a settings file gets the filter of current systems.
  if (!ownExists) settings_.render.interpolation = 2;

  std::optional<std::string> inherited;
  if (root_.documents && !ownExists) {
    inherited = location_.chooseCandidate(location_.inheritanceCandidates(root_), root_);
  }
  if (inherited) {
    const std::string path = *inherited + "/save/" + std::string(kSettingsName);
    if (file_.read(path, util::utf8ToSjis(path)) == SettingsFile::ReadResult::kRead) {
      file_.write(ownPath, ownName, totalTime());
    }
  } else if (file_.read(ownPath, ownName) == SettingsFile::ReadResult::kFailed) {
    keepUnreadable(ownPath, ownName);
  }
  for (const auto& hook : hooks_) hook();
  return true;
}

void Persistence::keepUnreadable(const std::string& path, const std::string& name) {
  // The run goes on with defaults, which must not replace the player's
  // settings: the file is moved aside, or, when even that fails, left alone
  // for the whole run.
  if (std::rename(path.c_str(), (path + ".bad").c_str()) == 0) {
    errors_.reportPlain(name + util::toSjis(u8" を読み込めなかったため ") + name +
                        util::toSjis(u8".bad に移しました"));
  } else {
    writeBlocked_ = true;
  }
}

bool Persistence::saveSetting() {
  if (!loaded_) {
    errors_.reportWithContext(
        util::toSjis(u8"loadSetting が実行される前に saveSetting は使えません"));
    return false;
  }
  if (writeBlocked_) {
    errors_.reportPlain(saveFolderName() + std::string(kSettingsName) +
                        util::toSjis(u8" を読み込めなかったため上書きしません"));
    return false;
  }
  return file_.write(saveFolder() + std::string(kSettingsName),
                     saveFolderName() + std::string(kSettingsName), totalTime());
}

void Persistence::saveAtShutdown() {
  if (loaded_) saveSetting();
}

}  // namespace tsuzuri::persist

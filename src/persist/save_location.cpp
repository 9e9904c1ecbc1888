#include "persist/save_location.h"

#include <algorithm>
#include <array>

#include "platform/files.h"
#include "util/sjis.h"

namespace tsuzuri::persist {

namespace {

constexpr std::string_view kTitle = "Confirm";
constexpr std::string_view kSettingsSuffix = "/save/setting.dat";
// Folders below the brand folder are searched this deep at most.
constexpr int kSearchDepth = 8;

// The marker's verdict: a file with content selects the documents folder.
std::optional<bool> markerSaysDocuments(const std::string& path) {
  platform::FileHandle file = platform::openForReading(path);
  if (!file) return std::nullopt;
  const auto length = platform::fileLength(file.get());
  if (!length) return std::nullopt;
  return *length > 0;
}

void search(const std::string& folder, int depth, std::vector<std::string>& found) {
  if (depth > kSearchDepth) return;
  const auto entries = platform::listDirectory(folder);
  if (!entries) return;  // unreadable folders are passed over
  for (const platform::DirectoryEntry& entry : *entries) {
    const std::string path = folder + "/" + entry.name;
    if (entry.isDirectory) {
      if (!entry.isLink) search(path, depth + 1, found);
    } else if (entry.name.ends_with("setting.dat") && path.ends_with(kSettingsSuffix)) {
      found.push_back(path.substr(0, path.size() - kSettingsSuffix.size()));
    }
  }
}

}  // namespace

SaveLocation::Marker SaveLocation::readMarker() const {
  const bool inGame = platform::fileKind(gameFolder_ + "save.dat") == platform::FileKind::kFile;
  const bool inSave =
      platform::fileKind(gameFolder_ + "save/save.dat") == platform::FileKind::kFile;
  std::optional<bool> documents;
  if (inGame) {
    documents = markerSaysDocuments(gameFolder_ + "save.dat");
  } else if (inSave) {
    documents = markerSaysDocuments(gameFolder_ + "save/save.dat");
  }
  if (!documents) return Marker::kUnknown;
  return *documents ? Marker::kDocuments : Marker::kGameFolder;
}

std::optional<SaveRoot> SaveLocation::documentsRoot(std::string_view brand,
                                                    std::string_view game) const {
  if (!documents_) return std::nullopt;
  SaveRoot root;
  root.documents = true;
  root.native = *documents_ + "/" + util::sjisToUtf8(brand) + "/" + util::sjisToUtf8(game) + "/";
  root.sjis =
      util::utf8ToSjis(*documents_) + "/" + std::string(brand) + "/" + std::string(game) + "/";
  return root;
}

void SaveLocation::remember(bool documents) {
  // A marker that cannot be written only means the question comes again.
  static_cast<void>(platform::writeFileAtomically(gameFolder_ + "save.dat", documents ? "1" : ""));
}

std::optional<SaveRoot> SaveLocation::ask(std::string_view brand, std::string_view game) {
  const std::array<std::string, 3> buttons = {util::toSjis(u8"はい"), util::toSjis(u8"いいえ"),
                                              util::toSjis(u8"キャンセル")};
  const std::string where = util::toSjis(
      u8"ドキュメントにセーブデータを保存しても宜しいですか？\n\nドキュメントを選ぶと同じブランドの"
      u8"ゲ"
      u8"ームのセーブデータが\nドキュメントにあれば設定を一部引き継げるようになります。\n");
  for (;;) {
    // Return presses Yes; Escape and closing the box cancel.
    const int answer = dialogs_.choose(kTitle, where, buttons, 0, 2);
    if (answer == 0) {
      std::optional<SaveRoot> root = documentsRoot(brand, game);
      if (!root) {
        dialogs_.inform(kTitle, util::toSjis(u8"ドキュメントフォルダが見つかりません"));
        continue;
      }
      if (dialogs_.ask(kTitle,
                       root->sjis + util::toSjis(u8"ドキュメントにセーブデータを作りますか？\n"),
                       true)) {
        remember(true);
        return root;
      }
    } else if (answer == 1) {
      if (dialogs_.ask(kTitle, util::toSjis(u8"ゲームフォルダにセーブデータを作りますか？"),
                       true)) {
        remember(false);
        return SaveRoot{};
      }
    } else {
      return std::nullopt;
    }
  }
}

std::optional<SaveRoot> SaveLocation::chooseRoot(std::string_view brand, std::string_view game) {
  switch (readMarker()) {
    case Marker::kGameFolder:
      return SaveRoot{};
    case Marker::kDocuments:
      // Without a documents folder the game folder is all there is.
      if (auto root = documentsRoot(brand, game)) return root;
      return SaveRoot{};
    case Marker::kUnknown:
      break;
  }
  if (!interactive_) return SaveRoot{};
  return ask(brand, game);
}

std::vector<std::string> SaveLocation::inheritanceCandidates(const SaveRoot& root) const {
  std::vector<std::string> found;
  if (!root.documents || root.native.size() < 2) return found;
  // The brand folder: the root without its last component.
  const std::string withoutSlash = root.native.substr(0, root.native.size() - 1);
  const std::size_t cut = withoutSlash.rfind('/');
  if (cut == std::string::npos || cut == 0) return found;
  search(withoutSlash.substr(0, cut), 0, found);
  std::sort(found.begin(), found.end());
  return found;
}

std::optional<std::string> SaveLocation::chooseCandidate(const std::vector<std::string>& candidates,
                                                         const SaveRoot& root) {
  if (candidates.empty() || !interactive_) return std::nullopt;
  // Each game is offered by its folder's name below the brand folder, a
  // page of buttons at a time.
  const std::string brandFolder =
      root.native.substr(0, root.native.substr(0, root.native.size() - 1).rfind('/') + 1);
  std::vector<std::string> names;
  for (const std::string& path : candidates) {
    names.push_back(util::utf8ToSjis(path.starts_with(brandFolder)
                                         ? std::string_view(path).substr(brandFolder.size())
                                         : std::string_view(path)));
  }
  const std::string title = util::toSjis(u8"設定引継");
  const std::string heading = util::toSjis(u8"設定の引き継ぎ可能なゲーム");
  std::size_t first = 0;
  for (;;) {
    const std::size_t shown = std::min(names.size() - first, kMaxCandidates);
    const bool more = names.size() > kMaxCandidates;
    std::vector<std::string> buttons(names.begin() + static_cast<std::ptrdiff_t>(first),
                                     names.begin() + static_cast<std::ptrdiff_t>(first + shown));
    if (more) buttons.push_back(util::toSjis(u8"次へ"));
    buttons.push_back(util::toSjis(u8"終了"));
    const int quit = static_cast<int>(buttons.size()) - 1;
    const int answer = dialogs_.choose(title, heading, buttons, 0, quit);
    if (answer >= 0 && static_cast<std::size_t>(answer) < shown) {
      const std::size_t chosen = first + static_cast<std::size_t>(answer);
      const std::string question =
          util::toSjis(u8"「") + names[chosen] + util::toSjis(u8"」の設定を引き継ぎますか？");
      if (dialogs_.ask(kTitle, question, true)) return candidates[chosen];
    } else if (more && answer == quit - 1) {
      first = first + shown < names.size() ? first + shown : 0;
    } else if (dialogs_.ask(kTitle, util::toSjis(u8"引き継ぎを行わなくて構いませんか？"), true)) {
      return std::nullopt;
    }
  }
}

}  // namespace tsuzuri::persist

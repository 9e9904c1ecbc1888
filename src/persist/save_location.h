#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tsuzuri::persist {

// Where the player's data lives: the folder that holds "save/".
struct SaveRoot {
  // Native, ending in "/"; empty for the game folder.
  std::string native;
  // As scripts see it (Shift_JIS, "/" separators); empty for the game folder.
  std::string sjis;
  bool documents = false;
};

// The player's choice of the save location, remembered in the marker file
// "save.dat" of the game folder ("1": the documents folder, empty: the game
// folder), and the settings of other games of the same brand that a new
// documents location may take over.
class SaveLocation {
 public:
  // `gameFolder` is native and ends in "/"; `documents` is the user's
  // documents folder (native, no final "/"), or nothing when there is none.
  // Without `interactive` nobody can answer: a location that is not
  // remembered is the game folder, chosen without asking or remembering.
  SaveLocation(platform::Dialogs& dialogs, bool interactive, std::string gameFolder,
               std::optional<std::string> documents)
      : dialogs_(dialogs),
        interactive_(interactive),
        gameFolder_(std::move(gameFolder)),
        documents_(std::move(documents)) {}

  // The root for the game `game` of the brand `brand` (folder names,
  // Shift_JIS); nothing when the player cancelled.
  std::optional<SaveRoot> chooseRoot(std::string_view brand, std::string_view game);

  // The games below the brand folder of a documents root whose
  // "save/setting.dat" could be taken over: their folders, native, sorted.
  std::vector<std::string> inheritanceCandidates(const SaveRoot& root) const;

  // Asks which candidate's settings to take over; nothing for none.
  std::optional<std::string> chooseCandidate(const std::vector<std::string>& candidates,
                                             const SaveRoot& root);

  // The most candidates offered at once; a "次へ" button shows the next ones.
  static constexpr std::size_t kMaxCandidates = 8;

 private:
  enum class Marker { kGameFolder, kDocuments, kUnknown };
  Marker readMarker() const;
  std::optional<SaveRoot> documentsRoot(std::string_view brand, std::string_view game) const;
  std::optional<SaveRoot> ask(std::string_view brand, std::string_view game);
  void remember(bool documents);

  platform::Dialogs& dialogs_;
  bool interactive_;
  std::string gameFolder_;
  std::optional<std::string> documents_;
};

}  // namespace tsuzuri::persist

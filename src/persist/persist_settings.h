#pragma once

#include <array>
#include <cstdint>

namespace tsuzuri::persist {

// The settings of the saves themselves: play time, the confirmation
// questions and the protection of the save slots.
struct PersistSettings {
  static constexpr int kConfirmations = 12;
  static constexpr int kProtectedSlots = 100;

  // Play time of earlier runs, in milliseconds.
  std::uint32_t totalTime = 0;
  // ConfirmSave ... ConfirmExit by index (0 save, 1 load, 2 quick save,
  // 3 quick load, 4 move, 5 delete, 6 back, 7 next, 8 format, 9 replay,
  // 10 title, 11 exit). Scripts address them by index & 15, so the table
  // has 16 entries; the last four are kept for the run but not written.
  std::array<std::int32_t, 16> confirmations{1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1};
  // The protection flag of save slots 0-99.
  std::array<std::int32_t, kProtectedSlots> saveProtect{};
};

}  // namespace tsuzuri::persist

#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "scene/composition.h"
#include "scene/sprite_table.h"
#include "script/interpreter.h"
#include "script/script_tables.h"
#include "text/message_settings.h"

namespace tsuzuri::text {

// The codes an event wait reports when a mode changed: (the modes that
// stopped) × 16 + 1 for a stop, and the mode that started.
inline constexpr std::int32_t kEventAutoStarted = 2;
inline constexpr std::int32_t kEventSkipStarted = 3;
inline constexpr std::int32_t kEventAutoStopped = 17;
inline constexpr std::int32_t kEventSkipStopped = 33;
inline constexpr std::int32_t kEventJumpStopped = 65;

// getMode's bits.
inline constexpr std::int32_t kModeAuto = 1;
inline constexpr std::int32_t kModeSkip = 2;
inline constexpr std::int32_t kModeSkipInEffect = 4;
inline constexpr std::int32_t kModeRestoring = 8;
inline constexpr std::int32_t kModeJump = 16;

// Jump mode's values: fast-forward by setJump, and to a restored save.
inline constexpr std::int32_t kJumpBySetJump = 1;
inline constexpr std::int32_t kJumpToSave = 2;

// Auto, skip and jump modes, the mode-change event waiting for an event
// wait, and whether the current message was read before.
class MessageModes {
 public:
  MessageModes(scene::SpriteTable& table, scene::Composer& composer, MessageSettings& settings,
               script::Interpreter& interpreter, const script::ScriptTables& tables)
      : table_(table),
        composer_(composer),
        settings_(settings),
        interpreter_(interpreter),
        tables_(tables) {}

  void setAuto(std::int32_t how);  // 0 stop, 1 start, 2 toggle
  void setSkip(std::int32_t how);
  void setJump();
  // At a choice: stops skip or auto as the settings ask, and commits.
  void stopMode();

  bool autoMode() const { return auto_; }
  bool skip() const { return skip_; }
  bool skipInEffect() const { return skipInEffect_; }
  void setSkipInEffect(bool on) { skipInEffect_ = on; }
  bool jumping() const { return table_.jumpMode() != 0; }
  std::int32_t modeBits() const;

  // The event for the next event wait (0: none), and taking it.
  std::int32_t event() const { return event_; }
  std::int32_t takeEvent() { return std::exchange(event_, 0); }

  bool alreadyRead() const { return alreadyRead_; }
  // A message line begins: its already-read state starts skip (auto-skip
  // of read text) or stops it (unread text), and ends a jump of setJump.
  void messageLine(bool alreadyRead);
  // Ends jump mode: the modes stop, changes are committed, the endless
  // sounds the jump remembered start, and the game goes on with the message
  // being shown, through its "load_lb" label first.
  void finishJump();
  // What starts the remembered sounds.
  void setSoundRestart(std::function<void()> restart) { soundRestart_ = std::move(restart); }
  // What gives the sprites made while jumping their pictures.
  void setSpriteRebuild(std::function<void()> rebuild) { spriteRebuild_ = std::move(rebuild); }
  // The page a restored game fast-forwarded to is reached.
  void reachRestoredPage(bool alreadyRead) {
    finishJump();
    alreadyRead_ = alreadyRead;
  }

 private:
  bool visible() const { return composer_.windowVisibility() != 0; }
  bool skipAllowed() const { return alreadyRead_ || settings_.alreadyReadSkip != 0; }
  // (skip × 2 + auto) × 16 + 1 when no event waits, then both stop.
  void stopBoth();
  void startSkip();

  scene::SpriteTable& table_;
  scene::Composer& composer_;
  MessageSettings& settings_;
  script::Interpreter& interpreter_;
  const script::ScriptTables& tables_;
  bool auto_ = false;
  bool skip_ = false;
  bool skipInEffect_ = false;
  bool alreadyRead_ = false;
  std::int32_t event_ = 0;
  std::function<void()> soundRestart_;
  std::function<void()> spriteRebuild_;
};

}  // namespace tsuzuri::text

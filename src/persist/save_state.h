#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/error_reporter.h"
#include "persist/record_text.h"
#include "persist/scene_state.h"
#include "persist/settings.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "sound/sound_system.h"
#include "text/font_commands.h"
#include "text/message_window.h"
#include "text/text_sprites.h"

namespace tsuzuri::persist {

// What a saved game is made of.
struct SaveStateServices {
  SceneStateServices scene;
  text::MessageWindow& messages;
  text::FontCommands& fonts;
  sound::SoundSystem& sound;
  script::Interpreter& interpreter;
  script::Expression& expression;
  const Settings& settings;
  commands::ErrorReporter& errors;
};

// A saved game as text: the record that makeSave builds (the scene, sound,
// message window, backlog, "g_" variables and where the script goes on),
// the stack of snapshots that pushSave takes page by page, and restoring a
// record, a slot file or a snapshot.
class SaveState {
 public:
  explicit SaveState(SaveStateServices services) : s_(services) {}

  // makeSave: commits every sprite and builds the current record.
  void make();
  // clearSave.
  void clear() { current_.clear(); }

  // pushSave: builds the current record and pushes it (onto the stack, or
  // as the only record with `append` false), with the resume position of
  // `label` when one is named. The current record is emptied.
  void push(bool append, std::string_view label);
  // popSave: -1 restores the last stacked record; n >= 0 the snapshot of
  // the page n pages back, which the script then fast-forwards to.
  void pop(std::int32_t back);

  // What a slot file holds: the stack, then the current record.
  std::string slotText() const;
  // Restores the last record of a slot file; the ones before it become the
  // stack. False (reported under `name`) when the text holds no record.
  bool restoreSlot(std::string_view text, std::string_view name);

  const std::string& comment() const { return comment_; }
  void setComment(std::string_view comment) { comment_.assign(comment); }
  // The stacked snapshots beyond the first.
  std::int32_t stacked() const {
    return stack_.empty() ? 0 : static_cast<std::int32_t>(stack_.size()) - 1;
  }

  // The "Comment" value of a slot file's last record.
  static std::string commentOf(std::string_view text);

 private:
  void setStack(std::vector<std::string> records);
  // The record's lines but the comment.
  std::string build();
  void appendMessageLines(std::string& out) const;
  void appendResumeLine(std::string& out) const;
  void appendSoundLines(std::string& out);
  // Restores one record; `preferFile2` takes the label position of a
  // pushed record when there is one.
  void restore(std::string_view record, bool preferFile2);
  void clearForRestore();
  void restoreMessageLines(const RecordLines& lines);
  void restoreResume(const RecordLines& lines, bool preferFile2);
  void restoreSounds(const RecordLines& lines);

  SaveStateServices s_;
  std::string current_;
  std::string comment_;
  // Pushed records, oldest first; each ends with its comment line.
  std::vector<std::string> stack_;
  // The reserved value of the Window line, kept as it was read.
  std::int32_t windowReserved_ = 0;
};

// Splits a slot file or stack text into its records: a line holding a
// single back-quote separates two records.
std::vector<std::string_view> splitRecords(std::string_view text);

}  // namespace tsuzuri::persist

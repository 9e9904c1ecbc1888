#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/command_name.h"
#include "script/script_place.h"
#include "script/script_tables.h"
#include "script/variables.h"

namespace tsuzuri::script {

class ScriptContainer;

// The hashes of the two scripts the engine names itself.
std::uint64_t startScriptHash();   // "script/0.txt"
std::uint64_t secondScriptHash();  // "script/1.txt"

// One of the three script slots: 0 holds script/0.txt, 1 script/1.txt, and
// 2 whichever other script execution moved into last.
struct ScriptSlot {
  ParsedScript lines;
  std::uint64_t hash = 0;
  std::string name;  // the name error reports give it
};

// A frame of the call stack: where the caller resumes, and its loop count.
struct CallFrame {
  std::int32_t resumeLine = 0;
  std::int32_t resumeStatement = 0;
  std::int32_t savedLoopCount = 0;
  std::uint64_t scriptHash = 0;  // the caller's script
};

// A counted loop opened by `for`. Positions are stored the way jumps store
// them: execution goes on at (line + 1, statement).
struct LoopRecord {
  std::int32_t startLine = 0;
  std::int32_t startStatement = 0;
  // -1 until the first `next` of the loop has run.
  std::int32_t exitLine = -1;
  std::int32_t exitStatement = -1;
  IntegerHandle variable;
  std::int32_t end = 0;
  std::int32_t step = 1;
  bool ascending = true;
};

// The state of a conditional chain at one call depth.
enum class Conditional : std::uint8_t {
  kNone = 0,
  kTaken = 1,   // a branch of the chain was taken
  kFailed = 2,  // every condition tested so far failed
};

// What to do with the slots after the current statement.
enum class SlotSwitch : std::uint8_t {
  kNone = 0,
  kSlot0 = 1,
  kSlot1 = 2,
  kSlot2 = 3,
  kReadSlot2 = 4,  // read the slot-2 hash into slot 2, then switch to it
};

// The interpreter's state: the slots, the position and its flags, the call
// stack, and the bookkeeping of the text lines. Statements change the
// position only through the operations below; the statement loop applies
// them between statements.
class Interpreter final : public ScriptPlace {
 public:
  static constexpr int kSlotCount = 3;
  // The parameter buffer of user commands holds 255 bytes and a NUL.
  static constexpr std::size_t kParameterCapacity = 255;

  explicit Interpreter(ScriptTables& tables) : tables_(tables) {}

  // ScriptPlace.
  std::string_view currentScriptName() const override { return slots_[currentSlot_].name; }
  std::int32_t currentLineIndex() const override { return line_; }

  ScriptTables& tables() { return tables_; }

  ScriptSlot& slot(int index) { return slots_[static_cast<std::size_t>(index)]; }
  const ScriptSlot& slot(int index) const { return slots_[static_cast<std::size_t>(index)]; }
  int currentSlot() const { return static_cast<int>(currentSlot_); }
  ScriptSlot& current() { return slots_[currentSlot_]; }

  // The position: line index (may be -1 after a jump to line 0) and the
  // token index of the current command name.
  std::int32_t line() const { return line_; }
  std::int32_t statement() const { return statement_; }
  void setLine(std::int32_t line) { line_ = line; }
  void setStatement(std::int32_t statement) { statement_ = statement; }
  void setTokenCount(std::int32_t count) { tokenCount_ = count; }

  bool jumpFlag() const { return jump_; }
  void setJumpFlag(bool on) { jump_ = on; }
  bool loopSkip() const { return loopSkip_; }
  void setLoopSkip(bool on) { loopSkip_ = on; }
  SlotSwitch pendingSwitch() const { return pending_; }
  void setPendingSwitch(SlotSwitch to) { pending_ = to; }
  std::uint32_t deferredLabel() const { return deferredLabel_; }
  void setDeferredLabel(std::uint32_t labelHash) { deferredLabel_ = labelHash; }

  // The end flag: once set, waiting loops leave and the statement loop stops.
  bool ended() const { return endFlag_ != 0; }
  void setEnded(int value = 1) { endFlag_ = value; }

  CommandName& commandName() { return commandName_; }
  const CommandName& commandName() const { return commandName_; }

  // Where execution resumes after the current statement (for gosub, for and
  // next): the next statement on this line, or the start of the next line.
  std::pair<std::int32_t, std::int32_t> resumePosition() const;

  // Sets the pending switch for moving to the script of `hash`.
  void switchToScript(std::uint64_t hash);
  // Applies the pending switch, reading a slot-2 script when needed (a read
  // that fails leaves slot 2 empty, which ends the run). Returns whether a
  // switch was applied.
  bool applyPendingSwitch(ScriptContainer& container);

  // Continues at the label: line index = its line - 1, statement 0, jump
  // flag, switch to its script. False when no such label exists.
  bool jumpToLabel(std::uint32_t labelHash);
  // Calls the label as a subroutine. False (and nothing pushed) when no such
  // label exists.
  bool callLabel(std::uint32_t labelHash);

  const std::vector<CallFrame>& callStack() const { return calls_; }
  std::vector<CallFrame>& callStack() { return calls_; }
  // Loops opened since the current subroutine was entered.
  std::int32_t loopCount() const { return loopCount_; }
  void setLoopCount(std::int32_t count) { loopCount_ = count; }

  // The loop stack; the innermost loop is at the back.
  std::vector<LoopRecord>& loops() { return loops_; }
  const std::vector<LoopRecord>& loops() const { return loops_; }
  void pushLoop(const LoopRecord& loop);
  // Removes the innermost loop (and counts it off the current level).
  void popLoop();
  // Removes the loops the current subroutine opened, as its return does.
  void dropSubroutineLoops();

  // The state of the conditional chain at the current call depth.
  Conditional conditional() const;
  void setConditional(Conditional state);

  // The user command being entered, for error reports; empty otherwise.
  std::string_view subroutineName() const { return subroutineName_; }
  void setSubroutineName(std::string_view name) { subroutineName_.assign(name); }
  // The argument text of the last user-command call.
  std::string_view parameters() const { return parameters_; }
  void setParameters(std::string_view text) { parameters_.assign(text); }

  // The text-line markers: the line whose message was started last, and the
  // line of the message being shown.
  std::int32_t lastTextLine() const { return lastTextLine_; }
  void setLastTextLine(std::int32_t line) { lastTextLine_ = line; }
  std::int32_t currentTextLine() const { return currentTextLine_; }
  void setCurrentTextLine(std::int32_t line) { currentTextLine_ = line; }

  // Where a fast-forward to a restored page stops: the first message line
  // of that script at or after that line.
  struct StopPosition {
    std::uint64_t scriptHash = 0;
    std::int32_t line = 0;
  };
  std::optional<StopPosition>& stopPosition() { return stop_; }

  // Forgets every subroutine and loop being run (a restored game goes on
  // at the outermost level).
  void leaveSubroutines();

  // Back to the state before start-up (teardown): slots, stacks, flags.
  void clear();

 private:
  ScriptTables& tables_;
  std::array<ScriptSlot, kSlotCount> slots_;
  std::size_t currentSlot_ = 0;
  std::int32_t line_ = 0;
  std::int32_t statement_ = 0;
  std::int32_t tokenCount_ = 0;
  bool jump_ = false;
  bool loopSkip_ = false;
  SlotSwitch pending_ = SlotSwitch::kNone;
  std::uint32_t deferredLabel_ = 0;
  int endFlag_ = 0;
  CommandName commandName_;
  std::vector<CallFrame> calls_;
  std::int32_t loopCount_ = 0;
  std::vector<LoopRecord> loops_;
  // Indexed by call depth; grows with the depth, so that a chain at any
  // depth keeps a state of its own.
  std::vector<Conditional> conditionals_;
  std::string subroutineName_;
  std::string parameters_;
  std::int32_t lastTextLine_ = -1;
  std::int32_t currentTextLine_ = -1;
  std::optional<StopPosition> stop_;
};

}  // namespace tsuzuri::script

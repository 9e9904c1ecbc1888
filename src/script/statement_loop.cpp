#include "script/statement_loop.h"

#include <string>

#include "script/script_parser.h"
#include "util/crc.h"
#include "util/sjis.h"

namespace tsuzuri::script {

namespace {

const std::uint32_t kForHash = util::crc32_hash("for");
const std::uint32_t kNextHash = util::crc32_hash("next");

// "【" and "】" in Shift_JIS.
constexpr unsigned char kNameOpen[2] = {0x81, 0x79};
constexpr unsigned char kNameClose[2] = {0x81, 0x7A};

bool startsWith(std::string_view text, const unsigned char (&pair)[2]) {
  return text.size() >= 2 && static_cast<unsigned char>(text[0]) == pair[0] &&
         static_cast<unsigned char>(text[1]) == pair[1];
}

std::int32_t firstTokenLength(const ParsedScript& lines, std::int64_t index) {
  if (index < 0 || index >= static_cast<std::int64_t>(lines.size())) return 0;
  const ScriptLine& line = lines[static_cast<std::size_t>(index)];
  return line.empty() ? 0 : static_cast<std::int32_t>(line[0].size());
}

}  // namespace

bool StatementLoop::interrupted() {
  if (!interrupt_) return false;
  // The check reads the clock; every statement would be wasteful.
  if (++sinceCheck_ < 64) return false;
  sinceCheck_ = 0;
  if (!interrupt_()) return false;
  interpreter_.setEnded();
  return true;
}

void StatementLoop::run() {
  skipNesting_ = 0;
  while (!interpreter_.ended()) {
    const ParsedScript* lines = &interpreter_.current().lines;
    std::int32_t line = interpreter_.line();
    if (line >= static_cast<std::int32_t>(lines->size())) break;
    if (line < 0 || (*lines)[static_cast<std::size_t>(line)].empty() ||
        (*lines)[static_cast<std::size_t>(line)][0].empty()) {
      interpreter_.setLine(line + 1);
      continue;
    }
    if (interpreter_.jumpFlag()) {
      interpreter_.setJumpFlag(false);
    } else {
      interpreter_.setStatement(0);
    }
    const auto tokenCount =
        static_cast<std::int32_t>((*lines)[static_cast<std::size_t>(line)].size());
    interpreter_.setTokenCount(tokenCount);

    while (interpreter_.statement() < tokenCount) {
      // A switch applied after the previous statement may have replaced
      // the lines; nothing of the old slot is used after it.
      lines = &interpreter_.current().lines;
      line = interpreter_.line();
      if (line < 0 || line >= static_cast<std::int32_t>(lines->size())) break;
      const ScriptLine& tokens = (*lines)[static_cast<std::size_t>(line)];
      const auto index = static_cast<std::size_t>(interpreter_.statement());
      if (index >= tokens.size()) break;
      const std::string& token = tokens[index];
      const unsigned char first = token.empty() ? 0 : static_cast<unsigned char>(token[0]);

      bool applyAfter = true;
      if (isLetter(first)) {
        // The argument text is copied: a command may replace the slot's
        // lines while it runs.
        arguments_.assign(index + 1 < tokens.size() ? tokens[index + 1] : std::string());
        name_.assign(token);
        if (interpreter_.loopSkip()) {
          applyAfter = false;
          const std::uint32_t hash = util::crc32_hash2(name_);
          if (hash == kForHash) {
            ++skipNesting_;
          } else if (hash == kNextHash && --skipNesting_ < 0) {
            skipNesting_ = 0;
            if (const NativeHandler* next = commands_.find(kNextHash)) (*next)({});
          }
        } else if (dispatch(name_, arguments_) == Step::kEnd) {
          return;
        }
      } else if (first == 0 || first == '*' || interpreter_.loopSkip()) {
        applyAfter = false;
      } else {
        arguments_.assign(token);
        Step step = textLine(arguments_);
        if (step == Step::kEnd) return;
        applyAfter = step == Step::kContinue;
      }

      if (applyAfter) {
        afterStatement();
        if (interpreter_.jumpFlag()) break;
      }
      interpreter_.setStatement(interpreter_.statement() + 2);
      if (interrupted()) return;
    }
    interpreter_.setLine(interpreter_.line() + 1);
  }
}

StatementLoop::Step StatementLoop::dispatch(const std::string& name, const std::string& arguments) {
  const std::uint32_t hash = util::crc32_hash2(name);
  if (const NativeHandler* handler = commands_.find(hash)) {
    (*handler)(arguments);
    return interpreter_.ended() ? Step::kEnd : Step::kContinue;
  }
  if (tables_.userCommands.contains(hash)) {
    auto label = tables_.labels.find(hash);
    if (label == tables_.labels.end()) {
      interpreter_.commandName().set(name);
      errors_.reportWithContext(name + util::toSjis(u8"ラベルが存在しません"));
      return Step::kContinue;
    }
    if (arguments.size() > Interpreter::kParameterCapacity) {
      // The engine's parameter buffer holds 255 bytes; the whole text is
      // still passed on, but the creator learns that the game goes past
      // what the format allows.
      interpreter_.commandName().set(name);
      errors_.reportWithContext(util::toSjis(u8"引数が長すぎます(255バイトまで)"));
    }
    interpreter_.setParameters(arguments);
    interpreter_.setSubroutineName(label->second.name);
    interpreter_.callLabel(hash);
    return Step::kContinue;
  }
  auto foreign = tables_.foreignFunctions.find(hash);
  if (foreign != tables_.foreignFunctions.end() && foreign->second.caller) {
    // Copied: the call may declare further functions, which can move the
    // table's entries.
    auto caller = foreign->second.caller;
    caller(arguments);
    // Only a native command ends the loop at once; an end set by a foreign
    // host is seen after the next native command or at the next line.
    return Step::kContinue;
  }
  interpreter_.commandName().set(name);
  errors_.reportWithContext(util::toSjis(u8"未対応の命令です"));
  return Step::kContinue;
}

void StatementLoop::afterStatement() {
  interpreter_.applyPendingSwitch(container_);
  while (std::uint32_t label = interpreter_.deferredLabel()) {
    interpreter_.setDeferredLabel(0);
    interpreter_.callLabel(label);
    interpreter_.applyPendingSwitch(container_);
  }
}

void StatementLoop::checkAlreadyRead(std::int32_t line) {
  auto table = tables_.alreadyRead.find(interpreter_.current().hash);
  AlreadyReadTable::iterator record;
  if (table == tables_.alreadyRead.end() ||
      (record = table->second.find(line)) == table->second.end()) {
    const std::size_t count = table == tables_.alreadyRead.end() ? 0 : table->second.size();
    errors_.reportPlain(util::toSjis(u8"既読チェックミス ") + std::to_string(line) + "/" +
                        std::to_string(count));
    return;
  }
  if (auto& stop = interpreter_.stopPosition()) {
    // Fast-forwarding to a restored page: nothing is marked read on the way.
    if (stop->scriptHash == interpreter_.slot(2).hash && stop->line <= interpreter_.line()) {
      stop.reset();
      display_.reachRestoredPage(record->second != 0);
    }
    return;
  }
  // The display starts or ends skip mode by the record; a line read for the
  // first time is marked as read.
  display_.setAlreadyRead(record->second != 0);
  if (record->second == 0) record->second = 1;
}

StatementLoop::Step StatementLoop::textLine(const std::string& token) {
  const std::int32_t i = interpreter_.line();
  if (interpreter_.lastTextLine() != i && !display_.inProgress()) {
    interpreter_.setLastTextLine(i);
    interpreter_.setCurrentTextLine(i);
    if (startsWith(token, kNameOpen)) {
      std::size_t close = std::string::npos;
      for (std::size_t j = 2; j + 1 < token.size();) {
        if (startsWith(std::string_view(token).substr(j), kNameClose)) {
          close = j;
          break;
        }
        j += isLeadByte(static_cast<unsigned char>(token[j])) ? 2U : 1U;
      }
      if (close != std::string::npos) {
        display_.setSpeaker(std::string_view(token).substr(2, close - 2));
      }
      if (close != std::string::npos && close + 2 < token.size()) {
        display_.setStartOffset(close + 2);
      } else {
        // The name stands alone; the message is on the next line.
        interpreter_.setLine(i + 1);
        display_.setStartOffset(0);
        interpreter_.setLastTextLine(i + 1);
      }
    }
    checkAlreadyRead(i);
    display_.noteMessageSource(interpreter_.slot(2).hash, interpreter_.line());
    if (const std::uint32_t label = display_.preMessageLabel()) {
      // The line is entered again when the subroutine returns, and then
      // goes straight to the display.
      interpreter_.setLine(interpreter_.line() - 1);
      interpreter_.callLabel(label);
      return Step::kContinue;
    }
  }

  const ParsedScript& lines = interpreter_.current().lines;
  const std::int32_t at = interpreter_.line();
  std::string_view text;
  if (at >= 0 && at < static_cast<std::int32_t>(lines.size()) &&
      !lines[static_cast<std::size_t>(at)].empty()) {
    text = lines[static_cast<std::size_t>(at)][0];
  }
  if (!display_.show(text, firstTokenLength(lines, std::int64_t{at} + 1),
                     firstTokenLength(lines, std::int64_t{at} + 2))) {
    return Step::kEnd;
  }
  if (const std::uint32_t label = display_.postMessageLabel(); label != 0 && display_.waiting()) {
    // A display that stopped inside the line takes it up again where it
    // stopped once the subroutine returns.
    if (display_.startOffset() != 0) interpreter_.setLine(interpreter_.line() - 1);
    interpreter_.callLabel(label);
    return Step::kContinue;
  }
  return Step::kNextStatement;
}

}  // namespace tsuzuri::script

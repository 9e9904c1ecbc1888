#include "persist/save_state.h"

#include <algorithm>

#include "persist/backlog_state.h"
#include "scene/sprite_table.h"
#include "text/message_modes.h"
#include "util/crc.h"
#include "util/display_name.h"
#include "util/sjis.h"

namespace tsuzuri::persist {

namespace {

// The variables a saved game keeps.
constexpr std::string_view kSavedPrefix = "g_";
// A message speed or auto wait that follows the player's setting.
constexpr std::int32_t kFollowsDefault = 65536;
// A message colour left at the player's setting.
constexpr std::uint32_t kDefaultColour = 0x1000000;
// The channels whose endless sounds a saved game restarts.
constexpr std::int32_t kFirstSavedChannel = 1;
constexpr std::int32_t kLastSavedChannel = 9;
constexpr std::int32_t kRestoreFadeIn = 1000;

std::string_view resumeKey(bool file2) {
  return file2 ? "File2" : "File";
}

}  // namespace

std::vector<std::string_view> splitRecords(std::string_view text) {
  std::vector<std::string_view> records;
  std::size_t start = 0;
  std::size_t line = 0;
  while (line < text.size()) {
    std::size_t end = text.find('\n', line);
    if (end == std::string_view::npos) end = text.size();
    if (trimmed(text.substr(line, end - line)) == "`") {
      records.push_back(text.substr(start, line - start));
      start = std::min(end + 1, text.size());
    }
    line = end + 1;
  }
  records.push_back(text.substr(start));
  return records;
}

std::string SaveState::commentOf(std::string_view text) {
  const std::vector<std::string_view> records = splitRecords(text);
  return std::string(RecordLines(records.back()).value("Comment"));
}

// --- Building ---

void SaveState::make() {
  s_.scene.scene.sprites().commitAll();
  current_ = build();
}

std::string SaveState::build() {
  std::string out;
  writeSceneLines(s_.scene, out);
  appendSoundLines(out);
  writeBacklogLines(s_.messages.backlog(), out);
  appendMessageLines(out);
  out += "Integer=";
  appendIntegerItems(out, s_.expression.variables(), kSavedPrefix);
  out += "\nString=";
  appendTextItems(out, s_.expression.variables(), kSavedPrefix);
  out += "\n";
  appendResumeLine(out);
  return out;
}

void SaveState::appendSoundLines(std::string& out) {
  for (std::int32_t channel = kFirstSavedChannel; channel <= kLastSavedChannel; ++channel) {
    const sound::SoundSystem::ChannelState c = s_.sound.state(channel);
    if (c.pending && !c.pending->file.empty()) {
      appendFormat(out, "Sound%d=%s,%d,%d,%d,%d\n", channel, c.pending->file.c_str(),
                   c.pending->loops, c.pending->volume, c.pending->pan,
                   static_cast<std::int32_t>(c.pending->start));
    } else if (c.loopsRemaining != 0 && !c.file.empty()) {
      appendFormat(out, "Sound%d=%s,%d,%d,%d,%ld\n", channel, c.file.c_str(), c.loopsRemaining + 1,
                   c.volume, c.pan, static_cast<long>(c.position));
    }
  }
}

void SaveState::appendMessageLines(std::string& out) const {
  const text::MessageWindow& w = s_.messages;
  const text::MessageMetrics& m = w.metrics();
  const text::Backlog& backlog = s_.messages.backlog();
  const auto orDefault = [](std::int32_t value, std::int32_t fallback) {
    return value == fallback ? kFollowsDefault : value;
  };
  appendFormat(out, "Massage=%d,%d,%d,%d,%d,%d,%d,%d,%d\n", orDefault(w.speed(), w.defaultSpeed()),
               orDefault(w.autoWait(), w.defaultAutoWait()), m.lineEnd, m.blankLineEnd,
               m.bracketIndent ? 1 : 0, m.continuationIndent ? 1 : 0, backlog.currentIndex(),
               backlog.count(), stacked());

  const text::FontCommands::Choices font = s_.fonts.choices();
  const auto colour = [](const std::optional<std::int32_t>& c) {
    return c ? static_cast<std::uint32_t>(*c) : kDefaultColour;
  };
  const text::SpriteFont& sprite = s_.scene.textSprites.font();
  appendFormat(out, "Font=%s,%X,%X,%X,%X,%s,%X,%lX,%lX,%lX,%d\n", font.name.value_or("").c_str(),
               kDefaultColour, colour(font.colour1), colour(font.colour2), colour(font.colour3),
               sprite.name.c_str(), static_cast<std::uint32_t>(sprite.style),
               static_cast<unsigned long>(static_cast<std::uint32_t>(sprite.colour1)),
               static_cast<unsigned long>(static_cast<std::uint32_t>(sprite.colour2)),
               static_cast<unsigned long>(static_cast<std::uint32_t>(sprite.colour3)), sprite.size);

  const text::BacklogLayout& log = s_.scene.textSprites.backlogLayout();
  appendFormat(out, "Window=%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d\n", w.text().originX(),
               w.text().originY(), windowReserved_, m.size, m.lineHeight, m.letterSpacing,
               m.lineGap, m.charsPerLine, m.lines, log.size, log.lineHeight, log.letterSpacing,
               log.lineGap, log.charsPerLine, log.lines);
}

void SaveState::appendResumeLine(std::string& out) const {
  const script::Interpreter& in = s_.interpreter;
  if (const auto& restoring = s_.messages.backlog().restoring()) {
    appendFormat(out, "File=%s,%d\n", util::hashDisplayName(restoring->scriptHash).c_str(),
                 restoring->line - 1);
  } else if (!in.callStack().empty()) {
    const script::CallFrame& outermost = in.callStack().front();
    std::int32_t line = outermost.resumeLine - 1;
    // Saved at a wait inside a page: the page is laid out again from the
    // message that began it. (Its return position may be a later line of
    // the page, which alone would show half a page and find no message
    // starting there.)
    const text::MessageWindow::PageStart& page = s_.messages.pageStart();
    if (!s_.messages.backlog().current().text.empty() && page.scriptHash == outermost.scriptHash &&
        page.line >= 0) {
      line = std::min(line, page.line - 1);
    }
    appendFormat(out, "File=%s,%d\n", util::hashDisplayName(outermost.scriptHash).c_str(), line);
  } else {
    // No script is named "0": the loader keeps its script and takes the line.
    appendFormat(out, "File=0,%d\n", in.line() + 1);
  }
}

void SaveState::push(bool append, std::string_view label) {
  std::string record = build();
  if (!label.empty() && label.front() == '*') label.remove_prefix(1);
  if (!label.empty()) {
    const auto& labels = s_.interpreter.tables().labels;
    const auto found = labels.find(util::crc32_hash2(label));
    if (found == labels.end()) {
      s_.errors.reportPlain(std::string(label) + util::toSjis(u8" ラベルが存在しません"));
    } else {
      appendFormat(record, "File2=%s,%d\n", util::hashDisplayName(found->second.scriptHash).c_str(),
                   found->second.line - 1);
    }
  }
  record.append("Comment=").append(comment_).append("\n");
  std::vector<std::string> stack = std::move(stack_);
  if (!append) stack.clear();
  stack.push_back(std::move(record));
  setStack(std::move(stack));
  current_.clear();
}

std::string SaveState::slotText() const {
  std::string out;
  for (const std::string& record : stack_) out.append(record).append("`\n");
  out.append(current_).append("Comment=").append(comment_).append("\n");
  return out;
}

void SaveState::setStack(std::vector<std::string> records) {
  stack_ = std::move(records);
  s_.messages.backlog().setSnapshotNumber(stacked());
}

// --- Restoring ---

bool SaveState::restoreSlot(std::string_view text, std::string_view name) {
  const std::vector<std::string_view> records = splitRecords(text);
  const RecordLines last(records.back());
  // A file of snapshots whose current record is empty (saved without
  // makeSave) is restored as it stands: the game pops a snapshot next. A
  // single record that says nowhere to go on is no save at all.
  if (records.size() == 1 && !last.has("File") && !last.has("File2")) {
    s_.errors.reportPlain(std::string(name) + util::toSjis(u8" は不正なファイルです"));
    return false;
  }
  const std::string record(records.back());
  setStack({records.begin(), records.end() - 1});
  restore(record, false);
  return true;
}

void SaveState::pop(std::int32_t back) {
  if (stack_.empty()) return;
  text::Backlog& backlog = s_.messages.backlog();
  if (back < 0) {
    const bool onlyRecord = stack_.size() == 1;
    std::string record = std::move(stack_.back());
    stack_.pop_back();
    setStack(std::move(stack_));
    restore(record, onlyRecord);
    backlog.stepBack();
    return;
  }
  const text::BacklogEntry& entry = backlog.entry(back);
  const text::Backlog::Position page{entry.scriptHash, entry.line, entry.saveNumber};
  if (page.saveNumber < 0 || page.saveNumber >= static_cast<std::int32_t>(stack_.size())) return;
  std::string record = stack_[static_cast<std::size_t>(page.saveNumber)];
  stack_.resize(static_cast<std::size_t>(page.saveNumber));
  setStack(std::move(stack_));
  restore(record, false);
  backlog.beginRestore(page);
  s_.interpreter.stopPosition() = script::Interpreter::StopPosition{page.scriptHash, page.line};
  s_.scene.scene.sprites().setJumpMode(text::kJumpToSave);
}

void SaveState::clearForRestore() {
  current_.clear();
  s_.fonts.restore({});
  clearScene(s_.scene);
  // Buttons on sprites that went with the old scene go too; the page on
  // screen belongs to the old game.
  scene::Scene& scene = s_.scene.scene;
  for (std::int32_t slot = 0; slot < scene::kSlotCount; ++slot) {
    if (!scene.sprites().occupied(slot)) scene.buttons().erase(slot);
  }
  s_.messages.clearPage(false);
  s_.messages.forgetStop();
  s_.interpreter.setLastTextLine(-1);
  s_.interpreter.setCurrentTextLine(-1);
  // A fast-forward to a page of the old game ends with it.
  s_.interpreter.stopPosition().reset();
  s_.messages.backlog().endRestore();
  s_.scene.scene.sprites().setJumpMode(0);
  script::Variables& variables = s_.expression.variables();
  std::vector<std::string> names;
  for (const auto& [name, value] : variables.namedIntegers()) {
    if (name.starts_with(kSavedPrefix)) names.push_back(name);
  }
  for (const std::string& name : names) variables.eraseInteger(name);
  names.clear();
  for (const auto& [name, value] : variables.namedTexts()) {
    if (name.starts_with(kSavedPrefix)) names.push_back(name);
  }
  for (const std::string& name : names) variables.eraseText(name);
  for (std::int32_t channel = 0; channel < sound::kChannelCount; ++channel) {
    s_.sound.stop(channel, 0, 0);
  }
}

void SaveState::restore(std::string_view record, bool preferFile2) {
  clearForRestore();
  const RecordLines lines(record);
  restoreScene(s_.scene, lines);
  restoreBacklogLines(s_.messages.backlog(), lines);
  restoreMessageLines(lines);
  recreateIntegers(s_.expression, lines.value("Integer"));
  recreateTexts(s_.expression, lines.value("String"));
  restoreResume(lines, preferFile2);
  if (lines.has("Comment")) comment_.assign(lines.value("Comment"));
  restoreSounds(lines);
  static const std::uint32_t kLoadLabel = util::crc32_hash("load_lb");
  if (s_.interpreter.tables().labels.contains(kLoadLabel)) {
    s_.interpreter.setDeferredLabel(kLoadLabel);
  }
}

void SaveState::restoreMessageLines(const RecordLines& lines) {
  text::MessageWindow& w = s_.messages;
  if (lines.has("Massage")) {
    const Fields f = lines.fields("Massage");
    const auto orDefault = [](std::int32_t value) { return value == kFollowsDefault ? -1 : value; };
    w.setSpeed(orDefault(f.decimal(0, kFollowsDefault)), -1);
    w.setAutoWait(orDefault(f.decimal(1, kFollowsDefault)), -1);
    text::MessageMetrics& m = w.layout();
    m.lineEnd = f.decimal(2, m.lineEnd);
    m.blankLineEnd = f.decimal(3, m.blankLineEnd);
    m.bracketIndent = f.decimal(4, m.bracketIndent ? 1 : 0) != 0;
    m.continuationIndent = f.decimal(5, m.continuationIndent ? 1 : 0) != 0;
    w.backlog().restoreIndices(f.decimal(6, 0), f.decimal(7, 1));
  }
  if (lines.has("Font")) {
    const Fields f = lines.fields("Font");
    const auto colour = [&f](std::size_t i) -> std::optional<std::int32_t> {
      const std::uint32_t c = f.hex(i, kDefaultColour);
      if (c == kDefaultColour) return std::nullopt;
      return static_cast<std::int32_t>(c & 0xFFFFFF);
    };
    text::FontCommands::Choices choices;
    if (!f.text(0).empty()) choices.name = std::string(f.text(0));
    choices.colour1 = colour(2);
    choices.colour2 = colour(3);
    choices.colour3 = colour(4);
    s_.fonts.restore(choices);
    if (f.has(5)) {
      text::SpriteFont sprite;
      sprite.name = std::string(f.text(5));
      sprite.style = static_cast<std::int32_t>(f.hex(6));
      sprite.colour1 = static_cast<std::int32_t>(f.hex(7, 0xFFFFFF));
      sprite.colour2 = static_cast<std::int32_t>(f.hex(8, 0xFFFFFF));
      sprite.colour3 = static_cast<std::int32_t>(f.hex(9));
      sprite.size = f.decimal(10);
      s_.scene.textSprites.setFont(sprite);
    }
  }
  if (lines.has("Window")) {
    const Fields f = lines.fields("Window");
    w.setOrigin(f.decimal(0), f.decimal(1));
    windowReserved_ = f.decimal(2);
    text::MessageMetrics m = w.metrics();
    m.size = f.decimal(3, m.size);
    m.lineHeight = f.decimal(4, m.lineHeight);
    m.letterSpacing = f.decimal(5, m.letterSpacing);
    m.lineGap = f.decimal(6, m.lineGap);
    m.charsPerLine = f.decimal(7, m.charsPerLine);
    m.lines = f.decimal(8, m.lines);
    w.setMetrics(m);
    text::BacklogLayout log;
    log.size = f.decimal(9);
    log.lineHeight = f.decimal(10);
    log.letterSpacing = f.decimal(11);
    log.lineGap = f.decimal(12);
    log.charsPerLine = f.decimal(13);
    log.lines = f.decimal(14);
    s_.scene.textSprites.setBacklogLayout(log);
  }
}

void SaveState::restoreResume(const RecordLines& lines, bool preferFile2) {
  std::string_view key = resumeKey(preferFile2);
  if (!lines.has(key)) key = resumeKey(!preferFile2);
  if (!lines.has(key)) return;
  const Fields f = lines.fields(key);
  const std::string_view name = f.text(0);
  script::Interpreter& in = s_.interpreter;
  in.leaveSubroutines();
  const std::uint64_t hash = util::hashFromDisplayName(name);
  if (in.tables().scriptNames.contains(hash)) in.switchToScript(hash);
  // Execution goes on at the line after the one given, from its start; a
  // subroutine called first (*load_lb) returns there too.
  in.setLine(f.decimal(1));
  in.setStatement(0);
  in.setTokenCount(0);
  in.setJumpFlag(true);
}

void SaveState::restoreSounds(const RecordLines& lines) {
  const bool resumeAtPosition = s_.settings.sound.hardwareSound == 1;
  for (std::int32_t channel = kFirstSavedChannel; channel <= kLastSavedChannel; ++channel) {
    const std::string key = "Sound" + std::to_string(channel);
    if (!lines.has(key)) continue;
    const Fields f = lines.fields(key);
    if (f.text(0).empty()) continue;
    const std::int64_t start =
        resumeAtPosition ? static_cast<std::int64_t>(f.real(4)) : std::int64_t{0};
    static_cast<void>(s_.sound.playFile(channel, f.text(0), kRestoreFadeIn, 0, f.decimal(2, 100),
                                        f.decimal(3), f.decimal(1), start));
  }
}

}  // namespace tsuzuri::persist

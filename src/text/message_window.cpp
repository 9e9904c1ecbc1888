#include "text/message_window.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "text/image_log.h"
#include "util/crc.h"
#include "util/sjis.h"

namespace tsuzuri::text {

namespace {

constexpr std::uint32_t kOpaque = 0xFFFFFFFF;
constexpr std::uint32_t kClear = 0x00FFFFFF;

}  // namespace

MessageWindow::MessageWindow(MessageWindowServices services)
    : s_(std::move(services)),
      text_(s_.errors),
      ruby_(s_.errors),
      modes_(s_.scene.sprites(), s_.scene.composer(), s_.settings, s_.interpreter, s_.tables) {
  takeSettings();
  ruby_.setPointWait(0);
  s_.scene.composer().setMessageTextDrawer([this](float dx, float dy) { draw(dx, dy); });
  s_.scene.addReleaseHook([this] {
    text_.release();
    ruby_.release();
  });
}

MessageWindow::~MessageWindow() {
  s_.scene.composer().setMessageTextDrawer(nullptr);
}

double MessageWindow::rate() const {
  return s_.scene.sprites().screen().resolutionFactor;
}

void MessageWindow::takeSettings() {
  speed_ = s_.settings.textSpeed;
  autoWait_ = s_.settings.autoWait;
}

void MessageWindow::setSpeed(std::int32_t speed, std::int32_t fallback) {
  if (fallback >= 0) s_.settings.textSpeed = fallback;
  speed_ = speed >= 0 ? speed : s_.settings.textSpeed;
}

void MessageWindow::setAutoWait(std::int32_t wait, std::int32_t fallback) {
  if (fallback >= 0) s_.settings.autoWait = fallback;
  autoWait_ = wait >= 0 ? wait : s_.settings.autoWait;
}

// --- The main loop's side ---

bool MessageWindow::show(std::string_view line, std::int32_t nextLength,
                         std::int32_t afterNextLength) {
  const bool resuming = stopped_.data == line.data() && stopped_.size == line.size();
  if (!resuming) {
    page_.resume = std::min(offset_, line.size());
    if (transcript_) {
      std::string_view shown = line.substr(page_.resume);
      if (!shown.empty() && shown.back() == '\r') shown.remove_suffix(1);
      transcript_(speaker_, shown);
    }
    speaker_.clear();
  }
  offset_ = 0;
  stopped_ = {};
  followDevice();
  text_.setPointWait(s_.settings.pointWait);
  LayoutTiming timing;
  timing.speed = speed_;
  timing.autoChar = s_.settings.autoChar;
  timing.autoWait = autoWait_;
  timing.jumping = modes_.jumping();
  timing.stopAtWaits = postLabel_ != 0;
  const LayoutResult result =
      layoutMessage(metrics_, page_, *this, line, nextLength, afterNextLength, timing);
  waiting_ = result == LayoutResult::kStopped;
  if (waiting_ && page_.resume != 0) stopped_ = {line.data(), line.size()};
  return result != LayoutResult::kEndRun && !s_.interpreter.ended();
}

void MessageWindow::setSpeaker(std::string_view name) {
  backlog_.setTag(name);
  speaker_.assign(backlog_.current().tag);
}

void MessageWindow::noteMessageSource(std::uint64_t scriptHash, std::int32_t line) {
  backlog_.noteSource(scriptHash, line);
  if (std::exchange(restoreEndsAtNote_, false)) backlog_.endRestore();
  pageStart_ = {s_.interpreter.current().hash, s_.interpreter.currentTextLine()};
}

bool MessageWindow::setLabel(std::string_view label, std::uint32_t& hook) {
  // A label is named as *name; an empty name takes the subroutine away.
  if (!label.empty() && label.front() == '*') label.remove_prefix(1);
  if (label.empty()) {
    hook = 0;
    return true;
  }
  const std::uint32_t hash = util::crc32_hash2(label);
  if (!s_.tables.labels.contains(hash)) return false;
  hook = hash;
  return true;
}

// --- Layout ---

bool MessageWindow::put(TextObject& object, std::int32_t x, std::int32_t y, std::uint16_t code,
                        std::u8string_view what) {
  if (object.length() >= object.capacity()) {
    // Without setMessCreate there is nowhere to show the text: the
    // transcript and the backlog still take it.
    if (created_ && !overflowReported_) {
      report(util::toSjis(what) + util::toSjis(u8"の文字数が setMessCreate の最大数を超えました(") +
                 std::to_string(object.capacity()) + ")",
             {});
    }
    overflowReported_ = true;
    return false;
  }
  const auto lead = static_cast<std::uint8_t>(code > 0xFF ? code >> 8 : code);
  const auto trail = static_cast<std::uint8_t>(code > 0xFF ? code & 0xFF : 0);
  return object.setChar(x, y, lead, trail);
}

void MessageWindow::placeChar(std::int32_t x, std::int32_t y, std::uint16_t code) {
  put(text_, x, y, code, u8"メッセージ");
}

void MessageWindow::placeRuby(std::int32_t x, std::int32_t y, std::uint16_t code,
                              std::int32_t shownWith) {
  if (put(ruby_, x, y, code, u8"ルビ")) rubyMap_.push_back(shownWith);
}

LayoutTarget::Inline MessageWindow::runInline(std::string_view name, std::string_view arguments) {
  const script::NativeHandler* handler = s_.commands.find(util::crc32_hash2(name));
  if (handler == nullptr) return Inline::kUnknown;
  (*handler)(arguments);
  return s_.interpreter.ended() ? Inline::kEndRun : Inline::kRan;
}

void MessageWindow::report(std::string_view message, std::string_view commandName) {
  if (!commandName.empty()) s_.interpreter.commandName().set(commandName);
  s_.errors.reportWithContext(message);
}

// --- The text objects ---

void MessageWindow::create(std::int32_t maxChars, std::int32_t maxRubyChars) {
  const MessageFont font = font_ ? font_() : MessageFont{};
  const auto size = static_cast<std::int32_t>(std::lround(metrics_.size * rate()));
  render::GpuDevice* device = s_.renderer.device();
  text_.create(device, font.name, size, font.style, maxChars, s_.gameFolder);
  ruby_.create(device, font.name, size / 2, font.style, maxRubyChars, s_.gameFolder);
  for (TextObject* o : {&text_, &ruby_}) {
    o->setColours(font.colour1, font.colour2, font.colour3);
    o->setRate(rate());
  }
  created_ = true;
  emptyObjects();
}

void MessageWindow::applyFont() {
  if (!created_) return;
  const MessageFont font = font_ ? font_() : MessageFont{};
  const auto size = static_cast<std::int32_t>(std::lround(metrics_.size * rate()));
  text_.setFont(font.name, size, font.style, s_.gameFolder);
  ruby_.setFont(font.name, size / 2, font.style, s_.gameFolder);
  recolour();
}

void MessageWindow::refont() {
  applyFont();
}

void MessageWindow::recolour() {
  if (!created_) return;
  const MessageFont font = font_ ? font_() : MessageFont{};
  for (TextObject* o : {&text_, &ruby_}) o->setColours(font.colour1, font.colour2, font.colour3);
  redraw();
}

void MessageWindow::redraw() {
  text_.resetChars();
  ruby_.resetChars();
  // The pauses already passed are not waited for again.
  text_.dropScheduleBelow(revealed_);
}

void MessageWindow::setMetrics(const MessageMetrics& metrics) {
  metrics_ = metrics;
  applyFont();
}

void MessageWindow::setOrigin(std::int32_t x, std::int32_t y) {
  text_.setOrigin(x, y);
  ruby_.setOrigin(x, y);
}

void MessageWindow::setShift(std::int32_t dy) {
  text_.setShift(0, dy);
  ruby_.setShift(0, dy);
}

void MessageWindow::followDevice() {
  render::GpuDevice* device = s_.renderer.device();
  if (text_.device() == device) return;
  text_.setDevice(device);
  ruby_.setDevice(device);
  redraw();
}

void MessageWindow::draw(float dx, float dy) {
  if (!created_) return;
  followDevice();
  render::GpuDevice* device = s_.renderer.device();
  if (device == nullptr) return;
  const std::uint32_t now = s_.clock.now();
  const render::Size target = s_.renderer.presentation().renderSize;
  for (TextObject* o : {&text_, &ruby_}) {
    o->reposition(dx, dy);
    if (s_.settings.messageFade != 0) o->fade(o->visible(), now);
    o->draw(*device, target);
  }
}

std::array<std::int32_t, 2> MessageWindow::lastPosition() const {
  if (text_.chars().empty()) return {0, 0};
  const TextObject::Char& last = text_.chars().back();
  return {last.x + metrics_.size, last.y};
}

// --- The page ---

void MessageWindow::emptyObjects() {
  text_.clear();
  ruby_.clear();
  rubyMap_.clear();
  revealed_ = 0;
  revealStart_ = 0;
  overflowReported_ = false;
}

void MessageWindow::newLine() {
  backlog_.append(lineBreakMark(page_.indent));
  ++page_.line;
  ++page_.breaks;
  page_.column = page_.indent;
}

void MessageWindow::clearPage(bool commit) {
  if (commit) commitPage(backlog_, s_.scene);
  page_.line = 0;
  page_.column = 0;
  page_.indent = 0;
  page_.breaks = 0;
  page_.pageLines = 0;
  emptyObjects();
}

void MessageWindow::formatAll() {
  clearPage(false);
  backlog_.clearAll();
  // Where a stopped line goes on stays: the subroutine that waits at a
  // mark may format the window before the rest of the line is shown.
  page_.autoDeadline = 0;
}

void MessageWindow::clearAfterWait() {
  if (page_.lastAction == kPageWait) {
    clearPage(true);
  } else if ((metrics_.blankLineEnd & 4) != 0 && (page_.line > 0 || page_.column > 0)) {
    commitPage(backlog_, s_.scene);
    ++page_.line;
    page_.column = 0;
    page_.indent = 0;
    page_.breaks = 0;
  }
  page_.autoDeadline = 0;
}

// --- Revealing ---

std::int32_t MessageWindow::rubyShownWith(std::int32_t chars) const {
  return static_cast<std::int32_t>(std::lower_bound(rubyMap_.begin(), rubyMap_.end(), chars) -
                                   rubyMap_.begin());
}

void MessageWindow::show(std::int32_t chars, bool fade) {
  if (fade) {
    const std::uint32_t now = s_.clock.now();
    text_.fade(chars, now);
    ruby_.fade(rubyShownWith(chars), now);
  } else {
    text_.setVisible(chars);
    ruby_.setVisible(rubyShownWith(chars));
  }
  revealed_ = chars;
}

void MessageWindow::beginReveal() {
  revealTime_ = s_.clock.now();
  if (s_.settings.messageFade != 0) {
    text_.setAlpha(revealStart_, kClear);
    ruby_.setAlpha(rubyShownWith(revealStart_), kClear);
  }
  text_.setVisible(revealStart_);
  ruby_.setVisible(rubyShownWith(revealStart_));
  revealed_ = revealStart_;
}

bool MessageWindow::revealStep() {
  if (modes_.jumping()) return false;
  const std::int32_t total = text_.length();
  if (revealed_ >= total) return false;
  if (speed_ <= 0 || (modes_.alreadyRead() && s_.settings.alreadyReadMoment != 0)) {
    text_.setAlpha(revealed_, kOpaque);
    ruby_.setAlpha(rubyShownWith(revealed_), kOpaque);
    show(total, false);
    return false;
  }
  const std::uint32_t elapsed = s_.clock.now() - revealTime_;
  std::int32_t shown = static_cast<std::int32_t>(
      std::min<std::int64_t>(total, revealStart_ + std::int64_t{elapsed} / speed_));
  const std::vector<std::int32_t>& schedule = text_.schedule();
  if (s_.settings.pointWait > 0 && !schedule.empty() && schedule.front() < shown) {
    shown = schedule.front();
    text_.popSchedule();
    revealTime_ += static_cast<std::uint32_t>(speed_);
  }
  show(std::max(shown, revealed_), s_.settings.messageFade != 0);
  return !modes_.skipInEffect();
}

void MessageWindow::revealAll() {
  text_.setAlpha(revealed_, kOpaque);
  ruby_.setAlpha(rubyShownWith(revealed_), kOpaque);
  show(text_.length(), false);
  revealStart_ = page_.lastAction == kClickWait ? text_.length() : 0;
  text_.dropScheduleBelow(revealStart_);
}

}  // namespace tsuzuri::text

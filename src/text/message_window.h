#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "render/renderer.h"
#include "scene/scene.h"
#include "script/error_sink.h"
#include "script/interpreter.h"
#include "script/message_display.h"
#include "script/native_commands.h"
#include "script/script_tables.h"
#include "text/backlog.h"
#include "text/font_commands.h"
#include "text/message_layout.h"
#include "text/message_modes.h"
#include "text/message_settings.h"
#include "text/text_object.h"

namespace tsuzuri::text {

// What the message window needs of the rest of the engine.
struct MessageWindowServices {
  render::Renderer& renderer;
  scene::Scene& scene;
  MessageSettings& settings;
  script::ErrorSink& errors;
  platform::Clock& clock;
  script::Interpreter& interpreter;
  script::ScriptTables& tables;
  const script::NativeCommandTable& commands;
  std::string gameFolder;
};

// The story text: the main loop hands it every message line, which it lays
// out into the message and ruby text objects and the backlog; scripts then
// reveal it and wait (it never waits itself). The text is drawn by the
// composition between the sprites of draw keys ≥ 0 and the negative ones.
class MessageWindow final : public script::MessageDisplay, private LayoutTarget {
 public:
  explicit MessageWindow(MessageWindowServices services);
  ~MessageWindow() override;
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // The message font (face, style, colours).
  void setFontSource(std::function<MessageFont()> font) { font_ = std::move(font); }
  // Every message line shown, once, with the speaker who began its message.
  void setTranscript(std::function<void(std::string_view speaker, std::string_view text)> t) {
    transcript_ = std::move(t);
  }

  // The main loop's side.
  bool show(std::string_view line, std::int32_t nextLength, std::int32_t afterNextLength) override;
  bool inProgress() const override { return !backlog_.current().text.empty(); }
  void setSpeaker(std::string_view name) override;
  std::size_t startOffset() const override { return stopped_.data != nullptr ? page_.resume : 0; }
  void setStartOffset(std::size_t offset) override { offset_ = offset; }
  std::uint32_t preMessageLabel() const override { return preLabel_; }
  std::uint32_t postMessageLabel() const override { return postLabel_; }
  bool waiting() const override { return waiting_; }
  void noteMessageSource(std::uint64_t scriptHash, std::int32_t line) override;
  void setAlreadyRead(bool read) override { modes_.messageLine(read); }
  void reachRestoredPage(bool read) override {
    modes_.reachRestoredPage(read);
    restoreEndsAtNote_ = true;
  }
  // A loaded game: no line is half shown any more.
  void forgetStop() {
    stopped_ = {};
    offset_ = 0;
    page_.resume = 0;
    waiting_ = false;
  }

  // The text objects: made with the current font at the window's size.
  void create(std::int32_t maxChars, std::int32_t maxRubyChars);
  void setMetrics(const MessageMetrics& metrics);
  const MessageMetrics& metrics() const { return metrics_; }
  MessageMetrics& layout() { return metrics_; }
  void setOrigin(std::int32_t x, std::int32_t y);
  void setShift(std::int32_t dy);
  // The font or its colours changed: the text is drawn again.
  void refont();
  void recolour();
  // Draws every character again in place (resetMess).
  void redraw();

  MessagePage& page() { return page_; }
  const MessagePage& page() const { return page_; }
  // n: the next line, at the indent.
  void newLine();
  // Empties the page and the reveal; the backlog entry is committed
  // (clearMess) or every entry forgotten (formatMess).
  void clearPage(bool commit);
  void formatAll();
  // clearMess2: a new page after a page wait, a new line after a
  // paragraph, otherwise only the auto deadline goes.
  void clearAfterWait();

  // Revealing: formatMessDraw, setMessDraw (true while characters remain),
  // endMessDraw.
  void beginReveal();
  bool revealStep();
  void revealAll();

  // The current speed (ms per character) and auto wait, and the stored
  // defaults they return to; a fallback ≥ 0 replaces the default.
  std::int32_t speed() const { return speed_; }
  void setSpeed(std::int32_t speed, std::int32_t fallback);
  std::int32_t defaultSpeed() const { return s_.settings.textSpeed; }
  std::int32_t autoWait() const { return autoWait_; }
  void setAutoWait(std::int32_t wait, std::int32_t fallback);
  std::int32_t defaultAutoWait() const { return s_.settings.autoWait; }
  // The settings were read: their speed and auto wait become current.
  void takeSettings();

  // preMessGosub and sufMessGosub: false when there is no such label.
  bool setPreLabel(std::string_view label) { return setLabel(label, preLabel_); }
  bool setPostLabel(std::string_view label) { return setLabel(label, postLabel_); }

  // After the last character, in script pixels relative to the origin.
  std::array<std::int32_t, 2> lastPosition() const;

  Backlog& backlog() { return backlog_; }
  // Where the page being written began: the script that showed its first
  // message and that message's first line (its speaker's line).
  struct PageStart {
    std::uint64_t scriptHash = 0;
    std::int32_t line = -1;
  };
  const PageStart& pageStart() const { return pageStart_; }
  MessageModes& modes() { return modes_; }
  const TextObject& text() const { return text_; }
  const TextObject& ruby() const { return ruby_; }
  std::int32_t revealed() const { return revealed_; }
  // Whether characters are still fading in (frames must go on being drawn).
  bool fading() const { return s_.settings.messageFade != 0 && (text_.fading() || ruby_.fading()); }

 private:
  // LayoutTarget.
  void placeChar(std::int32_t x, std::int32_t y, std::uint16_t code) override;
  void placeRuby(std::int32_t x, std::int32_t y, std::uint16_t code,
                 std::int32_t shownWith) override;
  std::int32_t placedChars() const override { return text_.length(); }
  void appendLog(std::string_view text) override { backlog_.append(text); }
  bool logEndsWith(std::string_view text) const override {
    return backlog_.current().text.ends_with(text);
  }
  void setLogLines(std::int32_t lines) override { backlog_.current().lineCount = lines; }
  Inline runInline(std::string_view name, std::string_view arguments) override;
  std::uint32_t now() const override { return s_.clock.now(); }
  void report(std::string_view message, std::string_view commandName) override;

  // Sets a character on one of the objects; false (reported once a page)
  // when the object is full.
  bool put(TextObject& object, std::int32_t x, std::int32_t y, std::uint16_t code,
           std::u8string_view what);
  bool setLabel(std::string_view label, std::uint32_t& hook);
  // The text objects follow the renderer's device (a new one after a reset).
  void followDevice();
  void draw(float dx, float dy);
  double rate() const;
  void applyFont();
  // How many ruby characters show with `chars` message characters.
  std::int32_t rubyShownWith(std::int32_t chars) const;
  void show(std::int32_t chars, bool fade);
  void emptyObjects();

  MessageWindowServices s_;
  TextObject text_;
  TextObject ruby_;
  Backlog backlog_;
  MessageModes modes_;
  MessageMetrics metrics_;
  MessagePage page_;
  std::function<MessageFont()> font_;
  std::function<void(std::string_view, std::string_view)> transcript_;
  std::string speaker_;  // for the transcript, until the message's first line
  std::size_t offset_ = 0;
  PageStart pageStart_;
  // The restored page is reached: its entry is the last to record the
  // restored position.
  bool restoreEndsAtNote_ = false;
  // The line whose layout stopped at a wait, to be entered again.
  struct Stop {
    const char* data = nullptr;
    std::size_t size = 0;
  } stopped_;
  bool waiting_ = false;
  bool created_ = false;
  bool overflowReported_ = false;
  std::uint32_t preLabel_ = 0;
  std::uint32_t postLabel_ = 0;
  // For each ruby character, the message character it shows with.
  std::vector<std::int32_t> rubyMap_;
  // Revealing: characters shown, where the reveal starts, since when.
  std::int32_t revealed_ = 0;
  std::int32_t revealStart_ = 0;
  std::uint32_t revealTime_ = 0;
  std::int32_t speed_ = 20;
  std::int32_t autoWait_ = 500;
};

}  // namespace tsuzuri::text

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tsuzuri::text {

// The message window's layout (script pixels), as setMessWH, setMessIndent
// and setMessLine set it.
struct MessageMetrics {
  std::int32_t charsPerLine = 20;  // a line is full past column 2 × this
  std::int32_t lines = 4;
  std::int32_t size = 24;
  std::int32_t lineHeight = 24;
  std::int32_t letterSpacing = 0;
  std::int32_t lineGap = 8;
  bool bracketIndent = false;
  bool continuationIndent = false;
  std::int32_t lineEnd = 0;       // what ends a script line: 0 go on, 1 click, 2 page
  std::int32_t blankLineEnd = 0;  // the same before a blank line; bit 2: by blank lines

  std::int32_t pitch() const { return size + letterSpacing; }
  std::int32_t linePitch() const { return lineHeight + lineGap; }
};

// What the last wait mark or line end asked for.
inline constexpr std::int32_t kGoOn = 0;
inline constexpr std::int32_t kClickWait = 1;
inline constexpr std::int32_t kPageWait = 2;

// Where the next character of the page goes, and where the layout of a
// script line stopped.
struct MessagePage {
  std::int32_t column = 0;  // in bytes: a double-byte character takes two
  std::int32_t indent = 0;  // 0 or 2 columns
  std::int32_t line = 0;
  std::int32_t pageLines = 0;
  // 0 once a character is placed; raised by every line break.
  std::int32_t breaks = 0;
  // Where the layout goes on inside the script line (0: a new line).
  std::size_t resume = 0;
  std::int32_t lastAction = kGoOn;
  // When auto mode advances (system clock), 0 for not yet.
  std::uint32_t autoDeadline = 0;
};

// What the layout does to the world: characters into the text objects,
// text into the backlog, inline commands and reports.
class LayoutTarget {
 public:
  enum class Inline : std::uint8_t { kRan, kUnknown, kEndRun };

  virtual ~LayoutTarget() = default;
  // A message character (a byte, or lead × 256 + trail).
  virtual void placeChar(std::int32_t x, std::int32_t y, std::uint16_t code) = 0;
  // A ruby character, shown once message character `shownWith` is.
  virtual void placeRuby(std::int32_t x, std::int32_t y, std::uint16_t code,
                         std::int32_t shownWith) = 0;
  // How many message characters the page holds.
  virtual std::int32_t placedChars() const = 0;
  virtual void appendLog(std::string_view text) = 0;
  virtual bool logEndsWith(std::string_view text) const = 0;
  virtual void setLogLines(std::int32_t lines) = 0;
  virtual Inline runInline(std::string_view name, std::string_view arguments) = 0;
  // The clock at a wait (inline commands may have waited before it).
  virtual std::uint32_t now() const = 0;
  // A report under a command name (empty: the current one).
  virtual void report(std::string_view message, std::string_view commandName) = 0;
};

// The clock and modes one layout call runs with.
struct LayoutTiming {
  std::int32_t speed = 0;     // milliseconds per character
  std::int32_t autoChar = 0;  // auto mode's time per character
  std::int32_t autoWait = 0;  // and per wait
  bool jumping = false;       // nothing is placed
  bool stopAtWaits = false;   // a subroutine does the waiting (sufMessGosub)
};

enum class LayoutResult : std::uint8_t {
  kDone,     // the line is laid out
  kStopped,  // at a wait, for the subroutine; the line goes on at page.resume
  kEndRun,   // an inline command ended the run
};

// Lays a script line out from page.resume: line breaking with the
// line-start rule and the indents, ruby groups, inline [commands], the
// @ and \ waits and the line-end action. `next` and `afterNext` are the
// lengths of the following script lines' first tokens (0: blank).
LayoutResult layoutMessage(const MessageMetrics& metrics, MessagePage& page, LayoutTarget& target,
                           std::string_view line, std::int32_t next, std::int32_t afterNext,
                           const LayoutTiming& timing);

// The backlog's line-break mark for a line that starts at `indent`.
std::string_view lineBreakMark(std::int32_t indent);

}  // namespace tsuzuri::text

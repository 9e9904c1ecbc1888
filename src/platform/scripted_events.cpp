#include "platform/scripted_events.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "platform/files.h"
#include "util/sjis.h"

namespace tsuzuri::platform {

namespace {

// Window messages carry positions and wheel deltas in 16 signed bits.
constexpr std::int32_t kSmallestCoordinate = -32768;
constexpr std::int32_t kLargestCoordinate = 32767;
constexpr std::int32_t kWheelDelta = 120;
constexpr std::int32_t kMostNotches = kLargestCoordinate / kWheelDelta;

struct KeyName {
  std::string_view name;  // lower case
  std::uint32_t code;
};

constexpr KeyName kKeyNames[] = {
    {"backspace", 0x08},  {"tab", kKeyTab},         {"return", kKeyReturn},
    {"shift", kKeyShift}, {"control", kKeyControl}, {"escape", kKeyEscape},
    {"space", 0x20},      {"pageup", 0x21},         {"pagedown", 0x22},
    {"end", 0x23},        {"home", 0x24},           {"left", 0x25},
    {"up", 0x26},         {"right", 0x27},          {"down", 0x28},
    {"delete", 0x2E},
};

constexpr std::uint32_t kKeyF1 = 0x70;
constexpr std::uint32_t kFunctionKeys = 12;

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

template <class T>
bool parseDecimal(std::string_view text, T& out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return !text.empty() && ec == std::errc() && ptr == end;
}

// The line without its comment.
std::string_view withoutComment(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || isBlank(line[i - 1]))) return line.substr(0, i);
  }
  return line;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Reads the blank-separated words of one line, and what is left of it.
class Words {
 public:
  explicit Words(std::string_view text) : rest_(text) {}

  // The next word; empty at the end of the line.
  std::string_view next() {
    rest_ = trimmed(rest_);
    std::size_t length = 0;
    while (length < rest_.size() && !isBlank(rest_[length])) ++length;
    const std::string_view word = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return word;
  }

  std::string_view rest() const { return trimmed(rest_); }

 private:
  std::string_view rest_;
};

// Turns one line after another into messages, keeping the cursor and the
// time of the line before.
class LineReader {
 public:
  LineReader(std::string_view fileName, std::string& error) : fileName_(fileName), error_(error) {}

  bool read(std::string_view line, std::size_t number) {
    number_ = number;
    Words words(withoutComment(line));
    const std::string_view timeWord = words.next();
    if (timeWord.empty()) return true;
    std::uint32_t time = 0;
    if (!parseDecimal(timeWord, time)) {
      return fail("the time '" + std::string(timeWord) + "' is not a number of milliseconds");
    }
    if (time < lastTime_) {
      return fail("the time " + std::to_string(time) + " is before the time of an earlier line (" +
                  std::to_string(lastTime_) + ")");
    }
    lastTime_ = time;
    time_ = time;
    const std::string_view verbWord = words.next();
    if (verbWord.empty()) return fail("an event must follow the time");
    const std::string verb = lowerAscii(verbWord);

    if (verb == "drop") return readDrop(words.rest());
    bool ok = false;
    if (verb == "click" || verb == "rclick") {
      const bool left = verb == "click";
      ok = readPosition(words, verb) && emit({left ? kMessageLeftDown : kMessageRightDown,
                                              left ? kMessageLeftUp : kMessageRightUp});
    } else if (verb == "press") {
      ok = readPosition(words, verb) && emit({kMessageLeftDown});
    } else if (verb == "release") {
      ok = readPosition(words, verb) && emit({kMessageLeftUp});
    } else if (verb == "move") {
      ok = readPosition(words, verb);
    } else if (verb == "key") {
      ok = readKey(words, verb) && emit({kMessageKeyDown, kMessageKeyUp}, key_);
    } else if (verb == "keydown") {
      ok = readKey(words, verb) && emit({kMessageKeyDown}, key_);
    } else if (verb == "keyup") {
      ok = readKey(words, verb) && emit({kMessageKeyUp}, key_);
    } else if (verb == "wheel") {
      ok = readWheel(words);
    } else if (verb == "quit") {
      ok = emit({kMessageClose});
    } else {
      return fail("unknown event '" + std::string(verbWord) + "'");
    }
    if (!ok) return false;
    if (const std::string_view extra = words.next(); !extra.empty()) {
      return fail("'" + std::string(extra) + "' is one argument too many for " + verb);
    }
    return true;
  }

  std::vector<ScriptedMessage> take() { return std::move(messages_); }

 private:
  bool fail(const std::string& what) {
    error_ = std::string(fileName_) + ":" + std::to_string(number_) + ": " + what;
    return false;
  }

  // Reads X and Y and moves the cursor there. Button events come after this
  // move, so that a press lands where the cursor is, as with a real mouse.
  bool readPosition(Words& words, const std::string& verb) {
    std::int32_t position[2] = {0, 0};
    for (std::int32_t& coordinate : position) {
      const std::string_view word = words.next();
      if (word.empty()) return fail(verb + " needs X and Y");
      if (!parseDecimal(word, coordinate) || coordinate < kSmallestCoordinate ||
          coordinate > kLargestCoordinate) {
        return fail("'" + std::string(word) + "' is not a pixel position (a whole number from " +
                    std::to_string(kSmallestCoordinate) + " to " +
                    std::to_string(kLargestCoordinate) + ")");
      }
    }
    x_ = position[0];
    y_ = position[1];
    return emit({kMessageMouseMove});
  }

  bool readKey(Words& words, const std::string& verb) {
    const std::string_view name = words.next();
    if (name.empty()) return fail(verb + " needs a key name");
    const auto code = virtualKeyFromName(name);
    if (!code) return fail("unknown key name '" + std::string(name) + "'");
    key_ = *code;
    return true;
  }

  bool readWheel(Words& words) {
    const std::string_view word = words.next();
    if (word.empty()) return fail("wheel needs a number of notches");
    std::int32_t notches = 0;
    if (!parseDecimal(word, notches) || notches == 0 || notches < -kMostNotches ||
        notches > kMostNotches) {
      return fail("'" + std::string(word) + "' is not a number of notches (a whole number from " +
                  std::to_string(-kMostNotches) + " to " + std::to_string(kMostNotches) +
                  ", not 0)");
    }
    const auto delta = static_cast<std::uint16_t>(static_cast<std::int16_t>(notches * kWheelDelta));
    return emit({kMessageWheel}, static_cast<std::uint32_t>(delta) << 16);
  }

  bool readDrop(std::string_view path) {
    if (path.empty()) return fail("drop needs a path");
    std::size_t bad = 0;
    auto sjis = util::utf8ToSjisStrict(path, &bad);
    if (!sjis) {
      return fail("the path cannot be written in Shift_JIS (byte " + std::to_string(bad) + ")");
    }
    MessageRecord message = cursorMessage(kMessageDropFiles);
    message.text = std::move(*sjis);
    messages_.push_back({time_, std::move(message)});
    return true;
  }

  MessageRecord cursorMessage(std::uint32_t code) const {
    MessageRecord message;
    message.code = code;
    message.x = x_;
    message.y = y_;
    return message;
  }

  bool emit(std::initializer_list<std::uint32_t> codes, std::uint32_t wparam = 0) {
    for (const std::uint32_t code : codes) {
      MessageRecord message = cursorMessage(code);
      message.wparam = wparam;
      messages_.push_back({time_, std::move(message)});
    }
    return true;
  }

  std::string_view fileName_;
  std::string& error_;
  std::size_t number_ = 0;
  std::uint32_t time_ = 0;
  std::uint32_t lastTime_ = 0;
  std::uint32_t key_ = 0;
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
  std::vector<ScriptedMessage> messages_;
};

}  // namespace

std::optional<std::uint32_t> virtualKeyFromName(std::string_view name) {
  const std::string lower = lowerAscii(name);
  for (const KeyName& key : kKeyNames) {
    if (key.name == lower) return key.code;
  }
  if (lower.size() == 1) {
    const char c = lower.front();
    if (c >= 'a' && c <= 'z') return static_cast<std::uint32_t>(c - 'a' + 'A');
    if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c);
  }
  std::uint32_t number = 0;
  // "f1" to "f12", written without leading zeros.
  if (lower.size() >= 2 && lower.front() == 'f' && lower[1] != '0' &&
      parseDecimal(std::string_view(lower).substr(1), number) && number >= 1 &&
      number <= kFunctionKeys) {
    return kKeyF1 + number - 1;
  }
  return std::nullopt;
}

std::optional<std::vector<ScriptedMessage>> parseInputScript(std::string_view text,
                                                             std::string_view fileName,
                                                             std::string& error) {
  // Editors on Windows like to start UTF-8 files with a byte-order mark.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  LineReader reader(fileName, error);
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!reader.read(line, ++number)) return std::nullopt;
  }
  return reader.take();
}

std::optional<std::vector<ScriptedMessage>> readInputScript(const std::string& path,
                                                            std::string& error) {
  FileHandle file = openForReading(path);
  if (!file) {
    error = path + ": " + systemErrorText(errno);
    return std::nullopt;
  }
  std::string text;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
  if (std::ferror(file.get()) != 0) {
    error = path + ": the file cannot be read";
    return std::nullopt;
  }
  return parseInputScript(text, path, error);
}

ScriptedEvents::ScriptedEvents(Events& inner, Clock& clock, std::vector<ScriptedMessage> script)
    : inner_(inner), clock_(clock), script_(std::move(script)) {}

bool ScriptedEvents::fetch(MessageRecord& record) {
  const std::uint32_t now = clock_.now();
  while (next_ < script_.size() && script_[next_].time <= now) {
    MessageRecord message = script_[next_].message;
    if (mapper_) mapper_(message.x, message.y);
    message.time = now;
    inner_.post(std::move(message));
    ++next_;
  }
  return inner_.fetch(record);
}

}  // namespace tsuzuri::platform

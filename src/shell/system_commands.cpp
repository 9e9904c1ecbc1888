#include "shell/system_commands.h"

#include <array>
#include <limits>
#include <optional>
#include <span>

#include "platform/desktop_open.h"
#include "platform/files.h"
#include "util/sjis.h"

namespace tsuzuri::shell {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<SystemCommands> kCommands[] = {
    {"timeGetTime", &SystemCommands::timeGetTime},
    {"getTimer", &SystemCommands::getTimer},
    {"getLocalTime", &SystemCommands::getLocalTime},
    {"getWeek", &SystemCommands::getWeek},
    {"getPushKey", &SystemCommands::getPushKey},
    {"getCursorPos", &SystemCommands::getCursorPos},
    {"setCursorPos", &SystemCommands::setCursorPos},
    {"setClipboard", &SystemCommands::setClipboard},
    {"shellExecute", &SystemCommands::shellExecute},
    {"sleep", &SystemCommands::sleep},
    {"systemMessage", &SystemCommands::systemMessage},
};

// A screen coordinate below this puts the point off every desktop: where the
// window system keeps minimised windows.
constexpr std::int32_t kOffDesktop = -3000;
// How long a wait sleeps between two steps of a cursor move.
constexpr std::uint32_t kCursorStep = 1;

// Several results: Lua takes them as separate values, Squirrel as one array
// of them, the native script in its result variables 1, 2, …
void setIntegerResults(CommandContext& c, std::span<const std::int32_t> values) {
  if (c.hostId() == commands::HostId::kSquirrel) c.beginList();
  int argument = 1;
  for (const std::int32_t value : values) {
    c.setIntegerResult(argument++, value);
    c.addToResults();
  }
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

// Days from 1970-01-01 to the first of a month of the Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, std::int64_t month) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = floorDiv(year, 400);
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

std::int32_t calendarWeekday(std::int64_t year, std::int64_t month, std::int64_t day) {
  const std::int64_t monthIndex = month - 1;
  const std::int64_t days = daysFromCivil(year + floorDiv(monthIndex, 12),
                                          monthIndex - floorDiv(monthIndex, 12) * 12 + 1) +
                            day - 1;
  // 1970-01-01 was a Thursday.
  const std::int64_t weekday = (days + 4) % 7;
  return static_cast<std::int32_t>(weekday < 0 ? weekday + 7 : weekday);
}

}  // namespace

void SystemCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

std::int32_t SystemCommands::weekday(std::int32_t year, std::int32_t month, std::int32_t day) {
  const auto fitsInt = [](std::int64_t value) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
  };
  const std::int64_t tmYear = std::int64_t{year} - 1900;
  const std::int64_t tmMonth = std::int64_t{month} - 1;
  if (fitsInt(tmYear) && fitsInt(tmMonth)) {
    std::tm record{};
    record.tm_year = static_cast<int>(tmYear);
    record.tm_mon = static_cast<int>(tmMonth);
    record.tm_mday = day;
    record.tm_isdst = -1;
    // -1 can only be an error: no zone has 23:59:59 on 1969-12-31 at a
    // local midnight.
    if (std::mktime(&record) != static_cast<std::time_t>(-1)) return record.tm_wday;
  }
  return calendarWeekday(year, month, day);
}

void SystemCommands::timeGetTime(CommandContext& c) {
  platform::Clock& clock = s_.platform.clock();
  clock.busyRead();
  c.setIntegerResult(1, static_cast<std::int32_t>(clock.now()));
}

void SystemCommands::getTimer(CommandContext& c) {
  platform::Clock& clock = s_.platform.clock();
  clock.busyRead();
  const std::uint32_t start = s_.startTime ? s_.startTime() : 0;
  c.setIntegerResult(1, static_cast<std::int32_t>(clock.now() - start));
}

void SystemCommands::getLocalTime(CommandContext& c) {
  const std::time_t now = calendar_();
  // The scripts run on the main thread only, so localtime's shared record
  // is not raced for.
  const std::tm* local = std::localtime(&now);
  std::array<std::int32_t, 6> fields{};
  if (local != nullptr) {
    fields = {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
              local->tm_hour,        local->tm_min,     local->tm_sec};
  }
  setIntegerResults(c, fields);
}

void SystemCommands::getWeek(CommandContext& c) {
  c.setIntegerResult(4, weekday(c.integer(1), c.integer(2), c.integer(3)));
}

void SystemCommands::getPushKey(CommandContext& c) {
  // The remainder keeps the sign of a negative code, which names no key.
  const std::int32_t code = c.integer(1) % 256;
  const bool held = code >= 0 && s_.platform.input().keyDown(static_cast<std::uint32_t>(code));
  c.setIntegerResult(2, held ? -128 : 0);
}

void SystemCommands::getCursorPos(CommandContext& c) {
  const Point game = position();
  const std::array<std::int32_t, 2> results{game.x, game.y};
  setIntegerResults(c, results);
}

Point SystemCommands::position() {
  Point client;
  s_.platform.input().cursor(client.x, client.y);
  // Before the screen is settled nothing is presented: the client area is
  // the game screen.
  return s_.window.screenReady() ? s_.window.clientToGame(client) : client;
}

Point SystemCommands::cursorTarget(Point game) const {
  Point client = s_.window.screenReady() ? s_.window.gameToClient(game) : game;
  platform::Window* window = s_.platform.window();
  if (window == nullptr) return client;
  std::int32_t left = 0;
  std::int32_t top = 0;
  window->position(left, top);
  const std::int64_t screenX = std::int64_t{left} + client.x;
  const std::int64_t screenY = std::int64_t{top} + client.y;
  if (window->minimised() || screenX < kOffDesktop || screenY < kOffDesktop) {
    const platform::PixelRect area = window->monitor().workArea;
    client = {area.left + area.width() / 2 - left, area.top + area.height() / 2 - top};
  }
  return client;
}

void SystemCommands::setCursorPos(CommandContext& c) {
  if (s_.display.cursorMove == 0) return;
  moveTo({c.integer(1), c.integer(2)}, c.integer(3));
}

void SystemCommands::moveTo(Point game, std::int32_t speed) {
  const Point target = cursorTarget(game);
  platform::Input& input = s_.platform.input();
  finishCursorMove();
  if (speed == 0) {
    input.warpCursor(target.x, target.y);
    return;
  }
  Point from;
  input.cursor(from.x, from.y);
  mover_.start(from.x, from.y, target.x, target.y, speed, s_.platform.clock().now());
}

bool SystemCommands::moving() {
  advanceCursorMove();
  return mover_.active();
}

void SystemCommands::show(bool on) {
  if (platform::Window* window = s_.platform.window()) window->showCursor(on);
}

void SystemCommands::advanceCursorMove() {
  if (const std::optional<Point> place = mover_.step(s_.platform.clock().now())) {
    s_.platform.input().warpCursor(place->x, place->y);
  }
}

void SystemCommands::finishCursorMove() {
  platform::Clock& clock = s_.platform.clock();
  advanceCursorMove();
  while (mover_.active()) {
    clock.sleep(kCursorStep);
    advanceCursorMove();
  }
}

void SystemCommands::wait(std::uint32_t milliseconds) {
  platform::Clock& clock = s_.platform.clock();
  const std::uint32_t start = clock.now();
  const auto spent = [&] { return clock.now() - start; };
  // Each step places the cursor where the move is after it, so the wait
  // ends with the cursor where the time reached puts it.
  while (mover_.active() && spent() < milliseconds) {
    clock.sleep(kCursorStep);
    advanceCursorMove();
  }
  if (spent() < milliseconds) clock.sleep(milliseconds - spent());
}

void SystemCommands::setClipboard(CommandContext& c) {
  // A clipboard that cannot be had is left alone, without a report.
  static_cast<void>(s_.platform.input().setClipboard(util::sjisToUtf8(c.text(1))));
}

std::string SystemCommands::openTarget(std::string_view name) const {
  if (platform::isUrl(name)) return util::sjisToUtf8(name);
  // A game names its files from its own folder, in Shift_JIS and without
  // regard to case; the desktop is given the file found on the disk.
  std::optional<std::string> found = platform::findFile(s_.gameFolder, name);
  if (!found && !name.empty() && name.front() == '/') found = platform::findFile({}, name);
  return found ? *found : util::sjisToUtf8(name);
}

void SystemCommands::shellExecute(CommandContext& c) {
  const auto refuse = [&](std::u8string_view message) {
    s_.errors.reportWithContext(util::toSjis(message));
  };
  if (c.argumentCount(1) != 3) return refuse(u8"引数の数が不正です");
  if (c.kind(1) != c.textKind()) return refuse(u8"第一引数が文字列ではありません");
  if (c.kind(2) != c.textKind()) return refuse(u8"第二引数が文字列ではありません");
  if (!c.isIntegerReference(3)) return refuse(u8"第三引数の数値変数が不正です");
  const std::string target = openTarget(c.text(1));
  const std::int32_t code =
      s_.platform.input().openWithDesktop(target, util::sjisToUtf8(c.text(2)));
  c.setIntegerResult(3, code);
}

void SystemCommands::sleep(CommandContext& c) {
  const std::int32_t milliseconds = c.integer(1);
  if (!s_.pump.pumpOne()) {
    if (s_.endRun) s_.endRun();
    return;
  }
  // A negative time waits for nothing (not for ever).
  wait(milliseconds > 0 ? static_cast<std::uint32_t>(milliseconds) : 0);
}

void SystemCommands::systemMessage(CommandContext& /*c*/) {
  // Only its name matters: the command records it as the current command.
}

}  // namespace tsuzuri::shell

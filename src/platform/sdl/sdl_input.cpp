// Key and mouse state, the cursor, the clipboard and the desktop's opener
// through SDL.

#include <SDL.h>

#include <string>

#include "platform/desktop_open.h"
#include "platform/sdl/sdl_platform.h"

namespace tsuzuri::platform {
namespace {

// The virtual-key codes the Windows mouse buttons have.
constexpr std::uint32_t kButtonLeft = 0x01;
constexpr std::uint32_t kButtonRight = 0x02;
constexpr std::uint32_t kButtonMiddle = 0x04;
constexpr std::uint32_t kButtonX1 = 0x05;
constexpr std::uint32_t kButtonX2 = 0x06;

struct KeyRow {
  std::uint32_t virtualKey;
  KeyPair keys;
};

// The codes outside the runs of letters, digits, function and keypad digit
// keys that keysOf computes.
constexpr KeyRow kKeyRows[] = {
    {0x08, {SDLK_BACKSPACE}},
    {kKeyTab, {SDLK_TAB}},
    {0x0C, {SDLK_CLEAR}},
    {kKeyReturn, {SDLK_RETURN, SDLK_KP_ENTER}},
    {kKeyShift, {SDLK_LSHIFT, SDLK_RSHIFT}},
    {kKeyControl, {SDLK_LCTRL, SDLK_RCTRL}},
    {kKeyAlt, {SDLK_LALT, SDLK_RALT}},
    {0x13, {SDLK_PAUSE}},
    {0x14, {SDLK_CAPSLOCK}},
    {kKeyEscape, {SDLK_ESCAPE}},
    {0x20, {SDLK_SPACE}},
    {0x21, {SDLK_PAGEUP}},
    {0x22, {SDLK_PAGEDOWN}},
    {0x23, {SDLK_END}},
    {0x24, {SDLK_HOME}},
    {0x25, {SDLK_LEFT}},
    {0x26, {SDLK_UP}},
    {0x27, {SDLK_RIGHT}},
    {0x28, {SDLK_DOWN}},
    {0x2C, {SDLK_PRINTSCREEN}},
    {0x2D, {SDLK_INSERT}},
    {0x2E, {SDLK_DELETE}},
    {0x5B, {SDLK_LGUI}},
    {0x5C, {SDLK_RGUI}},
    {0x5D, {SDLK_APPLICATION}},
    {0x60, {SDLK_KP_0}},
    {0x6A, {SDLK_KP_MULTIPLY}},
    {0x6B, {SDLK_KP_PLUS}},
    {0x6D, {SDLK_KP_MINUS}},
    {0x6E, {SDLK_KP_PERIOD}},
    {0x6F, {SDLK_KP_DIVIDE}},
    {0x90, {SDLK_NUMLOCKCLEAR}},
    {0x91, {SDLK_SCROLLLOCK}},
    {0xA0, {SDLK_LSHIFT}},
    {0xA1, {SDLK_RSHIFT}},
    {0xA2, {SDLK_LCTRL}},
    {0xA3, {SDLK_RCTRL}},
    {0xA4, {SDLK_LALT}},
    {0xA5, {SDLK_RALT}},
    {0xBA, {SDLK_SEMICOLON}},
    {0xBB, {SDLK_EQUALS}},
    {0xBC, {SDLK_COMMA}},
    {0xBD, {SDLK_MINUS}},
    {0xBE, {SDLK_PERIOD}},
    {0xBF, {SDLK_SLASH}},
    {0xC0, {SDLK_BACKQUOTE}},
    {0xDB, {SDLK_LEFTBRACKET}},
    {0xDC, {SDLK_BACKSLASH}},
    {0xDD, {SDLK_RIGHTBRACKET}},
    {0xDE, {SDLK_QUOTE}},
};

SDL_Keycode offset(SDL_Keycode first, std::uint32_t steps) {
  return static_cast<SDL_Keycode>(first + static_cast<SDL_Keycode>(steps));
}

bool held(const std::uint8_t* state, int count, SDL_Keycode key) {
  if (key == SDLK_UNKNOWN) return false;
  // Through the keyboard layout, as the key messages are: the code of 'A'
  // is whichever key types an A.
  const SDL_Scancode scancode = SDL_GetScancodeFromKey(key);
  return scancode > SDL_SCANCODE_UNKNOWN && scancode < count && state[scancode] != 0;
}

}  // namespace

KeyPair keysOf(std::uint32_t virtualKey) {
  const std::uint32_t v = virtualKey;
  if (v >= 'A' && v <= 'Z') return {offset(SDLK_a, v - 'A')};
  if (v >= '0' && v <= '9') return {offset(SDLK_0, v - '0')};
  // SDL numbers F1 to F12 and F13 to F24 in two runs.
  if (v >= 0x70 && v <= 0x7B) return {offset(SDLK_F1, v - 0x70)};
  if (v >= 0x7C && v <= 0x87) return {offset(SDLK_F13, v - 0x7C)};
  if (v >= 0x61 && v <= 0x69) return {offset(SDLK_KP_1, v - 0x61)};
  for (const KeyRow& row : kKeyRows) {
    if (row.virtualKey == v) return row.keys;
  }
  return {};
}

std::uint32_t virtualKeyOf(SDL_Keycode key) {
  if (key == SDLK_UNKNOWN) return 0;
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<std::uint32_t>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<std::uint32_t>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<std::uint32_t>(0x70 + (key - SDLK_F1));
  if (key >= SDLK_F13 && key <= SDLK_F24)
    return static_cast<std::uint32_t>(0x7C + (key - SDLK_F13));
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
    return static_cast<std::uint32_t>(0x61 + (key - SDLK_KP_1));
  }
  // The first row wins: a left or right Shift is the plain Shift key.
  for (const KeyRow& row : kKeyRows) {
    if (row.keys.first == key || row.keys.second == key) return row.virtualKey;
  }
  return 0;
}

void SdlInput::keepAwake(bool on) {
  if (on) {
    SDL_DisableScreenSaver();
  } else {
    SDL_EnableScreenSaver();
  }
}

bool SdlInput::keyDown(std::uint32_t virtualKey) {
  // The state follows the events SDL has gathered; gathering more now makes
  // it the state of this moment. They stay queued for the message pump.
  SDL_PumpEvents();
  std::uint32_t button = 0;
  switch (virtualKey) {
    case kButtonLeft:
      button = SDL_BUTTON_LEFT;
      break;
    case kButtonRight:
      button = SDL_BUTTON_RIGHT;
      break;
    case kButtonMiddle:
      button = SDL_BUTTON_MIDDLE;
      break;
    case kButtonX1:
      button = SDL_BUTTON_X1;
      break;
    case kButtonX2:
      button = SDL_BUTTON_X2;
      break;
    default:
      break;
  }
  if (button != 0) return (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON(button)) != 0;
  int count = 0;
  const std::uint8_t* state = SDL_GetKeyboardState(&count);
  if (state == nullptr) return false;
  const KeyPair keys = keysOf(virtualKey);
  return held(state, count, keys.first) || held(state, count, keys.second);
}

void SdlInput::cursor(std::int32_t& x, std::int32_t& y) {
  SDL_PumpEvents();
  SDL_GetMouseState(&x, &y);
}

void SdlInput::warpCursor(std::int32_t x, std::int32_t y) {
  if (window_ != nullptr) SDL_WarpMouseInWindow(window_->handle(), x, y);
}

bool SdlInput::setClipboard(std::string_view utf8) {
  // SDL takes a C string: the text ends at its first NUL, as plain text on
  // the clipboard does.
  const std::string text(utf8);
  return SDL_SetClipboardText(text.c_str()) == 0;
}

std::int32_t SdlInput::openWithDesktop(std::string_view target, std::string_view /*parameters*/) {
  // xdg-open takes the one file or URL to open; the desktop's openers are
  // given no parameters.
  return openWithProgram(target, "xdg-open");
}

}  // namespace tsuzuri::platform

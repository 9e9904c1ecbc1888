// SDL's events in the engine's message record, with Windows virtual-key
// codes for keys.

#include <SDL.h>

#include "platform/sdl/sdl_platform.h"
#include "util/sjis.h"

namespace tsuzuri::platform {
namespace {

std::int32_t packSize(std::int32_t width, std::int32_t height) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(width) & 0xFFFFU) |
                                   ((static_cast<std::uint32_t>(height) & 0xFFFFU) << 16));
}

bool translateWindowEvent(const SDL_WindowEvent& event, MessageRecord& record) {
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      record.code = kMessageClose;
      return true;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
      record.code = kMessageActivate;
      record.wparam = event.event == SDL_WINDOWEVENT_FOCUS_GAINED ? 1 : 0;
      return true;
    case SDL_WINDOWEVENT_MINIMIZED:
      record.code = kMessageSize;
      record.wparam = 1;
      return true;
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      record.code = kMessageSize;
      record.wparam = event.event == SDL_WINDOWEVENT_MAXIMIZED ? 2 : 0;
      SDL_Window* window = SDL_GetWindowFromID(event.windowID);
      int width = 0;
      int height = 0;
      if (window != nullptr) SDL_GetWindowSize(window, &width, &height);
      record.lparam = packSize(width, height);
      return true;
    }
    case SDL_WINDOWEVENT_EXPOSED:
      record.code = kMessagePaint;
      return true;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED:
      record.code = kMessageDisplayChange;
      return true;
    default:
      return false;
  }
}

}  // namespace

bool translateEvent(const SDL_Event& event, MessageRecord& record) {
  switch (event.type) {
    case SDL_QUIT:
      // A close, not a quit: the window logic may ask the player first, and
      // the default pump turns an unhandled close into the quit.
      record.code = kMessageClose;
      return true;
    case SDL_WINDOWEVENT:
      return translateWindowEvent(event.window, record);
    case SDL_DISPLAYEVENT:
      record.code = kMessageDisplayChange;
      return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const std::uint32_t key = virtualKeyOf(event.key.keysym.sym);
      if (key == 0) return false;
      const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0 || key == kKeyAlt;
      const bool down = event.type == SDL_KEYDOWN;
      record.code = alt ? (down ? kMessageSysKeyDown : kMessageSysKeyUp)
                        : (down ? kMessageKeyDown : kMessageKeyUp);
      record.wparam = key;
      // Bit 30 of a key message: the key was already down (auto-repeat).
      record.lparam = event.key.repeat != 0 ? (1 << 30) : 0;
      return true;
    }
    case SDL_MOUSEMOTION:
      record.code = kMessageMouseMove;
      record.x = event.motion.x;
      record.y = event.motion.y;
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = event.type == SDL_MOUSEBUTTONDOWN;
      switch (event.button.button) {
        case SDL_BUTTON_LEFT:
          record.code = down ? kMessageLeftDown : kMessageLeftUp;
          break;
        case SDL_BUTTON_RIGHT:
          record.code = down ? kMessageRightDown : kMessageRightUp;
          break;
        case SDL_BUTTON_MIDDLE:
          record.code = down ? kMessageMiddleDown : kMessageMiddleUp;
          break;
        default:
          return false;
      }
      record.x = event.button.x;
      record.y = event.button.y;
      return true;
    }
    case SDL_MOUSEWHEEL: {
      int notches = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (notches == 0) return false;
      record.code = kMessageWheel;
      record.wparam = static_cast<std::uint32_t>(static_cast<std::uint16_t>(notches * 120)) << 16;
      SDL_GetMouseState(&record.x, &record.y);
      return true;
    }
    case SDL_DROPFILE: {
      if (event.drop.file == nullptr) return false;
      record.code = kMessageDropFiles;
      record.text = util::utf8ToSjis(event.drop.file);
      SDL_free(event.drop.file);
      return true;
    }
    case SDL_DROPTEXT:
      // Dragged text is not a file; SDL still hands its copy over.
      SDL_free(event.drop.file);
      return false;
    default:
      return false;
  }
}

}  // namespace tsuzuri::platform

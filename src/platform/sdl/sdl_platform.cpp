#include "platform/sdl/sdl_platform.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace tsuzuri::platform {
namespace {

constexpr auto kBoxFlags = static_cast<std::uint32_t>(SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT);
constexpr auto kReturnKey = static_cast<std::uint32_t>(SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
constexpr auto kEscapeKey = static_cast<std::uint32_t>(SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);

// Shows a box with buttons; the id of the button pressed, -1 when the box was
// closed without one, or nothing when SDL could not show the box at all.
std::optional<int> showBox(std::uint32_t iconFlags, SDL_Window* parent, const std::string& title,
                           const std::string& text,
                           const std::vector<SDL_MessageBoxButtonData>& buttons) {
  SDL_MessageBoxData box{};
  box.flags = iconFlags | kBoxFlags;
  box.window = parent;
  box.title = title.c_str();
  box.message = text.c_str();
  box.numbuttons = static_cast<int>(buttons.size());
  box.buttons = buttons.data();
  int pressed = -1;
  if (SDL_ShowMessageBox(&box, &pressed) != 0) return std::nullopt;
  return pressed;
}

}  // namespace

bool SdlDialogs::showSimple(std::uint32_t flags, const std::string& title,
                            const std::string& text) {
  return SDL_ShowSimpleMessageBox(flags, title.c_str(), text.c_str(), parent_) == 0;
}

void SdlDialogs::showError(std::string_view text) {
  if (!showSimple(SDL_MESSAGEBOX_ERROR, "Error", boxText(text))) fallback_.showError(text);
}

bool SdlDialogs::ask(std::string_view title, std::string_view text, bool defaultYes) {
  constexpr int kYes = 1;
  constexpr int kNo = 0;
  const std::vector<SDL_MessageBoxButtonData> buttons{
      {defaultYes ? kReturnKey : 0u, kYes, "Yes"},
      {defaultYes ? kEscapeKey : kReturnKey | kEscapeKey, kNo, "No"},
  };
  const auto pressed =
      showBox(SDL_MESSAGEBOX_INFORMATION, parent_, boxText(title), boxText(text), buttons);
  if (!pressed) return fallback_.ask(title, text, defaultYes);
  if (*pressed != kYes && *pressed != kNo) return defaultYes;
  return *pressed == kYes;
}

void SdlDialogs::inform(std::string_view title, std::string_view text) {
  if (!showSimple(SDL_MESSAGEBOX_INFORMATION, boxText(title), boxText(text))) {
    fallback_.inform(title, text);
  }
}

int SdlDialogs::choose(std::string_view title, std::string_view text,
                       std::span<const std::string> choices, int defaultChoice, int cancelChoice) {
  // The button texts must live until the box is closed.
  std::vector<std::string> labels;
  labels.reserve(choices.size());
  for (const std::string& choice : choices) labels.push_back(boxText(choice));

  std::vector<SDL_MessageBoxButtonData> buttons;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const int id = static_cast<int>(i);
    const std::uint32_t keys =
        (id == defaultChoice ? kReturnKey : 0U) | (id == cancelChoice ? kEscapeKey : 0U);
    buttons.push_back({keys, id, labels[i].c_str()});
  }
  // A box without buttons could not be closed on some systems; with nothing to
  // choose, its one button gives the default like closing the box does.
  if (buttons.empty()) buttons.push_back({kReturnKey | kEscapeKey, -1, "OK"});

  const auto pressed =
      showBox(SDL_MESSAGEBOX_INFORMATION, parent_, boxText(title), boxText(text), buttons);
  if (!pressed) return fallback_.choose(title, text, choices, defaultChoice, cancelChoice);
  // Closing the box is the Escape key.
  if (*pressed < 0 || static_cast<std::size_t>(*pressed) >= choices.size()) return cancelChoice;
  return *pressed;
}

bool SdlEvents::fetch(MessageRecord& record) {
  if (!posted_.empty()) {
    record = posted_.front();
    posted_.pop_front();
    record.time = clock_.now();
    return true;
  }
  if (instance_.raiseRequested() && window_ != nullptr) window_->raise();
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) {
    if ((event.type == SDL_AUDIODEVICEADDED || event.type == SDL_AUDIODEVICEREMOVED) &&
        audio_ != nullptr) {
      audio_->deviceChanged(event.adevice);
      continue;
    }
    MessageRecord message;
    if (!translateEvent(event, message)) continue;
    message.time = clock_.now();
    record = message;
    return true;
  }
  return false;
}

void SdlEvents::postQuit(std::uint32_t exitCode) {
  MessageRecord message;
  message.code = kMessageQuit;
  message.wparam = exitCode;
  posted_.push_back(message);
}

SdlPlatform::~SdlPlatform() {
  events_.setWindow(nullptr);
  input_.setWindow(nullptr);
  dialogs_.setParent(nullptr);
  window_.reset();
}

Window* SdlPlatform::openWindow(std::string_view title, std::string& error) {
  if (window_) return window_.get();
  window_ = SdlWindow::open(title, false, error);
  if (!window_) return nullptr;
  events_.setWindow(window_.get());
  input_.setWindow(window_.get());
  dialogs_.setParent(window_->handle());
  return window_.get();
}

std::unique_ptr<Platform> createSdlPlatform() {
  // Video starts with the window; timer and events are all a run needs before that.
  if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
    static_cast<void>(std::fprintf(stderr, "tsuzuri: SDL could not start: %s\n", SDL_GetError()));
    SDL_Quit();
    return nullptr;
  }
  return std::make_unique<SdlPlatform>();
}

}  // namespace tsuzuri::platform

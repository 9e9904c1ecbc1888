#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "text/message_settings.h"

namespace tsuzuri::text {

// The message font the player reads: its face, style and three colours,
// each with the default the settings file keeps.
struct MessageFont {
  std::string name;
  std::int32_t style = 0;
  std::int32_t colour1 = 0, colour2 = 0, colour3 = 0;
};

// addFontFile, setFontFile … setFontColor3 and the installed font list.
class FontCommands {
 public:
  FontCommands(MessageSettings& settings, std::string gameFolder)
      : settings_(settings), gameFolder_(std::move(gameFolder)) {}

  void registerWith(commands::CommandRegistry& registry);

  // Called after the face or style changed, and after a colour changed:
  // the message window's text objects take the new font.
  void setRefont(std::function<void(const MessageFont&)> refont) { refont_ = std::move(refont); }
  void setRecolour(std::function<void(const MessageFont&)> recolour) {
    recolour_ = std::move(recolour);
  }

  // The current font: the defaults until a command chose otherwise.
  MessageFont current() const;
  // What the commands chose over the defaults (a saved game keeps these).
  struct Choices {
    std::optional<std::string> name;
    std::optional<std::int32_t> colour1, colour2, colour3;
  };
  Choices choices() const { return {name_, colour1_, colour2_, colour3_}; }
  // Takes a saved game's choices; the style goes back to the default. The
  // message window takes the font.
  void restore(const Choices& choices);
  // Font files the game added for itself (at most nine are remembered).
  const std::vector<std::string>& addedFiles() const { return added_; }

  void addFontFile(commands::CommandContext& c);
  void setFontFile(commands::CommandContext& c);
  void getFontFile(commands::CommandContext& c);
  void setFontStyle(commands::CommandContext& c);
  void getFontStyle(commands::CommandContext& c);
  void setFontColor(commands::CommandContext& c);
  void setFontColor2(commands::CommandContext& c);
  void setFontColor3(commands::CommandContext& c);
  void getFontListNum(commands::CommandContext& c);
  void getFontListStr(commands::CommandContext& c);

 private:
  void setColour(commands::CommandContext& c, std::optional<std::int32_t>& current,
                 std::int32_t MessageSettings::*stored);

  MessageSettings& settings_;
  std::string gameFolder_;
  std::optional<std::string> name_;
  std::optional<std::int32_t> style_;
  std::optional<std::int32_t> colour1_, colour2_, colour3_;
  std::vector<std::string> added_;
  std::vector<std::string> list_;
  std::function<void(const MessageFont&)> refont_;
  std::function<void(const MessageFont&)> recolour_;
};

}  // namespace tsuzuri::text

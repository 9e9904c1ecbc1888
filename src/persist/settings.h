#pragma once

#include "assets/image_settings.h"
#include "persist/persist_settings.h"
#include "render/render_settings.h"
#include "shell/display_settings.h"
#include "sound/sound_settings.h"
#include "text/message_settings.h"

namespace tsuzuri::persist {

// Every player setting, grouped by the subsystem that uses it. The engine
// owns one; each subsystem is handed its own group, and the settings file
// reads and writes all of them through one table of keys.
struct Settings {
  shell::DisplaySettings display;
  render::RenderSettings render;
  assets::ImageSettings images;
  text::MessageSettings messages;
  sound::SoundSettings sound;
  PersistSettings persist;
};

}  // namespace tsuzuri::persist

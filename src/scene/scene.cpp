#include "scene/scene.h"

namespace tsuzuri::scene {

Scene::Scene(render::Renderer& renderer, const render::RenderSettings& settings,
             assets::ImageLoader& loader, script::Console& console, script::ErrorSink& errors,
             platform::Clock& clock)
    : renderer_(renderer),
      clock_(clock),
      imageOutput_(console),
      table_(renderer, settings, loader, imageOutput_, errors),
      motions_(table_, clock),
      quakes_(table_),
      composer_(table_, screen_, renderer, settings, errors),
      transitions_(composer_, renderer, settings, screen_, loader, imageOutput_, errors),
      commands_(table_, motions_),
      motionCommands_(table_, motions_, quakes_, clock),
      screenCommands_(table_, screen_, clock),
      effectCommands_(table_, transitions_, renderer, settings, clock),
      buttons_(table_, motions_),
      buttonCommands_(buttons_, motionCommands_, errors) {
  table_.setMoveListener([this](std::int32_t slot) { buttons_.spriteMoved(slot); });
  table_.setScreenOffsetsCommit([this] { screen_.commit(); });
  motions_.setSwitchLoader([this](std::int32_t slot, const std::string& file) {
    const SpriteRecord* shown = table_.front(slot);
    return shown != nullptr &&
           commands_.loadStanding(slot, file, shown->flags, shown->imageW, shown->imageH);
  });
}

void Scene::install(render::DrawCommands& draw, commands::CommandRegistry& registry) {
  installFrames();
  render::SceneHooks hooks;
  hooks.commitAll = [this] { table_.commitAll(); };
  hooks.running = [this] { return running(); };
  hooks.jumpMode = [this] { return table_.jumpMode() != 0; };
  draw.setSceneHooks(std::move(hooks));
  registerCommands(registry);
}

void Scene::installFrames() {
  composer_.install();
  transitions_.install();
  renderer_.setSceneUpdate([this] { update(); });
  renderer_.setReleaseHook([this] {
    for (const auto& hook : releaseHooks_) hook();
    transitions_.release();
    table_.releaseAll();
  });
}

void Scene::registerCommands(commands::CommandRegistry& registry) {
  commands_.registerWith(registry);
  motionCommands_.registerWith(registry);
  screenCommands_.registerWith(registry);
  effectCommands_.registerWith(registry);
  buttonCommands_.registerWith(registry);
}

bool Scene::running() const {
  return motions_.running() || quakes_.running() || screen_.quaking() || screen_.moving() ||
         (otherRunning_ && otherRunning_());
}

void Scene::markScreenDirty() {
  const auto& layers = table_.layers();
  const auto screen = layers.find(0);
  if (screen == layers.end()) return;
  for (const auto& [key, slot] : screen->second) {
    for (SpriteRecord* r : {table_.front(slot), table_.back(slot)}) {
      if (r != nullptr) r->dirty = true;
    }
  }
}

void Scene::update() {
  if (systemFlags_ && systemFlags_() == 1) return;
  const std::uint32_t now = clock_.now();
  bool moved = screen_.advanceQuake(now);
  if (screen_.advanceMotions(now)) moved = true;
  if (moved) markScreenDirty();
  quakes_.advance(now);
  if (soundEvents_) soundEvents_(now);
  if (movieFrames_) movieFrames_(now);
  motions_.advance(now);
}

}  // namespace tsuzuri::scene

#include "scene/scene.h"

namespace tsuzuri::scene {

void Scene::install(render::DrawCommands& draw, commands::CommandRegistry& registry) {
  composer_.install();
  renderer_.setReleaseHook([this] { table_.releaseAll(); });
  render::SceneHooks hooks;
  hooks.commitAll = [this] { table_.commitAll(); };
  // Nothing of the scene changes by itself yet: motions, quakes and movies
  // will answer here.
  hooks.running = [] { return false; };
  hooks.jumpMode = [this] { return table_.jumpMode() != 0; };
  draw.setSceneHooks(std::move(hooks));
  commands_.registerWith(registry);
}

}  // namespace tsuzuri::scene

#include "scene/scene.h"

namespace tsuzuri::scene {

void Scene::install(render::DrawCommands& draw, commands::CommandRegistry& registry) {
  composer_.install();
  renderer_.setReleaseHook([this] { table_.releaseAll(); });
  render::SceneHooks hooks;
  hooks.commitAll = [this] { table_.commitAll(); };
  hooks.jumpMode = [this] { return table_.jumpMode() != 0; };
  draw.setSceneHooks(std::move(hooks));
  commands_.registerWith(registry);
}

}  // namespace tsuzuri::scene

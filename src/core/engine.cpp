#include "core/engine.h"

#include "assets/image_kernels.h"
#include "platform/files.h"
#include "script/builtins.h"
#include "script/statement_loop.h"
#include "util/sjis.h"

namespace tsuzuri::core {

Engine::Engine(platform::Platform& platform, assets::GameFolder folder, EngineOptions options,
               script::Console& console, script::MessageDisplay& display)
    : platform_(platform),
      folder_(std::move(folder)),
      options_(std::move(options)),
      console_(console),
      display_(display),
      pump_(platform.events(), platform.clock()),
      interpreter_(tables_),
      errors_(interpreter_, platform.dialogs(), console, folder_.native),
      expression_(variables_, errors_, interpreter_),
      registry_(commandTable_, expression_, interpreter_, errors_),
      files_(folder_, archives_, errors_),
      container_(folder_.native + "script.dat", errors_, interpreter_.commandName()),
      settingsFile_(settings_, expression_, errors_),
      saveLocation_(
          platform.dialogs(), platform.interactive(), folder_.native,
          options_.documentsFolder ? options_.documentsFolder : platform::documentsFolder()),
      persistence_(settings_, settingsFile_, saveLocation_, platform.clock(), errors_,
                   folder_.native),
      settingsCommands_(settings_, persistence_) {
  if (options_.maxTime) pump_.setDeadline(*options_.maxTime);
}

Engine::~Engine() = default;

bool Engine::startUp() {
  builtinState_.random.seed(options_.randomSeed.value_or(static_cast<std::uint32_t>(
      std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()))));
  archives_.read(folder_, errors_);
  script::registerBuiltins(commandTable_,
                           script::BuiltinServices{interpreter_, expression_, errors_, console_,
                                                   platform_.dialogs(), files_, builtinState_});
  // System commands, family by family.
  settingsCommands_.registerWith(registry_);
  // The image library's implementations follow the processor and the
  // MMX/SSE/SSE2 and Thread settings: chosen now, and again once the
  // settings file has been read. No loader thread runs at either moment.
  const auto chooseImageKernels = [this] {
    assets::setImageKernels(
        assets::selectImageKernels(settings_.images, assets::detectCpuFeatures()));
  };
  chooseImageKernels();
  persistence_.addLoadedHook(chooseImageKernels);

  if (!container_.readIndexAndCollectLabels(options_.titleKey, tables_) || interpreter_.ended()) {
    return false;
  }
  if (!container_.contains(script::startScriptHash())) {
    errors_.reportPlain(util::toSjis(u8"開始スクリプトが読み込めませんでした"));
    return false;
  }
  script::ScriptSlot& first = interpreter_.slot(0);
  first.hash = script::startScriptHash();
  first.name = "script/0.txt";
  if (!container_.readScript(first.hash, first.lines, tables_)) return false;
  if (container_.contains(script::secondScriptHash())) {
    script::ScriptSlot& second = interpreter_.slot(1);
    second.hash = script::secondScriptHash();
    second.name = "script/1.txt";
    if (!container_.readScript(second.hash, second.lines, tables_)) return false;
  }
  startTime_ = platform_.clock().now();
  persistence_.setStartTime(startTime_);
  return true;
}

void Engine::tearDown() {
  // Once loadSetting has run, the settings (and the game's persistent
  // variables) are written before anything is cleared.
  persistence_.saveAtShutdown();
  interpreter_.clear();
  variables_.clear();
  builtinState_.clear();
  tables_.clear();
  container_.release();
}

bool Engine::timeIsUp() {
  if (pump_.pastDeadline()) return true;
  if (options_.realTimeLimit && std::chrono::steady_clock::now() - realStart_ >=
                                    std::chrono::milliseconds(*options_.realTimeLimit)) {
    outOfRealTime_ = true;
    return true;
  }
  return false;
}

RunResult Engine::run() {
  RunResult result;
  if (ran_) return result;
  ran_ = true;
  realStart_ = std::chrono::steady_clock::now();
  if (!startUp()) {
    tearDown();
    return result;
  }
  result.started = true;
  script::StatementLoop loop(interpreter_, tables_, commandTable_, container_, errors_, display_);
  loop.setInterruptCheck([this] { return timeIsUp(); });
  loop.run();
  tearDown();
  if (pump_.quitSeen()) result.exitCode = pump_.record().wparam;
  result.outOfRealTime = outOfRealTime_;
  return result;
}

}  // namespace tsuzuri::core

#include "core/engine.h"

#include <algorithm>
#include <span>

#include "assets/image_codecs.h"
#include "assets/image_kernels.h"
#include "diag/information_report.h"
#include "platform/files.h"
#include "platform/machine_info.h"
#include "platform/memory.h"
#include "render/gl/gl_device.h"
#include "render/null_device.h"
#include "script/builtins.h"
#include "script/statement_loop.h"
#include "util/reporter.h"
#include "util/sjis.h"

namespace tsuzuri::core {

Engine::Engine(platform::Platform& platform, assets::GameFolder folder, EngineOptions options,
               script::Console& console)
    : platform_(platform),
      folder_(std::move(folder)),
      options_(std::move(options)),
      console_(console),
      scripted_(options_.input
                    ? std::make_optional<platform::ScriptedEvents>(
                          platform.events(), platform.clock(), std::move(*options_.input))
                    : std::nullopt),
      events_(scripted_ ? static_cast<platform::Events&>(*scripted_) : platform.events()),
      pump_(events_, platform.clock()),
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
      settingsCommands_(settings_, persistence_),
      imageCache_(std::uint64_t{0}),
      imageLoader_(files_, imageCache_, errors_),
      renderer_(settings_.render, platform.clock(), errors_),
      drawCommands_(renderer_, platform.clock()),
      scene_(renderer_, settings_.render, imageLoader_, console, errors_, platform.clock()),
      textSprites_(scene_.sprites(), errors_, folder_.native),
      fontCommands_(settings_.messages, folder_.native),
      messageWindow_(text::MessageWindowServices{renderer_, scene_, settings_.messages, errors_,
                                                 platform.clock(), interpreter_, tables_,
                                                 commandTable_, folder_.native}),
      messageCommands_(messageWindow_, scene_.composer(), errors_),
      backlogCommands_(messageWindow_, scene_, interpreter_),
      fileCommands_(files_, [this] { return mainWindow_.factors().resolutionFactor; }),
      mainWindow_(platform, settings_.display, settings_.render, renderer_, errors_, folder_.native,
                  windowServices()),
      windowCommands_(mainWindow_, settings_.display, options_.title),
      systemCommands_(shell::SystemCommandServices{
          platform, pump_, mainWindow_, settings_.display, errors_, folder_.native,
          [this] { return persistence_.startTime(); }, [this] { interpreter_.setEnded(); }}),
      tooltip_(renderer_, scene_.sprites(), textSprites_),
      eventWait_(shell::EventWait::Services{pump_, platform.clock(), mainWindow_, scene_.buttons(),
                                            scene_.composer(), messageWindow_, settings_.display,
                                            systemCommands_, platform.input(),
                                            [this] { interpreter_.setEnded(); }}),
      eventWaitCommands_(eventWait_),
      sound_(soundServices()),
      soundCommands_(sound_, settings_.sound, errors_),
      alreadyReadFile_(tables_, errors_),
      alreadyReadCommands_(alreadyReadFile_, tables_, persistence_),
      screenshot_(scene_.sprites(), scene_.screen(), scene_.composer(), renderer_),
      screenshotCommands_(screenshot_, errors_, scene_.sprites().console()),
      saveState_(persist::SaveStateServices{
          persist::SceneStateServices{scene_, textSprites_, platform.clock()}, messageWindow_,
          fontCommands_, sound_, interpreter_, expression_, settings_, errors_}),
      saveCommands_(saveState_, persistence_, settings_, errors_),
      frameCapture_(renderer_, platform.clock(), options_.framesDirectory, options_.screenshot) {
  if (options_.maxTime) pump_.setDeadline(*options_.maxTime);
  if (scripted_) {
    scripted_->setPositionMapper([this](std::int32_t& x, std::int32_t& y) {
      if (!mainWindow_.screenReady()) return;
      const shell::Point client = mainWindow_.gameToClient({x, y});
      x = client.x;
      y = client.y;
    });
  }
  if (options_.autoClick) autoClick_.emplace(*options_.autoClick);
}

shell::WindowServices Engine::windowServices() {
  shell::WindowServices services;
  services.beginReport = [this] {
    errors_.truncateLog();
    errors_.appendToLog(diag::machineReport(platform::machineInfo(), assets::detectCpuFeatures()));
  };
  services.appendReport = [this](std::string_view text) { errors_.appendToLog(text); };
  services.ensureSaveFolder = [this] {
    if (!persistence_.loaded() || persistence_.root().sjis.empty()) return true;
    return platform::createDirectories(persistence_.saveFolder());
  };
  services.sizeImageCache = [this] {
    assets::ImageSettings& images = settings_.images;
    if (images.cacheAutoSize == 1) {
      const std::uint64_t budget = assets::cacheBudgetFor(platform::availableMemory().value_or(0));
      images.cacheMaxSize = static_cast<std::int32_t>(budget);
    }
    imageCache_.setBudget(static_cast<std::uint64_t>(std::max(0, images.cacheMaxSize)));
  };
  services.cacheMegabytes = [this] { return settings_.images.cacheMaxSize / (1024 * 1024); };
  services.lookAhead = [this] { return settings_.images.lookaHead; };
  services.createDevice = [this](platform::Window& window, std::string& error) {
    if (options_.deviceFactory) return options_.deviceFactory(window, error);
    if (!window.hasGraphicsContext()) {
      return std::unique_ptr<render::GpuDevice>(std::make_unique<render::NullDevice>());
    }
    return render::gl::createGlDevice(window, error);
  };
  services.readFile = [this](std::string_view name, std::string& bytes) {
    return files_.exists(name, 1.0) && files_.loadText(name, bytes);
  };
  services.endRun = [this] { interpreter_.setEnded(); };
  return services;
}

sound::SoundServices Engine::soundServices() {
  return sound::SoundServices{platform_.audio(),
                              platform_.clock(),
                              settings_.sound,
                              errors_,
                              [this](std::string_view name, std::vector<std::uint8_t>& bytes) {
                                std::string text;
                                if (!files_.loadText(name, text)) return false;
                                bytes.assign(text.begin(), text.end());
                                return true;
                              },
                              [this] { return scene_.sprites().jumpMode() != 0; },
                              [this](std::string_view notice) {
                                // Said in the log and on the terminal, not in
                                // a box: a machine without sound plays the game
                                // all the same.
                                errors_.appendToLog(std::string(notice) + "\n");
                                util::StderrReporter("tsuzuri: ").report(notice);
                              }};
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
  drawCommands_.registerWith(registry_);
  windowCommands_.registerWith(registry_);
  fileCommands_.registerWith(registry_);
  scene_.install(drawCommands_, registry_);
  textSprites_.registerWith(registry_);
  textSprites_.setMessageFont([this] {
    const text::MessageFont f = fontCommands_.current();
    return text::SpriteFont{f.name, 0, f.style, f.colour1, f.colour2, f.colour3};
  });
  fontCommands_.registerWith(registry_);
  messageCommands_.registerWith(registry_);
  backlogCommands_.registerWith(registry_);
  systemCommands_.registerWith(registry_);
  eventWaitCommands_.registerWith(registry_);
  soundCommands_.registerWith(registry_);
  persistence_.addLoadedHook([this] { sound_.applySettings(); });
  // Delayed sound commands start with the frame that reaches their time; a
  // window without the focus is silent unless the player wants otherwise.
  scene_.setSoundEventHook([this](std::uint32_t now) {
    sound_.setMuted(settings_.sound.globalFocus == 0 && (mainWindow_.systemFlags() & 2) == 0);
    sound_.runDue(now);
  });
  messageWindow_.modes().setSoundRestart([this] { sound_.restartRemembered(); });
  saveCommands_.registerWith(registry_);
  alreadyReadCommands_.registerWith(registry_);
  persistence_.addLoadedHook([this] { alreadyReadCommands_.load(); });
  screenshotCommands_.registerWith(registry_);
  screenshot_.setWideAspectSource([this] { return mainWindow_.wide(); });
  messageWindow_.modes().setSpriteRebuild([this] {
    persist::rebuildJumpedSprites(
        persist::SceneStateServices{scene_, textSprites_, platform_.clock()});
  });
  // The event waits read close requests: closing the window asks the game.
  mainWindow_.setCloseRequestsRead(true);
  // A system that reports no wheel lines counts as three.
  const std::int32_t wheelLines = platform_.input().wheelScrollLines();
  eventWait_.setWheelStep(wheelLines == 0 ? 40 : wheelLines < 0 ? 0 : 120 / wheelLines);
  pump_.setIdle([this] { systemCommands_.advanceCursorMove(); });
  tooltip_.setFontSource([this] { return fontCommands_.current(); });
  eventWait_.setTooltip([this](const scene::ButtonRecord* button) { tooltip_.show(button); });
  scene_.composer().setOverlayDrawer([this] { tooltip_.draw(); });
  // draw2 draws while the message text is still fading in.
  scene_.setRunningTest([this] { return messageWindow_.fading(); });
  scene_.addReleaseHook([this] { tooltip_.release(); });
  messageCommands_.setTooltipRemover([this] { tooltip_.show(nullptr); });
  if (autoClick_) {
    eventWait_.setPollObserver([this](std::uint32_t now, bool happened) {
      autoClick_->poll(now, happened);
      if (!autoClick_->due(now)) return;
      for (const std::uint32_t code : {platform::kMessageKeyDown, platform::kMessageKeyUp}) {
        platform::MessageRecord press;
        press.code = code;
        press.wparam = platform::kKeyReturn;
        events_.post(press);
      }
    });
  }
  messageWindow_.setFontSource([this] { return fontCommands_.current(); });
  fontCommands_.setRefont([this](const text::MessageFont&) { messageWindow_.refont(); });
  fontCommands_.setRecolour([this](const text::MessageFont&) { messageWindow_.recolour(); });
  if (options_.transcript) messageWindow_.setTranscript(options_.transcript);
  persistence_.addLoadedHook([this] { messageWindow_.takeSettings(); });
  scene_.setSystemFlagsSource([this] { return mainWindow_.systemFlags(); });
  scene::TransitionServices transitionServices;
  transitionServices.pump = &pump_;
  transitionServices.closeRequested = [this] { return mainWindow_.closeRequested(); };
  transitionServices.skipping = [this] { return messageWindow_.modes().skipInEffect(); };
  scene_.effects().setServices(std::move(transitionServices));
  scene_.sprites().setScreenSource([this] {
    const shell::DisplayFactors& f = mainWindow_.factors();
    scene::ScreenMetrics m;
    m.width = mainWindow_.gameWidth();
    m.height = mainWindow_.gameHeight();
    m.resolutionFactor = f.resolutionFactor;
    m.assetScale = f.assetScale;
    m.renderSize = f.renderSize;
    return m;
  });
  pump_.setDispatcher([this](const platform::MessageRecord& message) {
    return mainWindow_.handleMessage(message);
  });
  if (frameCapture_.active()) renderer_.setFrameObserver([this] { frameCapture_.frameShown(); });
  persistence_.addLoadedHook([this] {
    imageCache_.setBudget(static_cast<std::uint64_t>(std::max(0, settings_.images.cacheMaxSize)));
  });
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
  if (!frameCapture_.finish(captureError_)) {
    // Reported by the caller; the run's own outcome stands.
  }
  mainWindow_.rememberPlacementIfWindowed();
  // Once loadSetting has run, the settings (and the game's persistent
  // variables) are written before anything is cleared; not by a run that
  // gave way to one already playing the game, which writes them itself.
  if (!mainWindow_.yieldedToAnotherRun()) persistence_.saveAtShutdown();
  interpreter_.clear();
  variables_.clear();
  sound_.shutdown();
  builtinState_.clear();
  tables_.clear();
  container_.release();
  renderer_.detach();
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
  script::StatementLoop loop(interpreter_, tables_, commandTable_, container_, errors_,
                             messageWindow_);
  loop.setInterruptCheck([this] { return timeIsUp(); });
  loop.run();
  tearDown();
  if (pump_.quitSeen()) result.exitCode = pump_.record().wparam;
  result.outOfRealTime = outOfRealTime_;
  result.captureError = captureError_;
  result.framesWritten = frameCapture_.framesWritten();
  return result;
}

}  // namespace tsuzuri::core

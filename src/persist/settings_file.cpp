#include "persist/settings_file.h"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <string>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "persist/data_container.h"
#include "persist/record_text.h"
#include "platform/files.h"
#include "script/host_variables.h"
#include "util/number_text.h"
#include "util/sjis.h"

namespace tsuzuri::persist {

namespace {

// How a key is written and read.
enum class Format {
  kPlayTime,    // TotalTime: hexadecimal without prefix; written from the play time given
  kDecimal,     // the first list element, in decimal
  kFrameLimit,  // LimitFPS: decimal; reading also sets the frame pacing pair
  kColour,      // "0x" + hexadecimal; read with or without the prefix
  kText,        // the first list element as it stands
  // The trailing lines, written after the key lines, each ending in CR LF.
  kWholeText,   // "Key = text"; read as the whole value, commas included
  kPath,        // as kWholeText, with `\` written as `/`
  kProtection,  // "saveProtect=" + one "value," per save slot
  kIntegers,    // "Integer=" + one "name=value," per persistent integer
  kTexts,       // "String=" + one "name='text'," per persistent text
};

constexpr bool isTrailing(Format format) {
  return format >= Format::kWholeText;
}

using IntegerField = std::int32_t& (*)(Settings&);
using TextField = std::string& (*)(Settings&);

struct Key {
  std::string_view name;
  Format format;
  IntegerField integer = nullptr;  // for the integer formats
  TextField text = nullptr;        // for kText, kWholeText and kPath
};

template <class Group>
Group& group(Settings& settings) {
  return std::get<Group&>(std::tie(settings.display, settings.render, settings.images,
                                   settings.messages, settings.sound, settings.persist));
}

template <class Member>
struct MemberTraits;
template <class Group, class Type>
struct MemberTraits<Type Group::*> {
  using GroupType = Group;
  using FieldType = Type;
};

// The key of a member of one of the setting groups.
template <auto Member>
constexpr Key key(std::string_view name, Format format = Format::kDecimal) {
  using Traits = MemberTraits<decltype(Member)>;
  using Group = typename Traits::GroupType;
  if constexpr (std::is_same_v<typename Traits::FieldType, std::string>) {
    return {name, format, nullptr,
            [](Settings& settings) -> std::string& { return group<Group>(settings).*Member; }};
  } else {
    static_assert(std::is_same_v<typename Traits::FieldType, std::int32_t>);
    return {name, format,
            [](Settings& settings) -> std::int32_t& { return group<Group>(settings).*Member; }};
  }
}

template <std::size_t Index>
constexpr Key confirmation(std::string_view name) {
  static_assert(Index < PersistSettings::kConfirmations);
  return {name, Format::kDecimal, [](Settings& settings) -> std::int32_t& {
            return settings.persist.confirmations[Index];
          }};
}

using assets::ImageSettings;
using render::RenderSettings;
using shell::DisplaySettings;
using sound::SoundSettings;
using text::MessageSettings;

// Every key of setting.dat in the order of the file.
constexpr Key kKeys[] = {
    {"TotalTime", Format::kPlayTime},
    key<&DisplaySettings::startingSetUp>("StartingSetUp"),
    key<&DisplaySettings::resolutionWindow>("ResolutionWindow"),
    key<&DisplaySettings::resolution>("Resolution"),
    key<&DisplaySettings::fullScreen>("FullScreen"),
    key<&DisplaySettings::screenAspect>("ScreenAspect"),
    key<&DisplaySettings::fullMode>("FullMode"),
    key<&DisplaySettings::windowWidth>("WindowWidth"),
    key<&DisplaySettings::windowHeight>("WindowHeight"),
    key<&DisplaySettings::windowChange>("WindowChange"),
    key<&DisplaySettings::windowMenu>("WindowMenu"),
    key<&DisplaySettings::menuLock1>("MenuLock1"),
    key<&DisplaySettings::windowPos>("WindowPos"),
    key<&DisplaySettings::clientLeft>("ClientLeft"),
    key<&DisplaySettings::clientTop>("ClientTop"),
    key<&DisplaySettings::windowMost>("WindowMost"),
    key<&ImageSettings::cacheAutoSize>("CacheAutoSize"),
    key<&ImageSettings::cacheMaxSize>("CacheMaxSize"),
    key<&ImageSettings::lookaHead>("LookaHead"),
    key<&RenderSettings::hardwareVertex>("HardwareVertex"),
    key<&RenderSettings::vertexShader>("VertexShader"),
    key<&RenderSettings::pixelShader>("PixelShader"),
    key<&RenderSettings::interpolation>("Interpolation"),
    key<&RenderSettings::textureMax>("TextureMax"),
    key<&RenderSettings::texturePow2>("TexturePow2"),
    key<&RenderSettings::textureSquare>("TextureSquare"),
    key<&RenderSettings::mipMap>("MipMap"),
    key<&RenderSettings::colorMode>("ColorMode"),
    key<&RenderSettings::colorBlend>("ColorBlend"),
    key<&RenderSettings::vSyncWait>("VSyncWait"),
    key<&RenderSettings::limitFPS>("LimitFPS", Format::kFrameLimit),
    key<&ImageSettings::mmx>("MMX"),
    key<&ImageSettings::sse>("SSE"),
    key<&ImageSettings::sse2>("SSE2"),
    key<&ImageSettings::thread>("Thread"),
    key<&DisplaySettings::powerSaver>("PowerSaver"),
    key<&DisplaySettings::taskTray>("TaskTray"),
    key<&DisplaySettings::systemActive>("SystemActive"),
    key<&DisplaySettings::cursorClear>("CursorClear"),
    key<&DisplaySettings::cursorMove>("CursorMove"),
    key<&RenderSettings::effectSkip>("EffectSkip"),
    key<&RenderSettings::effectCancel>("EffectCancel"),
    confirmation<0>("ConfirmSave"),
    confirmation<1>("ConfirmLoad"),
    confirmation<2>("ConfirmQSave"),
    confirmation<3>("ConfirmQLoad"),
    confirmation<4>("ConfirmMove"),
    confirmation<5>("ConfirmDelete"),
    confirmation<6>("ConfirmBack"),
    confirmation<7>("ConfirmNext"),
    confirmation<8>("ConfirmFormat"),
    confirmation<9>("ConfirmReplay"),
    confirmation<10>("ConfirmTitle"),
    confirmation<11>("ConfirmExit"),
    key<&MessageSettings::textSpeed>("TextSpeed"),
    key<&MessageSettings::messageClick>("MessageClick"),
    key<&MessageSettings::messageFade>("MessageFade"),
    key<&MessageSettings::pointWait>("PointWait"),
    key<&MessageSettings::autoWait>("AutoWait"),
    key<&MessageSettings::autoChar>("AutoChar"),
    key<&MessageSettings::alreadyReadSkip>("AlreadyReadSkip"),
    key<&MessageSettings::alreadyReadAutoSkip>("AlreadyReadAutoSkip"),
    key<&MessageSettings::alreadyReadMoment>("AlreadyReadMoment"),
    key<&MessageSettings::selectSkipMode>("SelectSkipMode"),
    key<&MessageSettings::selectAutoMode>("SelectAutoMode"),
    key<&MessageSettings::fontFile>("FontFile", Format::kText),
    key<&MessageSettings::fontStyle>("FontStyle"),
    key<&MessageSettings::fontColor1>("FontColor1", Format::kColour),
    key<&MessageSettings::fontColor2>("FontColor2", Format::kColour),
    key<&MessageSettings::fontColor3>("FontColor3", Format::kColour),
    key<&MessageSettings::windowAlpha>("WindowAlpha"),
    key<&SoundSettings::hardwareSound>("HardwareSound"),
    key<&SoundSettings::streamBufferSize>("StreamBufferSize"),
    key<&SoundSettings::globalFocus>("GlobalFocus"),
    key<&SoundSettings::masterVolume>("MasterVolume"),
    key<&SoundSettings::masterMute>("MasterMute"),
    key<&SoundSettings::movieVolume>("MovieVolume"),
    key<&SoundSettings::movieMute>("MovieMute"),
    key<&SoundSettings::bgmVolume>("BgmVolume"),
    key<&SoundSettings::bgmMute>("BgmMute"),
    key<&SoundSettings::seVolume>("SeVolume"),
    key<&SoundSettings::seMute>("SeMute"),
    key<&SoundSettings::sysSeVolume>("SysSeVolume"),
    key<&SoundSettings::sysSeMute>("SysSeMute"),
    key<&SoundSettings::voVolume>("VoVolume"),
    key<&SoundSettings::voMute>("VoMute"),
    key<&SoundSettings::sysVoVolume>("SysVoVolume"),
    key<&SoundSettings::sysVoMute>("SysVoMute"),
    key<&SoundSettings::voiceCancel>("VoiceCancel"),
    key<&SoundSettings::voiceWait>("VoiceWait"),
    key<&SoundSettings::bgmVolDown>("BgmVolDown"),
    key<&SoundSettings::bgmMax>("BgmMax"),
    key<&SoundSettings::bgmMin>("BgmMin"),
    key<&SoundSettings::seVolDown>("SeVolDown"),
    key<&SoundSettings::seMax>("SeMax"),
    key<&SoundSettings::seMin>("SeMin"),
    key<&SoundSettings::fadeVolDown>("FadeVolDown"),
    key<&DisplaySettings::cursorFile>("CursorFile", Format::kWholeText),
    key<&DisplaySettings::wallPaper>("WallPaper", Format::kPath),
    {"saveProtect", Format::kProtection},
    {"Integer", Format::kIntegers},
    {"String", Format::kTexts},
};

// The writer puts the trailing lines after the block of key lines.
constexpr bool trailingLinesComeLast() {
  bool trailing = false;
  for (const Key& k : kKeys) {
    if (trailing && !isTrailing(k.format)) return false;
    trailing = isTrailing(k.format);
  }
  return true;
}
static_assert(trailingLinesComeLast());

// The persistent script variables are those whose names begin with this.
constexpr std::string_view kPersistentPrefix = "s_";

std::uint32_t readHex(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  return util::stoi16(text);
}

}  // namespace

std::string SettingsFile::text(std::uint32_t totalTime) const {
  const script::Variables& variables = expression_.variables();
  std::string out;
  bool trailing = false;
  for (const Key& k : kKeys) {
    if (!isTrailing(k.format)) {
      if (!out.empty()) out += "\r\n";
      out.append(k.name).append(" = ");
    } else if (!trailing) {
      out += "\r\n";
      trailing = true;
    }
    switch (k.format) {
      case Format::kPlayTime:
        out += util::itos16(static_cast<std::int32_t>(totalTime));
        break;
      case Format::kDecimal:
      case Format::kFrameLimit:
        out += util::itos10(k.integer(settings_));
        break;
      case Format::kColour:
        out.append("0x").append(util::itos16(k.integer(settings_)));
        break;
      case Format::kText:
        out += k.text(settings_);
        break;
      case Format::kWholeText:
        out.append(k.name).append(" = ").append(k.text(settings_)).append("\r\n");
        break;
      case Format::kPath:
        out.append(k.name).append(" = ");
        out.append(util::toForwardSlashes(k.text(settings_))).append("\r\n");
        break;
      case Format::kProtection:
        out.append(k.name).append("=");
        for (const std::int32_t flag : settings_.persist.saveProtect) {
          out.append(util::itos10(flag)).append(",");
        }
        out += "\r\n";
        break;
      case Format::kIntegers:
        out.append(k.name).append("=");
        appendIntegerItems(out, variables, kPersistentPrefix);
        out += "\r\n";
        break;
      case Format::kTexts:
        out.append(k.name).append("=");
        appendTextItems(out, variables, kPersistentPrefix);
        out += "\r\n";
        break;
    }
  }
  return out;
}

void SettingsFile::apply(std::string_view text) {
  const auto values = keyValues(text);
  for (const Key& k : kKeys) {
    const auto found = values.find(k.name);
    if (found == values.end()) continue;
    const std::string_view value = found->second;
    switch (k.format) {
      case Format::kPlayTime:
        settings_.persist.totalTime = readHex(firstElement(value));
        break;
      case Format::kDecimal:
        k.integer(settings_) = util::stoi10(firstElement(value));
        break;
      case Format::kFrameLimit:
        k.integer(settings_) = util::stoi10(firstElement(value));
        setFramePacing(k.integer(settings_));
        break;
      case Format::kColour:
        k.integer(settings_) = static_cast<std::int32_t>(readHex(firstElement(value)));
        break;
      case Format::kText:
        k.text(settings_) = std::string(firstElement(value));
        break;
      case Format::kWholeText:
      case Format::kPath:
        k.text(settings_) = std::string(value);
        break;
      case Format::kProtection: {
        const auto flags = listElements(value);
        auto& protect = settings_.persist.saveProtect;
        for (std::size_t i = 0; i < flags.size() && i < protect.size(); ++i) {
          protect[i] = util::stoi10(flags[i]);
        }
        break;
      }
      case Format::kIntegers:
        recreateIntegers(expression_, value);
        break;
      case Format::kTexts:
        recreateTexts(expression_, value);
        break;
    }
  }
}

void SettingsFile::setFramePacing(std::int32_t framesPerSecond) {
  // A limit of 0 means none; a negative one is no rate at all and is taken
  // as none too.
  if (framesPerSecond <= 0) return;
  const std::int32_t divisor = std::gcd(1000, framesPerSecond);
  settings_.render.pacingMilliseconds = 1000 / divisor;
  settings_.render.pacingFrames = framesPerSecond / divisor;
}

SettingsFile::ReadResult SettingsFile::read(const std::string& nativePath, std::string_view name) {
  if (platform::fileKind(nativePath) == platform::FileKind::kMissing) return ReadResult::kMissing;
  const std::optional<std::string> text = loadDataZlib(nativePath, name, true, reporter_);
  if (!text) return ReadResult::kFailed;
  apply(*text);
  return ReadResult::kRead;
}

bool SettingsFile::write(const std::string& nativePath, std::string_view name,
                         std::uint32_t totalTime) {
  const std::size_t slash = nativePath.rfind('/');
  // A folder that cannot be made is reported when the file cannot be opened.
  if (slash != std::string::npos && slash > 0) {
    static_cast<void>(platform::createDirectories(nativePath.substr(0, slash)));
  }
  return saveDataZlib(nativePath, name, text(totalTime), true, reporter_);
}

}  // namespace tsuzuri::persist

#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <set>

#include "util/sjis.h"

namespace tsuzuri::platform {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
struct ObjectSetDeleter {
  void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSet = std::unique_ptr<FcFontSet, FontSetDeleter>;
using ObjectSet = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;

const FcChar8* fcText(const char* text) {
  return reinterpret_cast<const FcChar8*>(text);
}

const char* plainText(const FcChar8* text) {
  return reinterpret_cast<const char*>(text);
}

// Loads the system's configuration once; every later call shares it. It
// is released at exit: fontconfig stores many of its pointers as encoded
// offsets, which leak checkers cannot follow, so what is still held at the
// end would be reported as lost.
bool initialised() {
  static const bool ok = [] {
    if (FcInit() != FcTrue) return false;
    static_cast<void>(std::atexit(FcFini));
    return true;
  }();
  return ok;
}

// The game's name in UTF-8. Codes without a Unicode character convert to
// U+0000, which would end the C string that fontconfig takes, so they go.
std::string familyInUtf8(std::string_view sjis) {
  std::string utf8 = util::sjisToUtf8(sjis);
  std::erase(utf8, '\0');
  return utf8;
}

// The generic family a Windows face name belongs to: Mincho faces are the
// Japanese serif, everything else (Gothic above all) the sans-serif.
const char* genericFamily(const std::string& utf8) {
  std::string lower = utf8;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  // The source is UTF-8, so is this literal.
  if (utf8.find("明朝") != std::string::npos || lower.find("mincho") != std::string::npos) {
    return "serif";
  }
  return "sans-serif";
}

bool coversJapanese(FcPattern* font) {
  FcLangSet* languages = nullptr;
  if (FcPatternGetLangSet(font, FC_LANG, 0, &languages) != FcResultMatch) return false;
  return FcLangSetHasLang(languages, fcText("ja")) != FcLangDifferentLang;
}

// A family name as fontconfig compares them: ASCII case and blanks ignored.
std::string foldedFamily(std::string_view name) {
  std::string out;
  for (const char c : name) {
    if (c != ' ') out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return out;
}

bool hasFamily(FcPattern* font, const std::string& family) {
  const std::string wanted = foldedFamily(family);
  if (wanted.empty()) return false;
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (foldedFamily(plainText(name)) == wanted) return true;
  }
  return false;
}

std::optional<FontLocation> locationOf(FcPattern* font) {
  FcBool scalable = FcFalse;
  if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) {
    return std::nullopt;
  }
  FcChar8* file = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  int index = 0;
  if (FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  return FontLocation{plainText(file), index};
}

bool startsListedName(std::string_view name, bool vertical) {
  if (name.empty()) return false;
  const auto first = static_cast<unsigned char>(name.front());
  if (first == '@') return vertical;
  return (first < 0x80 && std::isalpha(first)) || util::isSjisLeadByte(first);
}

// The name a font list shows for a face: its Japanese family name when it
// has one, else the first that Shift_JIS can spell.
std::optional<std::string> listedName(FcPattern* font) {
  std::vector<std::string> japanese;
  std::vector<std::string> others;
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    FcChar8* language = nullptr;
    const bool isJapanese =
        FcPatternGetString(font, FC_FAMILYLANG, i, &language) == FcResultMatch &&
        FcStrCmpIgnoreCase(language, fcText("ja")) == 0;
    (isJapanese ? japanese : others).emplace_back(plainText(name));
  }
  japanese.insert(japanese.end(), others.begin(), others.end());
  for (const auto& candidate : japanese) {
    if (auto sjis = util::utf8ToSjisStrict(candidate)) return sjis;
  }
  return std::nullopt;
}

bool isTrueTypeOrOpenType(FcPattern* font) {
  FcChar8* format = nullptr;
  if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) != FcResultMatch) return false;
  return FcStrCmp(format, fcText("TrueType")) == 0 || FcStrCmp(format, fcText("CFF")) == 0;
}

bool hasFixedPitch(FcPattern* font) {
  int spacing = FC_PROPORTIONAL;
  if (FcPatternGetInteger(font, FC_SPACING, 0, &spacing) != FcResultMatch) return false;
  return spacing == FC_DUAL || spacing == FC_MONO || spacing == FC_CHARCELL;
}

}  // namespace

std::optional<FontLocation> findInstalledFont(std::string_view family, bool bold) {
  if (!initialised()) return std::nullopt;
  const std::string utf8 = familyInUtf8(family);
  Pattern pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  if (!utf8.empty()) FcPatternAddString(pattern.get(), FC_FAMILY, fcText(utf8.c_str()));
  FcPatternAddString(pattern.get(), FC_FAMILY, fcText(genericFamily(utf8)));
  FcPatternAddString(pattern.get(), FC_LANG, fcText("ja"));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return std::nullopt;
  FcDefaultSubstitute(pattern.get());

  FcResult result = FcResultNoMatch;
  const FontSet sorted(FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result));
  if (!sorted) return std::nullopt;
  std::optional<FontLocation> fallback;
  for (int i = 0; i < sorted->nfont; ++i) {
    FcPattern* font = sorted->fonts[i];
    auto location = locationOf(font);
    if (!location) continue;
    if (hasFamily(font, utf8) || coversJapanese(font)) return location;
    if (!fallback) fallback = std::move(location);
  }
  return fallback;
}

bool addApplicationFont(std::string_view path) {
  if (!initialised() || path.empty() || path.find('\0') != std::string_view::npos) return false;
  const std::string file(path);
  // fontconfig accepts files without a face in them; only a face counts here.
  int faces = 0;
  Pattern first(FcFreeTypeQuery(fcText(file.c_str()), 0, nullptr, &faces));
  if (!first) return false;
  return FcConfigAppFontAddFile(nullptr, fcText(file.c_str())) == FcTrue;
}

std::vector<std::string> installedJapaneseFamilies(bool vertical, bool fixedPitchOnly) {
  if (!initialised()) return {};
  Pattern pattern(FcPatternCreate());
  const ObjectSet objects(FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_SPACING, FC_FONTFORMAT,
                                           FC_SCALABLE, FC_LANG, nullptr));
  if (!pattern || !objects) return {};
  FcPatternAddString(pattern.get(), FC_LANG, fcText("ja"));
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  const FontSet fonts(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!fonts) return {};

  std::set<std::string> names;
  for (int i = 0; i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    // The pattern's language only asks; the face must really cover Japanese.
    if (!coversJapanese(font) || !isTrueTypeOrOpenType(font)) continue;
    if (fixedPitchOnly && !hasFixedPitch(font)) continue;
    auto name = listedName(font);
    if (name && startsListedName(*name, vertical)) names.insert(std::move(*name));
  }
  return {names.begin(), names.end()};
}

}  // namespace tsuzuri::platform

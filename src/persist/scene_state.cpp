#include "persist/scene_state.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tsuzuri::persist {

namespace {

using scene::MotionStep;
using scene::MotionTrack;
using scene::QuakeAxis;
using scene::SpriteRecord;
using scene::SpriteSlot;
using scene::SpriteTable;

// The motion lists in the order a record holds them, with their keys.
struct ListKey {
  int list;
  const char* key;
};
constexpr std::array<ListKey, scene::kMotionListCount> kListKeys = {{
    {scene::kMotionAlpha, "ImageA"},
    {scene::kMotionCell, "ImageL"},
    {scene::kMotionColour, "ImageC"},
    {scene::kMotionMask, "ImageM"},
    {scene::kMotionSwitch, "ImageS"},
    {scene::kMotionX, "ImageX"},
    {scene::kMotionY, "ImageY"},
    {scene::kMotionW, "ImageW"},
    {scene::kMotionH, "ImageH"},
    {scene::kMotionRotX, "ImageRX"},
    {scene::kMotionRotY, "ImageRY"},
    {scene::kMotionRotZ, "ImageRZ"},
}};

// The fields of an Image line after the name (the first field).
enum ImageField : std::size_t {
  kMaskName,
  kKindOrFont,
  kTextSize,
  kTextStyle,
  kTextColour1,
  kTextColour2,
  kTextColour3,
  kOrder,
  kQuakeX,
  kQuakeY = kQuakeX + 7,
  kEffects = kQuakeY + 7,
  kFlags = kEffects + scene::kEffectCount,
  kAlpha,
  kBlend,
  kColourMode,
  kColour,
  kWidth,
  kHeight,
  kX,
  kY,
  kScaleX,
  kScaleY,
  kRotX,
  kRotY,
  kRotZ,
  kAnchorX,
  kAnchorY,
  kCellAndLayout,
  kLayer,
  kMaskValue1,
  kMaskValue2,
  kMaskMode,
  kAutoDelete,
  kFieldsAfterName
};

std::uint32_t elapsedSince(std::uint32_t now, std::uint32_t start) {
  return start == 0 ? 0 : now - start;
}

// The record's "%lu" fields are 32-bit on the platform the format comes from.
unsigned long ul(std::uint32_t value) {
  return value;
}
unsigned long ul(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}
unsigned hex(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}

std::string keyOf(const char* prefix, std::int32_t slot) {
  std::string key;
  appendFormat(key, "%s%d", prefix, slot);
  return key;
}

std::string stepKey(const char* prefix, std::int32_t slot, std::size_t step) {
  std::string key;
  appendFormat(key, "%s%d_%zu", prefix, slot, step);
  return key;
}

// How a slot's picture is made again.
struct Picture {
  std::string name;
  std::string maskName;
  char kind = scene::kKindImage;
  bool text = false;
  text::SpriteFont font;               // text sprites
  std::uint32_t flags = 0;             // as created
  std::int32_t width = 0, height = 0;  // standing pictures and canvases
  std::int32_t cellLayout = 0;         // images
  scene::CutRect cut;                  // images (a save line has none)
  std::int32_t maskParam1 = 0, maskParam2 = 0;
};

// What both records of a slot show, besides the picture.
struct Look {
  std::uint32_t flags = 0;
  std::int32_t alpha = 255, blend = 1, colourMode = 0, colour = 0;
  float x = 0, y = 0, scaleX = 1, scaleY = 1, rotX = 0, rotY = 0, rotZ = 0;
  std::int32_t anchorX = 1, anchorY = 1, cell = 0, layer = 0;
  std::int32_t maskValue1 = 0, maskValue2 = 0, maskMode = 0;
};

Look lookOf(const SpriteRecord& r) {
  return {r.flags,  r.alpha,  r.blend,      r.colourMode, r.colour,  r.x,       r.y,
          r.scaleX, r.scaleY, r.rotX,       r.rotY,       r.rotZ,    r.anchorX, r.anchorY,
          r.cell,   r.layer,  r.maskValue1, r.maskValue2, r.maskMode};
}

void applyLook(SpriteRecord& r, const Look& look) {
  r.flags = look.flags;
  r.blend = look.blend;
  r.colourMode = look.colourMode;
  r.colour = look.colour;
  r.x = look.x;
  r.y = look.y;
  r.scaleX = look.scaleX;
  r.scaleY = look.scaleY;
  r.rotX = look.rotX;
  r.rotY = look.rotY;
  r.rotZ = look.rotZ;
  r.layer = look.layer;
  r.maskValue1 = look.maskValue1;
  r.maskValue2 = look.maskValue2;
  r.maskMode = look.maskMode;
  // The quads around the anchor, then the cell and the alpha they show,
  // as sp_cxy, sp_l and sp_a leave them.
  if ((r.anchorX != look.anchorX || r.anchorY != look.anchorY) && r.tiles.tileCount > 0 &&
      r.tiles.texW > 0 && r.tiles.texH > 0) {
    scene::placeQuads(r.tiles, r.imageW, r.imageH, r.cellLayout, look.anchorX, look.anchorY);
  }
  r.anchorX = look.anchorX;
  r.anchorY = look.anchorY;
  r.cell = look.cell;
  if (r.cellLayout != 0) scene::selectCell(r.tiles, r.cellLayout, look.cell);
  r.alpha = look.alpha;
  scene::setVertexAlpha(r, look.alpha);
  r.dirty = true;
}

// Makes the slot's picture by its creation kind, shows it at once with its
// mask and look, and puts it in its layer with its order. False (the slot
// then holds no picture) when it could not be made.
bool makePicture(const SceneStateServices& s, std::int32_t slot, const Picture& p, const Look& look,
                 std::int32_t order) {
  SpriteTable& table = s.scene.sprites();
  scene::SpriteCommands& commands = s.scene.commands();
  bool made = false;
  if (p.text) {
    made = s.textSprites.create(slot, p.name, p.flags, p.font);
  } else if ((p.kind & scene::kKindStand) != 0) {
    made = commands.loadStanding(slot, p.name, p.flags, p.width, p.height);
  } else if ((p.kind & scene::kKindMovie) != 0) {
    made = false;  // movies are not made again
  } else if ((p.kind & scene::kKindCanvas) != 0) {
    made = commands.makeCanvas(slot, p.width, p.height, p.flags & 0xFF);
  } else {
    made = commands.loadImage(slot, p.name, p.flags, p.cellLayout, p.cut);
  }
  if (!made) return false;
  // The new picture becomes the front record, which the mask goes into.
  table.commitSlot(slot);
  if (!p.maskName.empty()) {
    static_cast<void>(commands.loadMask(slot, p.maskName, look.maskValue1, look.maskValue2,
                                        look.maskMode + 1, p.maskParam1, p.maskParam2));
  }
  for (SpriteRecord* r : {table.front(slot), table.back(slot)}) {
    if (r != nullptr) applyLook(*r, look);
  }
  table.slot(slot).order = order;
  table.registerInLayer(slot, look.layer);
  return true;
}

// A record made in jump mode: its sizes, but neither textures nor a target.
bool withoutPicture(const SpriteRecord* r) {
  return r != nullptr && r->tileTexture[0] == render::kNoTexture &&
         r->targetSurface == render::kNoTexture;
}

// ---- Writing ----

std::int32_t screenWaveform(const QuakeAxis& axis) {
  if (!axis.on()) return 0;
  return axis.mode == 0 ? 1 : 2;
}

void writeScreen(const scene::ScreenState& screen, std::uint32_t now, std::string& out) {
  const QuakeAxis& qx = screen.quake(false);
  const QuakeAxis& qy = screen.quake(true);
  appendFormat(out, "ScQ=%lu, %d,%d, %d,%d, %d,%d, %lu,%lu, %lu,%lu, %g,%g, %d,%d\n",
               ul(screen.quakeTargets()), qx.amplitude, qy.amplitude, qx.count, qy.count, qx.easing,
               qy.easing, ul(elapsedSince(now, qx.startTime)), ul(elapsedSince(now, qy.startTime)),
               ul(qx.period), ul(qy.period), static_cast<double>(qx.offset),
               static_cast<double>(qy.offset), screenWaveform(qx), screenWaveform(qy));
  const auto m = [&screen](int axis) -> const scene::ScreenMotion& { return screen.motion(axis); };
  using scene::kScrollX, scene::kScrollY, scene::kZoomX, scene::kZoomY;
  appendFormat(out,
               "ScXYWH=%d,%d,%d,%d, %lu,%lu,%lu,%lu, %lu,%lu,%lu,%lu, %d,%d,%d,%d, %d,%d,%d,%d, "
               "%g,%g,%g,%g\n",
               m(kScrollX).easing, m(kScrollY).easing, m(kZoomX).easing, m(kZoomY).easing,
               ul(m(kScrollX).startTime), ul(m(kScrollY).startTime), ul(m(kZoomX).startTime),
               ul(m(kZoomY).startTime), ul(m(kScrollX).duration), ul(m(kScrollY).duration),
               ul(m(kZoomX).duration), ul(m(kZoomY).duration), m(kScrollX).base, m(kScrollY).base,
               m(kZoomX).base, m(kZoomY).base, m(kScrollX).change, m(kScrollY).change,
               m(kZoomX).change, m(kZoomY).change, static_cast<double>(screen.value(kScrollX)),
               static_cast<double>(screen.value(kScrollY)),
               static_cast<double>(screen.value(kZoomX)),
               static_cast<double>(screen.value(kZoomY)));
}

// Writes the steps of a slot's motions; the first step of each list, for
// the values the Image line takes from it.
std::array<const MotionStep*, scene::kMotionListCount> writeMotions(scene::MotionLists& motions,
                                                                    std::int32_t slot,
                                                                    std::uint32_t now,
                                                                    std::string& out) {
  std::array<const MotionStep*, scene::kMotionListCount> first{};
  for (const ListKey& k : kListKeys) {
    const MotionTrack* track = motions.track(k.list, slot);
    if (track == nullptr) continue;
    if (track->empty()) {
      motions.cancel(k.list, slot);
      continue;
    }
    first[static_cast<std::size_t>(k.list)] = &track->steps.front();
    for (std::size_t i = 0; i < track->steps.size(); ++i) {
      const MotionStep& step = track->steps[i];
      appendFormat(out, "%s%d_%zu=%lu,%d,%d, %d,%d,%d,%d", k.key, slot, i,
                   ul(elapsedSince(now, step.startTime)), step.stepFlags, step.passes,
                   step.startValue, step.targetValue, step.duration, step.easing);
      if (k.list == scene::kMotionMask) appendFormat(out, ",%d", step.extra);
      if (k.list == scene::kMotionSwitch) appendFormat(out, ",%s", step.fileName.c_str());
      out += '\n';
    }
  }
  return first;
}

void writeSprite(const SceneStateServices& s, std::int32_t slot, std::uint32_t now,
                 std::string& out) {
  SpriteTable& table = s.scene.sprites();
  const SpriteRecord* saved = table.buffer(slot, 0);
  const SpriteRecord* r = table.front(slot);
  if (!table.registeredLayer(slot) || saved == nullptr || r == nullptr ||
      (saved->flags & scene::kFlagNotSaved) != 0) {
    return;
  }
  const SpriteSlot& sl = table.slot(slot);
  const auto first = writeMotions(s.scene.motions(), slot, now, out);
  // A property in motion is saved at the start of its motion, which the
  // restored steps then replay.
  const auto start = [&first](int list) { return first[static_cast<std::size_t>(list)]; };
  const auto startOr = [&start](int list, float value, float divisor = 1) {
    const MotionStep* step = start(list);
    return static_cast<double>(step != nullptr ? static_cast<float>(step->startValue) / divisor
                                               : value);
  };
  const std::int32_t alpha =
      start(scene::kMotionAlpha) != nullptr ? start(scene::kMotionAlpha)->startValue : r->alpha;
  const std::int32_t colour =
      start(scene::kMotionColour) != nullptr ? start(scene::kMotionColour)->startValue : r->colour;
  const MotionStep* mask = start(scene::kMotionMask);
  const std::int32_t maskValue1 = mask != nullptr ? mask->extra : r->maskValue1;
  const std::int32_t maskValue2 = mask != nullptr ? mask->startValue : r->maskValue2;
  // The size a standing picture or canvas is asked for again.
  std::int32_t width = r->cellW();
  std::int32_t height = r->cellH();
  const scene::ScreenMetrics m = table.screen();
  if (m.resolutionFactor > 1.0) {
    if (r->resolutionClass == 2 && m.assetScale > 0) {
      width = static_cast<std::int32_t>(r->cellW() / m.assetScale + 0.5);
      height = static_cast<std::int32_t>(r->cellH() / m.assetScale + 0.5);
    } else {
      width = r->imageW;
      height = r->imageH;
    }
  }
  const bool text = sl.textParams[0] != 0;
  const std::string kindOrFont =
      text ? sl.fontName : (sl.kind == scene::kKindImage ? std::string() : std::string(1, sl.kind));
  const auto& tp = sl.textParams;
  const QuakeAxis& qx = sl.quakeX;
  const QuakeAxis& qy = sl.quakeY;
  const auto& e = sl.effects;
  appendFormat(
      out,
      "Image%d=%s,%s,%s,%d,%d,%X,%X,%X,%d, %d,%d,%d,%d,%lu,%lu,%g, %d,%d,%d,%d,%lu,%lu,%g, "
      "%d,%d,%d,%d,%d,%d,%d,%d, %d,%lu,%d,%d,%X,%d,%d,%g,%g,%g,%g,%g,%g,%g,%d,%d,%d,%d,%d,%d,%d, "
      "%d\n",
      slot, sl.name.c_str(), sl.maskName.c_str(), kindOrFont.c_str(), tp[0], tp[1], hex(tp[2]),
      hex(tp[3]), hex(tp[4]), sl.order, qx.amplitude, qx.count, qx.easing, qx.mode,
      ul(elapsedSince(now, qx.startTime)), ul(qx.period), static_cast<double>(qx.offset),
      qy.amplitude, qy.count, qy.easing, qy.mode, ul(elapsedSince(now, qy.startTime)),
      ul(qy.period), static_cast<double>(qy.offset), e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7],
      static_cast<std::int32_t>(r->flags), ul(alpha), r->blend, r->colourMode, hex(colour), width,
      height, startOr(scene::kMotionX, r->x), startOr(scene::kMotionY, r->y),
      startOr(scene::kMotionW, r->scaleX, 100), startOr(scene::kMotionH, r->scaleY, 100),
      startOr(scene::kMotionRotX, r->rotX), startOr(scene::kMotionRotY, r->rotY),
      startOr(scene::kMotionRotZ, r->rotZ), r->anchorX, r->anchorY, (r->cell << 8) | r->cellLayout,
      r->layer, maskValue1, maskValue2, r->maskMode, sl.autoDelete);
}

// ---- Restoring ----

// An Image line split into its name and the fields after it. The name of a
// text sprite is its text, which may hold commas: the fields a line has
// beyond those a record writes belong to the name.
struct ImageLine {
  std::string_view name;
  Fields fields;
};

ImageLine splitImageLine(std::string_view value) {
  const auto commas = static_cast<std::size_t>(std::count(value.begin(), value.end(), ','));
  const std::size_t nameCommas = commas > kFieldsAfterName ? commas - kFieldsAfterName : 0;
  std::size_t end = std::string_view::npos;
  std::size_t from = 0;
  for (std::size_t i = 0; i <= nameCommas; ++i) {
    end = value.find(',', from);
    if (end == std::string_view::npos) break;
    from = end + 1;
  }
  if (end == std::string_view::npos) return {trimmed(value), Fields()};
  return {trimmed(value.substr(0, end)), Fields(value.substr(end + 1))};
}

QuakeAxis quakeFrom(const Fields& f, std::size_t at, std::uint32_t& elapsed) {
  QuakeAxis axis;
  axis.amplitude = f.decimal(at);
  axis.count = f.decimal(at + 1);
  axis.easing = f.decimal(at + 2);
  axis.mode = f.decimal(at + 3);
  elapsed = f.unsignedDecimal(at + 4);
  axis.period = f.decimal(at + 5);
  axis.offset = static_cast<float>(f.real(at + 6));
  return axis;
}

// A restored sprite and the elapsed times of its shake.
struct Restored {
  std::int32_t slot;
  std::uint32_t quakeElapsedX, quakeElapsedY;
};

bool restoreSprite(const SceneStateServices& s, std::int32_t slot, std::string_view value,
                   Restored& restored) {
  SpriteTable& table = s.scene.sprites();
  const ImageLine line = splitImageLine(value);
  const Fields& f = line.fields;
  const std::string_view kindOrFont = f.text(kKindOrFont);
  Picture p;
  p.name = std::string(line.name);
  p.maskName = std::string(f.text(kMaskName));
  p.text = f.decimal(kTextSize) != 0;
  p.kind = p.text || kindOrFont.empty() ? scene::kKindImage : kindOrFont.front();
  // Movies are not made again: the slot stays empty.
  if (!p.text && (p.kind & scene::kKindStand) == 0 && (p.kind & scene::kKindMovie) != 0) {
    return false;
  }
  p.font.name = std::string(kindOrFont);
  p.font.size = f.decimal(kTextSize);
  p.font.style = f.decimal(kTextStyle);
  p.font.colour1 = static_cast<std::int32_t>(f.hex(kTextColour1, 0xFFFFFF));
  p.font.colour2 = static_cast<std::int32_t>(f.hex(kTextColour2, 0xFFFFFF));
  p.font.colour3 = static_cast<std::int32_t>(f.hex(kTextColour3, 0));
  p.flags = static_cast<std::uint32_t>(f.decimal(kFlags));
  p.width = f.decimal(kWidth);
  p.height = f.decimal(kHeight);
  const std::int32_t cellAndLayout = f.decimal(kCellAndLayout);
  p.cellLayout = cellAndLayout & 0xFF;

  const scene::ScreenMetrics m = table.screen();
  Look look;
  look.flags = p.flags;
  look.alpha = static_cast<std::int32_t>(f.unsignedDecimal(kAlpha, 255));
  look.blend = f.decimal(kBlend, 1);
  look.colourMode = f.decimal(kColourMode);
  look.colour = static_cast<std::int32_t>(f.hex(kColour));
  look.x = static_cast<float>(f.real(kX, m.width / 2));
  look.y = static_cast<float>(f.real(kY, m.height / 2));
  look.scaleX = static_cast<float>(f.real(kScaleX, 1));
  look.scaleY = static_cast<float>(f.real(kScaleY, 1));
  look.rotX = static_cast<float>(f.real(kRotX));
  look.rotY = static_cast<float>(f.real(kRotY));
  look.rotZ = static_cast<float>(f.real(kRotZ));
  look.anchorX = f.decimal(kAnchorX, 1);
  look.anchorY = f.decimal(kAnchorY, 1);
  look.cell = cellAndLayout >> 8;
  // A layer is another sprite's texture (0: the screen); a damaged line
  // naming a slot that cannot be one draws on the screen.
  look.layer = f.decimal(kLayer);
  if (look.layer != 0 && (!scene::SpriteTable::validSlot(look.layer) || look.layer == slot)) {
    look.layer = 0;
  }
  look.maskValue1 = f.decimal(kMaskValue1);
  look.maskValue2 = f.decimal(kMaskValue2);
  look.maskMode = f.decimal(kMaskMode);

  // The load-time effects apply to the picture made now.
  SpriteSlot& sl = table.slot(slot);
  for (std::size_t i = 0; i < scene::kEffectCount; ++i) sl.effects[i] = f.decimal(kEffects + i);
  if (!makePicture(s, slot, p, look, f.decimal(kOrder))) return false;
  sl.quakeX = quakeFrom(f, kQuakeX, restored.quakeElapsedX);
  sl.quakeY = quakeFrom(f, kQuakeY, restored.quakeElapsedY);
  sl.autoDelete = f.decimal(kAutoDelete);
  restored.slot = slot;
  return true;
}

// The saved steps of one list of a slot, their elapsed times now start
// times. The step to go on with is the first one not yet done (those before
// it in its pass are done; a step that starts later counts as not done).
MotionTrack restoreTrack(const RecordLines& record, const ListKey& k, std::int32_t slot,
                         std::uint32_t now) {
  MotionTrack track;
  bool cursorFound = false;
  for (std::size_t i = 0;; ++i) {
    const std::string key = stepKey(k.key, slot, i);
    if (!record.has(key)) break;
    const Fields f = record.fields(key);
    MotionStep step;
    const std::uint32_t elapsed = f.unsignedDecimal(0);
    step.startTime = now - elapsed;
    step.stepFlags = f.decimal(1);
    step.passes = f.decimal(2, 1);
    step.startValue = f.decimal(3);
    step.targetValue = f.decimal(4);
    // The appliers divide by the duration; commands never give below 2.
    step.duration = std::max(f.decimal(5, 2), 2);
    step.easing = f.decimal(6);
    if (k.list == scene::kMotionMask) step.extra = f.decimal(7);
    if (k.list == scene::kMotionSwitch) step.fileName = std::string(f.text(7));
    if (!cursorFound && static_cast<std::int32_t>(elapsed) < step.duration) {
      track.cursor = i;
      cursorFound = true;
    }
    track.steps.push_back(std::move(step));
  }
  return track;
}

void restoreScreen(scene::ScreenState& screen, const RecordLines& record,
                   std::array<std::uint32_t, 2>& quakeElapsed) {
  const Fields q = record.fields("ScQ");
  screen.setQuakeTargets(static_cast<std::int32_t>(q.unsignedDecimal(0)));
  for (int y = 0; y < 2; ++y) {
    const auto i = static_cast<std::size_t>(y);
    QuakeAxis& axis = screen.quake(y != 0);
    axis = QuakeAxis{};
    const std::int32_t waveform = q.decimal(13 + i);
    if (waveform == 0) continue;
    axis.amplitude = q.decimal(1 + i);
    axis.count = q.decimal(3 + i);
    axis.easing = q.decimal(5 + i);
    quakeElapsed[i] = q.unsignedDecimal(7 + i);
    axis.period = q.decimal(9 + i);
    axis.offset = static_cast<float>(q.real(11 + i));
    axis.mode = waveform == 1 ? 0 : 1;
  }
  const Fields c = record.fields("ScXYWH");
  for (int axis = 0; axis < scene::kScreenAxisCount; ++axis) {
    const auto i = static_cast<std::size_t>(axis);
    scene::ScreenMotion& motion = screen.motion(axis);
    motion.easing = c.decimal(i);
    motion.startTime = c.unsignedDecimal(4 + i);
    motion.duration = static_cast<std::int32_t>(c.unsignedDecimal(8 + i));
    motion.base = c.decimal(12 + i);
    motion.change = c.decimal(16 + i);
    const double resting = axis < scene::kZoomX ? 0 : 100;
    screen.setBoth(axis, static_cast<float>(c.real(20 + i, resting)));
  }
}

}  // namespace

void writeSceneLines(const SceneStateServices& s, std::string& out) {
  const std::uint32_t now = s.clock.now();
  writeScreen(s.scene.screen(), now, out);
  for (std::int32_t slot = 0; slot < scene::kSlotCount; ++slot) writeSprite(s, slot, now, out);
}

void clearScene(const SceneStateServices& s) {
  SpriteTable& table = s.scene.sprites();
  for (std::int32_t slot = 0; slot < scene::kSlotCount; ++slot) {
    const SpriteSlot& sl = table.slot(slot);
    if (table.front(slot) != nullptr && (sl.motionActive != 0 || sl.switching != 0)) {
      s.scene.motionCommands().endAll(slot);
    }
  }
  s.scene.motions().clear();
  // A sprite that stays keeps still where it is, not at a shake's offset.
  for (const std::int32_t slot : s.scene.quakes().slots()) {
    table.slot(slot).quakeX.stop();
    table.slot(slot).quakeY.stop();
  }
  s.scene.quakes().clear();
  for (std::int32_t slot = 0; slot < scene::kSlotCount; ++slot) {
    if (!table.occupied(slot)) continue;
    const SpriteRecord* r = table.buffer(slot, 0);
    if (r == nullptr) r = table.buffer(slot, 1);
    if ((r->flags & scene::kFlagNotSaved) == 0) table.discardSlot(slot);
  }
  scene::ScreenState& screen = s.scene.screen();
  for (int axis = 0; axis < scene::kScreenAxisCount; ++axis) {
    screen.setBoth(axis, axis < scene::kZoomX ? 0.0F : 100.0F);
    screen.motion(axis) = scene::ScreenMotion{};
  }
  screen.quake(false) = QuakeAxis{};
  screen.quake(true) = QuakeAxis{};
  // The sprites that stay are placed again without the old camera.
  for (const auto& [layer, members] : table.layers()) {
    for (const auto& [key, slot] : members) {
      for (SpriteRecord* r : {table.front(slot), table.back(slot)}) {
        if (r != nullptr) r->dirty = true;
      }
    }
  }
}

void restoreScene(const SceneStateServices& s, const RecordLines& record) {
  std::array<std::uint32_t, 2> screenQuakeElapsed{};
  restoreScreen(s.scene.screen(), record, screenQuakeElapsed);
  std::vector<Restored> restored;
  for (std::int32_t slot = 0; slot < scene::kSlotCount; ++slot) {
    const std::string key = keyOf("Image", slot);
    if (!record.has(key)) continue;
    Restored r{};
    if (restoreSprite(s, slot, record.value(key), r)) restored.push_back(r);
  }
  // Times run on from when the scene is back, not from when it was read.
  const std::uint32_t now = s.clock.now();
  scene::ScreenState& screen = s.scene.screen();
  screen.quake(false).startTime = now - screenQuakeElapsed[0];
  screen.quake(true).startTime = now - screenQuakeElapsed[1];
  SpriteTable& table = s.scene.sprites();
  for (const Restored& r : restored) {
    SpriteSlot& sl = table.slot(r.slot);
    sl.quakeX.startTime = now - r.quakeElapsedX;
    sl.quakeY.startTime = now - r.quakeElapsedY;
    if (sl.quakeX.on() || sl.quakeY.on()) s.scene.quakes().add(r.slot);
    for (const ListKey& k : kListKeys) {
      s.scene.motions().restore(k.list, r.slot, restoreTrack(record, k, r.slot, now));
    }
  }
}

void rebuildJumpedSprites(const SceneStateServices& s) {
  SpriteTable& table = s.scene.sprites();
  for (std::int32_t slot = 0; slot < scene::kSlotCount; ++slot) {
    if (!withoutPicture(table.front(slot))) continue;
    table.commitSlot(slot);
    const SpriteRecord* f = table.front(slot);
    SpriteSlot& sl = table.slot(slot);
    if (!withoutPicture(f) || sl.pending != 0 || sl.switching != 0) continue;
    const bool text = sl.textParams[0] != 0;
    if (!text && (sl.kind & scene::kKindStand) == 0 && (sl.kind & scene::kKindMovie) != 0) {
      continue;
    }
    Picture p;
    p.name = sl.name;
    p.maskName = sl.maskName;
    p.kind = sl.kind;
    p.text = text;
    p.font = {sl.fontName,      sl.textParams[0], sl.textParams[1],
              sl.textParams[2], sl.textParams[3], sl.textParams[4]};
    p.flags = f->flags;
    p.width = f->imageW;
    p.height = f->imageH;
    p.cellLayout = f->cellLayout;
    p.cut = sl.cut;
    p.maskParam1 = sl.maskParam1;
    p.maskParam2 = sl.maskParam2;
    const Look look = lookOf(*f);
    const std::int32_t order = sl.order;
    const std::int32_t autoDelete = sl.autoDelete;
    // Made as into an empty slot; the motions, shakes and button stay.
    sl.autoDelete = 0;
    table.destroyRecord(table.frontPtr(slot));
    table.destroyRecord(table.backPtr(slot));
    if (!makePicture(s, slot, p, look, order)) {
      table.slot(slot).pending = scene::kPendingDelete;
      table.commitSlot(slot);
      continue;
    }
    table.slot(slot).autoDelete = autoDelete;
  }
}

}  // namespace tsuzuri::persist

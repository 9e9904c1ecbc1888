#include "scene/motion_lists.h"

#include <cmath>
#include <string>

#include "util/sjis.h"

namespace tsuzuri::scene {

namespace {

// The float property of a geometry list and the factor between the list's
// units and the record's (percent for the scales).
struct FloatProperty {
  float SpriteRecord::*field;
  float divisor;
};

const FloatProperty* floatProperty(int list) {
  static constexpr std::array<FloatProperty, 7> kProperties = {{
      {&SpriteRecord::x, 1},
      {&SpriteRecord::y, 1},
      {&SpriteRecord::scaleX, 100},
      {&SpriteRecord::scaleY, 100},
      {&SpriteRecord::rotX, 1},
      {&SpriteRecord::rotY, 1},
      {&SpriteRecord::rotZ, 1},
  }};
  if (list < 0 || list > kMotionRotZ) return nullptr;
  return &kProperties[static_cast<std::size_t>(list)];
}

}  // namespace

MotionLists::MotionLists(SpriteTable& table, platform::Clock& clock)
    : table_(table), clock_(clock) {
  table_.addDeletionListener([this](std::int32_t slot) { dropSlot(slot); });
}

void MotionLists::reportSlot(std::int32_t slot, std::u8string_view message) {
  table_.errors().reportWithContext(std::to_string(slot) + util::toSjis(message));
}

std::int32_t MotionLists::valueOf(int list, const SpriteRecord& r) {
  if (const FloatProperty* p = floatProperty(list)) {
    return static_cast<std::int32_t>(std::trunc(r.*(p->field) * p->divisor));
  }
  switch (list) {
    case kMotionAlpha:
      return r.alpha;
    case kMotionCell:
      return r.cell;
    case kMotionColour:
      return r.colour;
    case kMotionMask:
      return r.maskValue2;
    default:
      return 0;  // a switch starts from the picture shown
  }
}

void MotionLists::setValue(int list, std::int32_t slot, std::int32_t value, std::int32_t extra) {
  for (SpriteRecord* r : {table_.front(slot), table_.back(slot)}) {
    if (r == nullptr) continue;
    if (const FloatProperty* p = floatProperty(list)) {
      r->*(p->field) = static_cast<float>(value) / p->divisor;
      r->dirty = true;
      continue;
    }
    switch (list) {
      case kMotionAlpha:
        r->alpha = value;
        setVertexAlpha(*r, value);
        break;
      case kMotionCell:
        r->cell = value;
        if (r->cellLayout != 0) selectCell(r->tiles, r->cellLayout, value);
        break;
      case kMotionColour:
        r->colour = static_cast<std::int32_t>(static_cast<std::uint32_t>(value) | 0xFF000000U);
        break;
      case kMotionMask:
        r->maskValue1 = extra;
        r->maskValue2 = value;
        break;
      default:
        break;
    }
  }
}

bool MotionLists::add(int list, std::int32_t slot, std::int32_t target, std::int32_t duration,
                      std::int32_t easing, std::int32_t modeWord, std::int32_t extra) {
  if (!SpriteTable::validSlot(slot)) {
    reportSlot(slot, u8" スプライト番号が不正です");
    return false;
  }
  const SpriteRecord* front = table_.front(slot);
  if (front == nullptr) {
    reportSlot(slot, u8" 画像が読み込まれていません");
    return false;
  }
  const AddMode mode = AddMode::from(modeWord);
  MotionStep step;
  step.stepFlags = mode.stepFlags;
  step.passes = mode.passes;
  step.targetValue = target;
  step.duration = duration;
  step.easing = easing;
  step.extra = extra;

  MotionTrack& track = lists_[static_cast<std::size_t>(list)][slot];
  if (track.empty()) {
    if ((mode.join == kJoinQueue || mode.join == kJoinAfterPass) && table_.jumpMode() == 0) {
      reportSlot(slot, u8" 追加フラグが不正です");
      return false;
    }
    step.startValue = valueOf(list, *front);
  } else {
    const MotionStep& last = track.steps.back();
    step.startValue = last.targetValue;
    switch (mode.join) {
      case kJoinReplaceHere:
        step.startValue = valueOf(list, *front);
        [[fallthrough]];
      case kJoinReplace:
        setValue(list, slot, last.targetValue, last.extra);
        track.steps.clear();
        track.cursor = 0;
        break;
      case kJoinAfterPass:
        track.steps.erase(track.steps.begin(),
                          track.steps.begin() + static_cast<std::ptrdiff_t>(track.cursor));
        track.cursor = 0;
        for (MotionStep& s : track.steps) {
          s.stepFlags |= kStepOneShot;
          s.passes = mode.passes;
        }
        break;
      default:  // queue
        break;
    }
  }

  SpriteSlot& s = table_.slot(slot);
  s.autoDelete |= step.stepFlags & kStepDeleteSprite;
  s.motionActive |= motionBit(list);
  if (table_.jumpMode() != 0 && step.passes != 0) {
    if ((step.stepFlags & kStepDeleteSprite) != 0) {
      s.pending |= kPendingDelete;
    } else {
      setValue(list, slot, step.targetValue, step.extra);
    }
  }
  step.startTime = clock_.now();
  track.steps.push_back(std::move(step));
  if (track.steps.size() == 1) track.cursor = 0;
  return true;
}

void MotionLists::queueSwitch(std::int32_t slot, const std::string& file, std::int32_t duration,
                              std::int32_t delay) {
  MotionStep step;
  step.startTime = clock_.now() + static_cast<std::uint32_t>(delay);
  step.stepFlags = kStepOneShot;
  step.passes = 1;
  step.startValue = 0;
  step.targetValue = 256;
  step.duration = duration;
  step.fileName = file;
  MotionTrack& track = lists_[kMotionSwitch][slot];
  track.steps.push_back(std::move(step));
  if (track.steps.size() == 1) track.cursor = 0;
  table_.slot(slot).motionActive |= motionBit(kMotionSwitch);
}

void MotionLists::clearBit(int list, std::int32_t slot) {
  table_.slot(slot).motionActive &= ~motionBit(list);
}

void MotionLists::advance(std::uint32_t now) {
  for (int list = 0; list < kMotionListCount; ++list) {
    Tracks& tracks = lists_[static_cast<std::size_t>(list)];
    for (auto it = tracks.begin(); it != tracks.end();) {
      const std::int32_t slot = it->first;
      MotionTrack& track = it->second;
      bool keep = !track.empty();
      // The appliers write the record on screen (and the back one when
      // there is one): a list without it has nothing to move.
      if (keep && table_.front(slot) == nullptr) {
        reportSlot(slot, u8" 画像が読み込まれていません(imList1)");
        keep = false;
      } else if (keep && table_.slot(slot).name.empty() &&
                 table_.front(slot)->targetSurface == render::kNoTexture) {
        reportSlot(slot, u8" 画像が読み込まれていません(imList2)");
        keep = false;
      }
      if (keep) {
        MotionStep& step = track.current();
        const auto elapsed = static_cast<std::int32_t>(now - step.startTime);
        if (apply(list, slot, step, elapsed)) finishStep(list, slot, track, now);
        keep = !track.empty();
      }
      if (keep) {
        ++it;
      } else {
        clearBit(list, slot);
        it = tracks.erase(it);
      }
    }
  }
}

void MotionLists::finishStep(int list, std::int32_t slot, MotionTrack& track, std::uint32_t now) {
  const MotionStep& done = track.current();
  const bool oneShot = (done.stepFlags & kStepOneShot) != 0;
  const std::size_t finished = track.cursor;
  std::int32_t passes = done.passes;
  std::size_t next = finished + 1;
  if (next == track.steps.size()) {
    passes -= 1;
    if (passes == 0) {
      if ((done.stepFlags & kStepDeleteSprite) != 0) table_.slot(slot).pending |= kPendingDelete;
      track.steps.clear();
      track.cursor = 0;
      clearBit(list, slot);
      return;
    }
    // Another pass (an endless loop counts below zero and never ends).
    next = 0;
    track.steps[next].startTime = now;
  } else if (static_cast<std::int32_t>(track.steps[next].startTime - now) < 0) {
    track.steps[next].startTime = now;
  }
  track.steps[next].passes = passes;
  track.cursor = next;
  if (oneShot) {
    track.steps.erase(track.steps.begin() + static_cast<std::ptrdiff_t>(finished));
    if (finished < track.cursor) --track.cursor;
    if (track.cursor >= track.steps.size()) track.cursor = 0;
  }
}

void MotionLists::end(std::int32_t slot, std::int32_t bits, bool evenEndless) {
  SpriteSlot& s = table_.slot(slot);
  for (int list = 0; list < kMotionListCount; ++list) {
    if ((bits & motionBit(list)) == 0 || (s.motionActive & motionBit(list)) == 0) continue;
    Tracks& tracks = lists_[static_cast<std::size_t>(list)];
    const auto it = tracks.find(slot);
    if (it != tracks.end() && !it->second.empty()) {
      const MotionTrack& track = it->second;
      if (!evenEndless && track.current().passes == 0) continue;
      const MotionStep& last = track.steps.back();
      setValue(list, slot, last.targetValue, last.extra);
      if ((track.steps.front().stepFlags & kStepDeleteSprite) != 0) s.pending |= kPendingDelete;
    }
    if (it != tracks.end()) tracks.erase(it);
    clearBit(list, slot);
  }
}

void MotionLists::cancel(int list, std::int32_t slot) {
  lists_[static_cast<std::size_t>(list)].erase(slot);
  clearBit(list, slot);
}

void MotionLists::retarget(int list, std::int32_t slot, std::int32_t value) {
  Tracks& tracks = lists_[static_cast<std::size_t>(list)];
  const auto it = tracks.find(slot);
  if (it == tracks.end()) return;
  if (it->second.empty()) {
    tracks.erase(it);
    clearBit(list, slot);
    return;
  }
  it->second.steps.back().targetValue = value;
}

std::optional<std::int32_t> MotionLists::lastTarget(int list, std::int32_t slot) const {
  const MotionTrack* t = track(list, slot);
  if (t == nullptr || t->empty()) return std::nullopt;
  return t->steps.back().targetValue;
}

const MotionTrack* MotionLists::track(int list, std::int32_t slot) const {
  const Tracks& tracks = lists_[static_cast<std::size_t>(list)];
  const auto it = tracks.find(slot);
  return it == tracks.end() ? nullptr : &it->second;
}

bool MotionLists::running() const {
  for (const Tracks& tracks : lists_) {
    for (const auto& [slot, track] : tracks) {
      if (!track.empty()) return true;
    }
  }
  return false;
}

void MotionLists::dropSlot(std::int32_t slot) {
  // Only emptied here: a deletion may come from inside advance(), whose
  // loop erases empty lists as it passes them.
  for (Tracks& tracks : lists_) {
    const auto it = tracks.find(slot);
    if (it != tracks.end()) it->second.steps.clear();
  }
}

void MotionLists::clear() {
  for (int list = 0; list < kMotionListCount; ++list) {
    Tracks& tracks = lists_[static_cast<std::size_t>(list)];
    for (const auto& [slot, track] : tracks) clearBit(list, slot);
    tracks.clear();
  }
}

void MotionLists::restore(int list, std::int32_t slot, MotionTrack track) {
  if (track.empty()) {
    cancel(list, slot);
    return;
  }
  if (track.cursor >= track.steps.size()) track.cursor = 0;
  lists_[static_cast<std::size_t>(list)][slot] = std::move(track);
  table_.slot(slot).motionActive |= motionBit(list);
}

}  // namespace tsuzuri::scene

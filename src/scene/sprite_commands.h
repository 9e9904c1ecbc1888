#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "scene/motion_lists.h"
#include "scene/sprite_table.h"

namespace tsuzuri::scene {

// The sprite commands: creating, deleting, property setters, load-time
// effects and queries. Each reports on the slot it was given and touches
// no other.
class SpriteCommands {
 public:
  SpriteCommands(SpriteTable& table, MotionLists& motions) : table_(table), motions_(motions) {}

  void registerWith(commands::CommandRegistry& registry);

  // Creating and deleting.
  void sp(commands::CommandContext& c);
  void sp_cut(commands::CommandContext& c);
  void sp_st(commands::CommandContext& c);
  void spg(commands::CommandContext& c);
  void sp_mask(commands::CommandContext& c);
  void sp_d(commands::CommandContext& c);
  void sp_dx(commands::CommandContext& c);
  void sp_ref(commands::CommandContext& c);
  void sp_reload(commands::CommandContext& c);

  // Property setters.
  void sp_x(commands::CommandContext& c);
  void sp_y(commands::CommandContext& c);
  void sp_xy(commands::CommandContext& c);
  void sp_w(commands::CommandContext& c);
  void sp_h(commands::CommandContext& c);
  void sp_wh(commands::CommandContext& c);
  void sp_rx(commands::CommandContext& c);
  void sp_ry(commands::CommandContext& c);
  void sp_rz(commands::CommandContext& c);
  void sp_rxyz(commands::CommandContext& c);
  void sp_a(commands::CommandContext& c);
  void sp_b(commands::CommandContext& c);
  void sp_c(commands::CommandContext& c);
  void sp_l(commands::CommandContext& c);
  void sp_cxy(commands::CommandContext& c);
  void sp_g(commands::CommandContext& c);
  void sp_o(commands::CommandContext& c);

  // Load-time effects.
  void sp_neg(commands::CommandContext& c);
  void sp_gray(commands::CommandContext& c);
  void sp_rot(commands::CommandContext& c);
  void sp_bc(commands::CommandContext& c);
  void sp_color(commands::CommandContext& c);
  void sp_hsl(commands::CommandContext& c);
  void sp_blur(commands::CommandContext& c);
  void sp_mosaic(commands::CommandContext& c);

  // Queries.
  void sp_exist(commands::CommandContext& c);
  void sp_gxy(commands::CommandContext& c);
  void sp_gwh(commands::CommandContext& c);
  void sp_ga(commands::CommandContext& c);
  void sp_gsz(commands::CommandContext& c);
  void sp_giwh(commands::CommandContext& c);
  void sp_gixy(commands::CommandContext& c);
  void sp_gcl(commands::CommandContext& c);
  void sp_go(commands::CommandContext& c);
  void sp_gn(commands::CommandContext& c);

  // The creating steps shared with saves and motions.
  bool loadImage(std::int32_t slot, std::string_view file, std::uint32_t flags,
                 std::int32_t cellLayout, const CutRect& cut = {});
  bool loadStanding(std::int32_t slot, std::string_view file, std::uint32_t flags,
                    std::int32_t width, std::int32_t height);
  // spg after its slot argument.
  bool makeCanvas(std::int32_t slot, std::int32_t width, std::int32_t height, std::uint32_t flags);
  // sp_mask after its slot argument: false when the slot is empty
  // (reported) or the mask could not be made.
  bool loadMask(std::int32_t slot, std::string_view file, std::int32_t reverse,
                std::int32_t progress, std::int32_t softness, std::int32_t param1,
                std::int32_t param2);

 private:
  // The slot argument: reported and false when outside 0..999.
  bool slotArgument(commands::CommandContext& c, std::int32_t& slot);
  // Reports " 画像が読み込まれていません" after the slot number.
  void reportEmpty(std::int32_t slot);
  void reportBadOrder(std::int32_t slot);
  // The common rules of the setters: both records must exist; `apply`
  // writes the back record (and the front one under write-through); the
  // change is pending. Returns the slot, or -1 when nothing was set.
  std::int32_t setProperty(commands::CommandContext& c,
                           const std::function<void(SpriteRecord&)>& apply);
  // A setter of a property with a motion list: a running motion of the
  // slot now ends at the value set (in the motion's units).
  void setAnimated(commands::CommandContext& c, int list, std::int32_t target,
                   const std::function<void(SpriteRecord&)>& apply);
  void setEffect(commands::CommandContext& c, int index, std::int32_t value);
  // A position, scale or rotation property and what its argument is
  // divided by before it is stored.
  struct GeometryField {
    float SpriteRecord::*field;
    int list;  // the motion list of the property
    float divisor = 1;
  };
  // The setters of one to three geometry properties (arguments 2, 3, 4).
  void setGeometry(commands::CommandContext& c, std::initializer_list<GeometryField> fields);
  // The record a query reads; null (reported) when the slot is empty.
  SpriteRecord* queried(commands::CommandContext& c, std::int32_t& slot);
  // Deletes an auto-deleting sprite now, before a new one is made.
  void clearAutoDelete(std::int32_t slot);

  // The value a query reports: the last target of a queued motion of the
  // list, else the record's own.
  std::optional<std::int32_t> motionTarget(int list, std::int32_t slot) const {
    return motions_.lastTarget(list, slot);
  }

  SpriteTable& table_;
  MotionLists& motions_;
};

}  // namespace tsuzuri::scene

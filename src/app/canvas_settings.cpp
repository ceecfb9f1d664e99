#include "app/canvas_settings.h"

namespace qm {

// The view keeps the stored flag word as it is; its bit names must agree.
static_assert(kViewFlagMirror == kViewMirror && kViewFlagChecker == kViewChecker &&
              kViewFlagFullScreen == kViewFullScreen && kViewFlagGrid == kViewGrid &&
              kViewFlagWindowsHidden == kViewWindowsHidden && kCentreCrossBit == kCentreCrossShown);

ViewSettings view_settings_from(const Environment& env) {
  ViewSettings s;
  s.scale_down_step = env.scale_d_add;
  s.scale_up_step = env.scale_u_add;
  s.canvas_background = env.canv_bk_col;
  s.checker1 = env.check_col1;
  s.checker2 = env.check_col2;
  s.grid_w = env.grid_w;
  s.grid_h = env.grid_h;
  s.grid_colour = env.grid_col;
  s.centre_grid_colour = env.center_grid_col;
  s.grid_pixel_per = env.grid_pixel_per;
  s.view_flags = env.ex_view_flag;
  return s;
}

void store_view_flags(const ViewSettings& view, Environment& env) {
  env.ex_view_flag = view.view_flags;
}

}  // namespace qm

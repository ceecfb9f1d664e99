#include "panels/panel_placement.h"

namespace qm {

namespace {

PanelPlace from_rect(int left, int top, int right, int bottom) {
  return {left, top, right - left, bottom - top};
}

const WindowRect* stored_rect(int index, const WindowLayout& l) {
  switch (index) {
    case kPanelPalette: return &l.palette;
    case kPanelTexture: return &l.texture;
    case kPanelPreview: return &l.preview;
    case kPanelImageView: return &l.image_view;
    case kPanelFilterList: return &l.filter_list;
    default: return nullptr;
  }
}

const WindowPoint* stored_point(int index, const WindowLayout& l) {
  switch (index) {
    case kPanelTool: return &l.tool;
    case kPanelControl: return &l.control;
    case kPanelLayer: return &l.layer;
    case kPanelExPalette: return &l.ex_palette;
    default: return nullptr;
  }
}

}  // namespace

PanelPlace default_panel_place(int index, const PanelRect& r) {
  switch (index) {
    case kPanelTool: return {r.right - 248, r.top + 34};
    case kPanelControl: return {r.right - 252, r.top + 187};
    case kPanelLayer: return {r.left + 8, r.bottom - 335, 0, 290};
    case kPanelPalette: return from_rect(r.right - 487, r.top + 32, r.right - 252, r.top + 185);
    case kPanelExPalette: return {r.right - 176, r.bottom - 187};
    case kPanelTexture: return from_rect(r.right - 486, r.top + 188, r.right - 256, r.top + 364);
    case kPanelPreview: return from_rect(r.left + 5, r.top + 32, r.left + 185, r.top + 212);
    case kPanelImageView: return from_rect(r.left + 200, r.top + 32, r.left + 350, r.top + 182);
    case kPanelFilterList: return from_rect(r.left + 100, r.top + 50, r.left + 250, r.top + 250);
    default: return {r.left, r.top};
  }
}

PanelPlace panel_place(int index, const WindowLayout& layout, const PanelRect& client) {
  if (const WindowPoint* p = stored_point(index, layout)) {
    if (p->x == kNeverPlaced) return default_panel_place(index, client);
    return {p->x, p->y, 0, index == kPanelLayer ? layout.layer_height : 0};
  }
  if (const WindowRect* r = stored_rect(index, layout)) {
    // A stored rectangle without area is as good as none.
    if (r->left == kNeverPlaced || r->right <= r->left || r->bottom <= r->top)
      return default_panel_place(index, client);
    return from_rect(r->left, r->top, r->right, r->bottom);
  }
  return default_panel_place(index, client);
}

void store_panel_place(int index, const PanelRect& frame, WindowLayout& layout) {
  if (const WindowPoint* p = stored_point(index, layout)) {
    auto* point = const_cast<WindowPoint*>(p);
    point->x = frame.left;
    point->y = frame.top;
    if (index == kPanelLayer) layout.layer_height = frame.height();
    return;
  }
  if (const WindowRect* r = stored_rect(index, layout))
    *const_cast<WindowRect*>(r) = {frame.left, frame.top, frame.right, frame.bottom};
}

}  // namespace qm

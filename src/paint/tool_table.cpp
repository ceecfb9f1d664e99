#include "paint/tool_table.h"

#include <array>

namespace qm {
namespace {

using K = OptionWordKind;
using S = DabShapeKind;

constexpr std::array<ToolTableEntry, kPaintToolCount> kTools{{
    // key          default   options       shape          mode  interval  layer  erase
    {"Pencil",     0,        K::Pencil,    S::Dot,        kWriteReplace, 0.0, false, false},
    {"",           0,        K::None,      S::OnePixel,   kWriteReplace, 0.0, false, false},
    {"Pen",        0xA004,   K::Pen,       S::PenTip,     kWriteMax, 0.1, false, false},
    {"Pen2",       0,        K::Minimums,  S::HardDisc,   kWriteBlend, 0.06, false, false},
    {"Brush",      0x3C00,   K::Minimums,  S::Cone196,    kWriteBlend, 0.15, false, false},
    {"Water",      0x11400,  K::Water,     S::HardDisc,   kWriteBlendAlphaLock, 0.05, true, false},
    {"Splay",      0x1E00,   K::Minimums,  S::HardDisc,   kWriteSpray, 0.15, false, false},
    {"",           0,        K::None,      S::DotCircle,  kWriteReplace, 0.0, false, true},
    {"ErasePen",   0x1E64,   K::Minimums,  S::HardDisc,   kWriteBlend, 0.1, false, true},
    {"EraseBrush", 0x3C00,   K::Minimums,  S::Cone196,    kWriteBlend, 0.15, false, true},
    {"",           kBlurOptionWord, K::Minimums, S::HardDisc, kWriteBlur, 0.0, true, false},
    {"",           0,        K::None,      S::DotCircle,  -1, 0.0, true, false},
    {"Dodge",      0x3C3C,   K::Minimums,  S::Cone128,    kWriteDodge, 0.2, true, false},
    {"Burn",       0x3C3C,   K::Minimums,  S::Cone128,    kWriteBurn, 0.2, true, false},
    {"Paint",      1,        K::Fill,      S::None,       -1, 0.0, false, false},
    {"Grad",       0,        K::Gradient,  S::None,       -1, 0.0, false, false},
    {"",           0,        K::TextSection, S::None,     -1, 0.0, false, false},
    {"",           0,        K::None,      S::None,       -1, 0.0, false, false},
    {"",           0,        K::None,      S::None,       -1, 0.0, false, false},
}};

}  // namespace

const ToolTableEntry& tool_entry(PaintTool tool) {
  const size_t i = size_t(tool);
  return kTools[i < kTools.size() ? i : kTools.size() - 1];
}

}  // namespace qm

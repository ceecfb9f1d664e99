#pragma once
// The control window "조정": the current tool's size and density, the brush
// slots, the colour pair and its RGB/HSV sliders, the HSV field, the
// gradient-map bar, the screen picker, the colour-mask editor, the texture
// box and the ruler kind. Every value lives in the drawing state.
//
// The window keeps its own H/S/V of the current colour: a grey or black
// colour has no hue, and re-deriving one from it would lose the user's hue.
// It is taken from the colour only when the colour changed elsewhere.
#include <array>

#include "core/colour.h"
#include "panels/floating_panel.h"

class QComboBox;
class QRadioButton;
class QToolButton;

namespace qm {

class BrushPreview;
class BrushSlots;
class ColourMaskEditor;
class ColourPair;
class GradientMapBar;
class HsvField;
class ScreenPicker;
class SliderField;
class TextureBox;

class ControlPanel : public FloatingPanel {
  Q_OBJECT

 public:
  explicit ControlPanel(const PanelContext& context);

  SliderField* size_slider() const { return size_; }
  SliderField* density_slider() const { return density_; }
  SliderField* colour_slider(int i) const { return sliders_[size_t(i)]; }
  QRadioButton* rgb_button() const { return rgb_; }
  QRadioButton* hsv_button() const { return hsv_button_; }
  BrushSlots* brush_slots() const { return slots_; }
  ColourMaskEditor* mask_editor() const { return mask_; }
  ScreenPicker* screen_picker() const { return picker_; }
  HsvField* hsv_field() const { return field_; }
  QComboBox* ruler_combo() const { return ruler_; }
  QToolButton* fold_button() const { return fold_; }
  const Hsv& hsv() const { return hsv_; }
  bool folded() const;
  void set_folded(bool folded);

 protected:
  void drawing_changed(uint32_t what) override;

 private:
  void set_slider_mode(int mode);
  void refresh_brush();
  void refresh_colours();
  void slider_edited();
  void hsv_edited();

  BrushPreview* preview_;
  SliderField* size_;
  SliderField* density_;
  BrushSlots* slots_;
  QToolButton* fold_;
  ColourPair* pair_;
  QRadioButton* rgb_;
  QRadioButton* hsv_button_;
  std::array<SliderField*, 3> sliders_{};
  HsvField* field_;
  GradientMapBar* gradient_;
  ScreenPicker* picker_;
  ColourMaskEditor* mask_;
  TextureBox* texture_;
  QComboBox* ruler_;
  Hsv hsv_;
  uint32_t hsv_colour_ = 0;  // the colour hsv_ was made for
  int full_height_ = 0;
};

}  // namespace qm

#pragma once
// The tool panel's option sub-panels, one page per option word, stacked at
// the same place so the panel keeps one size: Shape (pencil), Pen, Minimums
// (pen 2, brush, spray, pen eraser, brush eraser, dodge, burn — each its own
// word), Watercolour, Fill and Gradient. Every control writes its word at once.
#include <QStackedWidget>

class QCheckBox;
class QComboBox;

namespace qm {

class DrawingStateModel;
class SliderField;

enum class OptionPage { kNone, kShape, kPen, kMinimums, kWater, kFill, kGradient };
OptionPage option_page_of(int tool);

class ToolOptionPages : public QStackedWidget {
  Q_OBJECT

 public:
  explicit ToolOptionPages(DrawingStateModel& model, QWidget* parent = nullptr);

  // Shows the page of `tool` (the minimums bound to its word) and fills
  // every control from the option words.
  void show_tool(int tool);
  void refresh();

  OptionPage page() const { return page_; }
  QComboBox* gradient_tones() const { return grad_tone_; }
  QComboBox* gradient_kinds() const { return grad_kind_; }
  QComboBox* pencil_shapes() const { return shape_; }
  SliderField* minimum_size() const { return min_size_; }
  SliderField* minimum_density() const { return min_alpha_; }
  QCheckBox* fill_switch(int bit) const { return fill_[bit]; }

 private:
  QWidget* build_shape();
  QWidget* build_pen();
  QWidget* build_minimums();
  QWidget* build_water();
  QWidget* build_fill();
  QWidget* build_gradient();
  // Writes `value` into the bits `mask` (shifted by `shift`) of the tool's word.
  void write_bits(int tool, int mask, int shift, int value);

  DrawingStateModel& model_;
  int tool_ = 0;
  OptionPage page_ = OptionPage::kNone;
  bool filling_ = false;  // controls are being set from the words

  QComboBox* shape_ = nullptr;
  QCheckBox* shape_over_ = nullptr;
  SliderField* pen_speed_ = nullptr;
  QCheckBox* pen_bits_[5] = {};
  SliderField* min_size_ = nullptr;
  SliderField* min_alpha_ = nullptr;
  SliderField* water_size_ = nullptr;
  SliderField* water_alpha_ = nullptr;
  QComboBox* water_amount_ = nullptr;
  QCheckBox* fill_[4] = {};
  QComboBox* grad_kind_ = nullptr;
  QComboBox* grad_tone_ = nullptr;
  QCheckBox* grad_reverse_ = nullptr;
};

}  // namespace qm

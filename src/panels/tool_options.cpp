#include "panels/tool_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "panels/slider_field.h"
#include "state/drawing_state_model.h"

namespace qm {

namespace {

constexpr int kPenBits[5] = {15, 14, 13, 12, 11};
const char* const kPenBitNames[5] = {"필압S", "필압A", "안티앨리어스", "곡선", "소프트"};
const char* const kFillNames[4] = {"판정원레이어유지", "경계 자동 판정", "지우기", "↑불투명 영역"};
const char* const kShapeNames[10] = {"원", "사각", "마름모", "가로선", "세로선",
                                     "／", "＼", "×", "＋", "반짝이"};
const char* const kGradientKinds[5] = {"그리기색→배경색", "흰색→검정", "불투명→투명", "무지개",
                                       "효과1"};

QVBoxLayout* page_layout(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  return layout;
}

int word_of(const DrawingStateModel& model, int tool) {
  const int* word = tool_option_word(model.state().options, tool);
  return word ? *word : 0;
}

}  // namespace

OptionPage option_page_of(int tool) {
  switch (tool) {
    case kToolPencil: return OptionPage::kShape;
    case kToolPen: return OptionPage::kPen;
    case kToolPen2: case kToolBrush: case kToolSpray: case kToolPenEraser:
    case kToolBrushEraser: case kToolDodge: case kToolBurn: return OptionPage::kMinimums;
    case kToolWatercolour: return OptionPage::kWater;
    case kToolFill: return OptionPage::kFill;
    case kToolGradient: return OptionPage::kGradient;
    default: return OptionPage::kNone;
  }
}

ToolOptionPages::ToolOptionPages(DrawingStateModel& model, QWidget* parent)
    : QStackedWidget(parent), model_(model) {
  addWidget(new QWidget(this));  // tools without options
  addWidget(build_shape());
  addWidget(build_pen());
  addWidget(build_minimums());
  addWidget(build_water());
  addWidget(build_fill());
  addWidget(build_gradient());
}

void ToolOptionPages::write_bits(int tool, int mask, int shift, int value) {
  if (filling_) return;
  const int word = word_of(model_, tool);
  model_.set_tool_option(tool, (word & ~(mask << shift)) | ((value & mask) << shift));
}

QWidget* ToolOptionPages::build_shape() {
  auto* page = new QWidget(this);
  auto* layout = page_layout(page);
  shape_ = new QComboBox(page);
  for (const char* name : kShapeNames) shape_->addItem(QString::fromUtf8(name));
  shape_over_ = new QCheckBox(QStringLiteral("덧칠"), page);
  layout->addWidget(shape_);
  layout->addWidget(shape_over_);
  layout->addStretch();
  connect(shape_, &QComboBox::currentIndexChanged, this,
          [this](int i) { write_bits(kToolPencil, 0xFF, 0, i); });
  connect(shape_over_, &QCheckBox::toggled, this,
          [this](bool on) { write_bits(kToolPencil, 1, 15, on); });
  return page;
}

QWidget* ToolOptionPages::build_pen() {
  auto* page = new QWidget(this);
  auto* layout = page_layout(page);
  pen_speed_ = new SliderField(QStringLiteral("속도"), 0, 40, page);
  layout->addWidget(pen_speed_);
  connect(pen_speed_, &SliderField::edited, this,
          [this](int v) { write_bits(kToolPen, 0xFF, 0, v); });
  auto* grid = new QGridLayout;
  grid->setSpacing(1);
  for (int i = 0; i < 5; ++i) {
    pen_bits_[i] = new QCheckBox(QString::fromUtf8(kPenBitNames[i]), page);
    grid->addWidget(pen_bits_[i], i / 3, i % 3);
    const int bit = kPenBits[i];
    connect(pen_bits_[i], &QCheckBox::toggled, this,
            [this, bit](bool on) { write_bits(kToolPen, 1, bit, on); });
  }
  layout->addLayout(grid);
  layout->addStretch();
  return page;
}

QWidget* ToolOptionPages::build_minimums() {
  auto* page = new QWidget(this);
  auto* layout = page_layout(page);
  min_size_ = new SliderField(QStringLiteral("최소 크기"), 0, 100, page);
  min_alpha_ = new SliderField(QStringLiteral("최소 농도"), 0, 100, page);
  layout->addWidget(min_size_);
  layout->addWidget(min_alpha_);
  layout->addStretch();
  // Bound to whichever tool shows the page.
  connect(min_size_, &SliderField::edited, this, [this](int v) { write_bits(tool_, 0xFF, 8, v); });
  connect(min_alpha_, &SliderField::edited, this, [this](int v) { write_bits(tool_, 0xFF, 0, v); });
  return page;
}

QWidget* ToolOptionPages::build_water() {
  auto* page = new QWidget(this);
  auto* layout = page_layout(page);
  water_size_ = new SliderField(QStringLiteral("최소S"), 0, 100, page);
  water_alpha_ = new SliderField(QStringLiteral("최소A"), 0, 100, page);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("물의 양"), page));
  water_amount_ = new QComboBox(page);
  for (const char* name : {"A", "B", "C", "D"}) water_amount_->addItem(QString::fromLatin1(name));
  row->addWidget(water_amount_);
  row->addStretch();
  layout->addWidget(water_size_);
  layout->addWidget(water_alpha_);
  layout->addLayout(row);
  connect(water_size_, &SliderField::edited, this,
          [this](int v) { write_bits(kToolWatercolour, 0xFF, 8, v); });
  connect(water_alpha_, &SliderField::edited, this,
          [this](int v) { write_bits(kToolWatercolour, 0xFF, 0, v); });
  connect(water_amount_, &QComboBox::currentIndexChanged, this,
          [this](int i) { write_bits(kToolWatercolour, 0xFF, 16, i); });
  return page;
}

QWidget* ToolOptionPages::build_fill() {
  auto* page = new QWidget(this);
  auto* layout = new QGridLayout(page);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(1);
  for (int bit = 0; bit < 4; ++bit) {
    fill_[bit] = new QCheckBox(QString::fromUtf8(kFillNames[bit]), page);
    layout->addWidget(fill_[bit], bit / 2, bit % 2);
    connect(fill_[bit], &QCheckBox::toggled, this,
            [this, bit](bool on) { write_bits(kToolFill, 1, bit, on); });
  }
  layout->setRowStretch(2, 1);
  return page;
}

QWidget* ToolOptionPages::build_gradient() {
  auto* page = new QWidget(this);
  auto* layout = page_layout(page);
  grad_kind_ = new QComboBox(page);
  for (const char* name : kGradientKinds) grad_kind_->addItem(QString::fromUtf8(name));
  grad_tone_ = new QComboBox(page);
  // Tone steps: 1/2^t for t = 0 … 8.
  for (int t = 0; t <= 8; ++t) grad_tone_->addItem(QStringLiteral("1/%1").arg(1 << t));
  grad_reverse_ = new QCheckBox(QStringLiteral("반전"), page);
  auto* row = new QHBoxLayout;
  row->addWidget(grad_tone_);
  row->addWidget(grad_reverse_);
  row->addStretch();
  layout->addWidget(grad_kind_);
  layout->addLayout(row);
  layout->addStretch();
  connect(grad_kind_, &QComboBox::currentIndexChanged, this,
          [this](int i) { write_bits(kToolGradient, 0xFF, 0, i); });
  connect(grad_tone_, &QComboBox::currentIndexChanged, this,
          [this](int i) { write_bits(kToolGradient, 0x0F, 8, i); });
  connect(grad_reverse_, &QCheckBox::toggled, this,
          [this](bool on) { write_bits(kToolGradient, 1, 15, on); });
  return page;
}

void ToolOptionPages::show_tool(int tool) {
  tool_ = tool;
  page_ = option_page_of(tool);
  setCurrentIndex(int(page_));
  refresh();
}

void ToolOptionPages::refresh() {
  filling_ = true;
  const ToolOptions& o = model_.state().options;
  auto set_combo = [](QComboBox* box, int index) {
    box->setCurrentIndex(std::clamp(index, 0, box->count() - 1));
  };
  set_combo(shape_, pencil_shape(o.pencil));
  shape_over_->setChecked(o.pencil & 0x8000);
  pen_speed_->set_value(pen_smoothing(o.pen));
  for (int i = 0; i < 5; ++i) pen_bits_[i]->setChecked(o.pen & (1 << kPenBits[i]));
  const int minimums = word_of(model_, tool_);
  min_size_->set_value(minimum_size_percent(minimums));
  min_alpha_->set_value(minimum_density_percent(minimums));
  water_size_->set_value(minimum_size_percent(o.water));
  water_alpha_->set_value(minimum_density_percent(o.water));
  set_combo(water_amount_, water_amount(o.water));
  for (int bit = 0; bit < 4; ++bit) fill_[bit]->setChecked(o.paint & (1 << bit));
  set_combo(grad_kind_, gradient_kind(o.grad));
  set_combo(grad_tone_, gradient_tone(o.grad));
  grad_reverse_->setChecked(o.grad & 0x8000);
  filling_ = false;
}

}  // namespace qm

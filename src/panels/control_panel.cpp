#include "panels/control_panel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "panels/control_widgets.h"
#include "panels/slider_field.h"

namespace qm {

namespace {
constexpr int kModeRgb = 0, kModeHsv = 1;
const char* const kRulerKinds[6] = {"없음", "직선", "집중선", "정원", "타원", "그리드"};
}  // namespace

ControlPanel::ControlPanel(const PanelContext& context)
    : FloatingPanel(context, kPanelControl, QStringLiteral("조정")) {
  DrawingStateModel& m = model();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(3, 3, 3, 3);
  layout->setSpacing(3);

  // Size, density, slots and the fold button: what stays when folded.
  auto* top = new QHBoxLayout;
  preview_ = new BrushPreview(m, this);
  top->addWidget(preview_);
  auto* brush = new QVBoxLayout;
  size_ = new SliderField(QStringLiteral("크기"), 1, 100, this);
  density_ = new SliderField(QStringLiteral("농도"), 1, 255, this);
  brush->addWidget(size_);
  brush->addWidget(density_);
  top->addLayout(brush, 1);
  layout->addLayout(top);
  auto* slot_row = new QHBoxLayout;
  slots_ = new BrushSlots(m, this);
  slot_row->addWidget(slots_);
  slot_row->addStretch();
  fold_ = new QToolButton(this);
  fold_->setCheckable(true);
  fold_->setArrowType(Qt::UpArrow);
  fold_->setFixedSize(20, 16);
  slot_row->addWidget(fold_);
  layout->addLayout(slot_row);

  // Colours.
  auto* colours = new QHBoxLayout;
  pair_ = new ColourPair(m, this);
  colours->addWidget(pair_, 0, Qt::AlignTop);
  auto* slider_box = new QVBoxLayout;
  auto* modes = new QHBoxLayout;
  rgb_ = new QRadioButton(QStringLiteral("RGB"), this);
  hsv_button_ = new QRadioButton(QStringLiteral("HSV"), this);
  modes->addWidget(rgb_);
  modes->addWidget(hsv_button_);
  modes->addStretch();
  slider_box->addLayout(modes);
  for (auto& s : sliders_) {
    s = new SliderField(QString(), 0, 255, this);
    slider_box->addWidget(s);
    connect(s, &SliderField::edited, this, [this] { slider_edited(); });
  }
  colours->addLayout(slider_box, 1);
  layout->addLayout(colours);

  auto* field_row = new QHBoxLayout;
  field_ = new HsvField(hsv_, [this] { hsv_edited(); }, this);
  field_row->addWidget(field_);
  auto* side = new QVBoxLayout;
  picker_ = new ScreenPicker(m, context.main_window, this);
  texture_ = new TextureBox(state(), [this] {
    if (this->context().run_command) this->context().run_command(cmd::kFirstWindow + kPanelTexture);
  }, this);
  side->addWidget(picker_);
  side->addWidget(new QLabel(QStringLiteral("텍스쳐"), this));
  side->addWidget(texture_);
  side->addStretch();
  field_row->addLayout(side);
  layout->addLayout(field_row);

  gradient_ = new GradientMapBar(m, this);
  layout->addWidget(gradient_);
  auto* bottom = new QHBoxLayout;
  mask_ = new ColourMaskEditor(m, this);
  bottom->addWidget(mask_);
  auto* ruler_box = new QVBoxLayout;
  ruler_box->addWidget(new QLabel(QStringLiteral("자"), this));
  ruler_ = new QComboBox(this);
  for (const char* kind : kRulerKinds) ruler_->addItem(QString::fromUtf8(kind));
  ruler_box->addWidget(ruler_);
  bottom->addLayout(ruler_box);
  layout->addLayout(bottom);

  connect(size_, &SliderField::edited, this, [this](int v) { model().set_brush_size(model().tool(), v); });
  connect(density_, &SliderField::edited, this,
          [this](int v) { model().set_brush_alpha(model().tool(), v); });
  connect(rgb_, &QRadioButton::clicked, this, [this] { set_slider_mode(kModeRgb); });
  connect(hsv_button_, &QRadioButton::clicked, this, [this] { set_slider_mode(kModeHsv); });
  connect(ruler_, &QComboBox::activated, this, [this](int i) { model().set_ruler_kind(i); });
  connect(fold_, &QToolButton::clicked, this, [this](bool on) { set_folded(on); });

  hsv_colour_ = m.state().current_colour_value();
  hsv_ = rgb_to_hsv(hsv_colour_);
  set_slider_mode(state().settings.env.col_bar_type == kModeHsv ? kModeHsv : kModeRgb);
  refresh_brush();
  refresh_colours();
  ruler_->setCurrentIndex(m.state().ruler.kind);
  keep_keyboard_with_canvas();
  full_height_ = sizeHint().height();
  setFixedSize(sizeHint());
  set_folded(state().settings.env.ex_view_flag & kViewControlFolded);
}

bool ControlPanel::folded() const { return state().settings.env.ex_view_flag & kViewControlFolded; }

void ControlPanel::set_folded(bool folded) {
  int& flags = state().settings.env.ex_view_flag;
  flags = folded ? (flags | kViewControlFolded) : (flags & ~kViewControlFolded);
  fold_->setChecked(folded);
  fold_->setArrowType(folded ? Qt::DownArrow : Qt::UpArrow);
  // Folded: down to 4 pixels below the fold button.
  layout()->activate();
  const int height = folded ? fold_->geometry().bottom() + 1 + 4 : full_height_;
  setFixedHeight(height);
}

void ControlPanel::drawing_changed(uint32_t what) {
  if (what & (kChangedTool | kChangedBrush | kChangedBrushSlots | kChangedOptions)) refresh_brush();
  if (what & (kChangedColours | kChangedGradientMap | kChangedMask)) refresh_colours();
  if (what & kChangedTexture) texture_->update();
  if (what & kChangedRuler) ruler_->setCurrentIndex(model().state().ruler.kind);
}

void ControlPanel::refresh_brush() {
  const DrawingState& d = model().state();
  size_->set_value(d.brush_size[size_t(d.tool)]);
  density_->set_value(d.brush_alpha[size_t(d.tool)]);
  preview_->update();
  slots_->update();
}

void ControlPanel::set_slider_mode(int mode) {
  state().settings.env.col_bar_type = mode;
  rgb_->setChecked(mode == kModeRgb);
  hsv_button_->setChecked(mode == kModeHsv);
  const char* const labels[2][3] = {{"R", "G", "B"}, {"H", "S", "V"}};
  for (int i = 0; i < 3; ++i) {
    sliders_[size_t(i)]->set_label(QString::fromLatin1(labels[mode][i]));
    sliders_[size_t(i)]->set_range(0, mode == kModeHsv && i == 0 ? 359 : 255);
  }
  refresh_colours();
}

void ControlPanel::refresh_colours() {
  const uint32_t c = model().state().current_colour_value();
  // Our own H/S/V stays while it still names this colour.
  if (c != hsv_colour_) {
    hsv_ = rgb_to_hsv(c);
    hsv_colour_ = c;
  }
  if (state().settings.env.col_bar_type == kModeHsv) {
    sliders_[0]->set_value(hsv_.h);
    sliders_[1]->set_value(hsv_.s);
    sliders_[2]->set_value(hsv_.v);
  } else {
    sliders_[0]->set_value(int(c >> 16) & 0xFF);
    sliders_[1]->set_value(int(c >> 8) & 0xFF);
    sliders_[2]->set_value(int(c) & 0xFF);
  }
  pair_->update();
  field_->update();
  gradient_->update();
  mask_->update();
  preview_->update();
}

void ControlPanel::slider_edited() {
  const int a = sliders_[0]->value(), b = sliders_[1]->value(), c = sliders_[2]->value();
  if (state().settings.env.col_bar_type == kModeHsv) {
    hsv_ = {a, b, c};
    hsv_edited();
    return;
  }
  model().set_current_colour_value(uint32_t(a << 16 | b << 8 | c));
}

void ControlPanel::hsv_edited() {
  hsv_colour_ = hsv_to_rgb(hsv_.h, hsv_.s, hsv_.v);
  model().set_current_colour_value(hsv_colour_);
  refresh_colours();
}

}  // namespace qm

// The Replace Colour dialog: the new colour set with three sliders in the
// RGB, HSV or HLS model, previewed on the canvas at every change.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

#include "app/colour_dialogs/canvas_preview.h"
#include "app/colour_dialogs/colour_dialogs.h"
#include "app/filters/active_filter_dialog.h"
#include "core/colour.h"
#include "filters/colour_filters.h"

namespace qm {
namespace {

enum Model { kRgb = 0, kHsv = 1, kHls = 2 };

class ReplaceColourDialog : public QDialog {
  Q_OBJECT
 public:
  ReplaceColourDialog(QWidget* owner, uint32_t foreground, LayerImage& layer, const LayerImage& backup,
                      Rect target, std::function<void(Rect)> show)
      : QDialog(owner), foreground_(foreground & 0xFFFFFF), colour_(foreground_),
        preview_(layer, backup, target, std::move(show)) {
    setWindowTitle(QStringLiteral("色の置き換え"));
    auto* swatches = new QHBoxLayout;
    old_swatch_ = swatch(foreground_);
    new_swatch_ = swatch(colour_);
    new_swatch_->setObjectName("new_colour");
    swatches->addWidget(old_swatch_);
    swatches->addWidget(new QLabel(QStringLiteral("↓"), this));
    swatches->addWidget(new_swatch_);
    swatches->addStretch();

    auto* models = new QHBoxLayout;
    group_ = new QButtonGroup(this);
    const char* names[3] = {"RGB", "HSV", "HLS"};
    for (int m = 0; m < 3; ++m) {
      auto* b = new QRadioButton(QString::fromLatin1(names[m]), this);
      b->setObjectName(QStringLiteral("model_%1").arg(names[m]));
      group_->addButton(b, m);
      models->addWidget(b);
    }
    auto* grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
      names_[size_t(i)] = new QLabel(this);
      sliders_[size_t(i)] = new QSlider(Qt::Horizontal, this);
      sliders_[size_t(i)]->setObjectName(QStringLiteral("slider_%1").arg(i));
      sliders_[size_t(i)]->setMinimumWidth(200);
      spins_[size_t(i)] = new QSpinBox(this);
      grid->addWidget(names_[size_t(i)], i, 0);
      grid->addWidget(sliders_[size_t(i)], i, 1);
      grid->addWidget(spins_[size_t(i)], i, 2);
      connect(sliders_[size_t(i)], &QSlider::valueChanged, this, [this, i](int v) { changed(i, v); });
      connect(spins_[size_t(i)], &QSpinBox::valueChanged, this, [this, i](int v) { changed(i, v); });
    }
    preview_box_ = new QCheckBox(QStringLiteral("プレビュー"), this);
    preview_box_->setChecked(true);
    auto* reset = new QPushButton(QStringLiteral("リセット"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    ok->setObjectName("ok");
    cancel->setObjectName("cancel");
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(preview_box_);
    buttons->addStretch();
    buttons->addWidget(reset);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(swatches);
    top->addLayout(models);
    top->addLayout(grid);
    top->addLayout(buttons);

    group_->button(kHsv)->setChecked(true);
    set_model(kHsv);
    connect(group_, &QButtonGroup::idClicked, this, [this](int m) { set_model(Model(m)); });
    connect(preview_box_, &QCheckBox::toggled, this, &ReplaceColourDialog::run_preview);
    connect(reset, &QPushButton::clicked, this, [this] {
      colour_ = foreground_;
      set_model(model_);
      colour_changed();
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  }

  filters::FilterValues values() const {
    filters::FilterValues v;
    v.numeric = {int(colour_ >> 16 & 255), int(colour_ >> 8 & 255), int(colour_ & 255), 0, 0};
    return v;
  }
  void done(int r) override {
    preview_.restore();
    QDialog::done(r);
  }

 private:
  QLabel* swatch(uint32_t c) {
    auto* l = new QLabel(this);
    l->setFixedSize(40, 24);
    l->setAutoFillBackground(true);
    paint_swatch(l, c);
    return l;
  }
  static void paint_swatch(QLabel* l, uint32_t c) {
    l->setStyleSheet(QStringLiteral("background-color: #%1; border: 1px solid black;")
                         .arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0')));
  }

  // The current colour in the model, and the sliders reset to it.
  void set_model(Model m) {
    model_ = m;
    static const char* kLabels[3][3] = {{"R", "G", "B"}, {"H", "S", "V"}, {"H", "S", "L"}};
    static const int kMax[3][3] = {{255, 255, 255}, {359, 255, 255}, {359, 100, 100}};
    std::array<int, 3> v{};
    if (m == kRgb) {
      v = {int(colour_ >> 16 & 255), int(colour_ >> 8 & 255), int(colour_ & 255)};
    } else if (m == kHsv) {
      const Hsv c = rgb_to_hsv(colour_);
      v = {c.h, c.s, c.v};
    } else {
      const Hls c = rgb_to_hls(colour_);
      v = {c.h, c.s, c.l};
    }
    setting_ = true;
    for (size_t i = 0; i < 3; ++i) {
      names_[i]->setText(QString::fromLatin1(kLabels[m][i]));
      sliders_[i]->setRange(0, kMax[m][i]);
      spins_[i]->setRange(0, kMax[m][i]);
      sliders_[i]->setValue(v[i]);
      spins_[i]->setValue(v[i]);
    }
    setting_ = false;
  }

  void changed(int i, int value) {
    if (setting_) return;
    setting_ = true;
    sliders_[size_t(i)]->setValue(value);
    spins_[size_t(i)]->setValue(value);
    setting_ = false;
    const int a = sliders_[0]->value(), b = sliders_[1]->value(), c = sliders_[2]->value();
    if (model_ == kRgb) colour_ = uint32_t(a) << 16 | uint32_t(b) << 8 | uint32_t(c);
    else if (model_ == kHsv) colour_ = hsv_to_rgb(a, b, c);
    else colour_ = hls_to_rgb(a, c, b);
    colour_changed();
  }

  void colour_changed() {
    paint_swatch(new_swatch_, colour_);
    run_preview();
  }
  void run_preview() {
    if (!preview_box_->isChecked()) {
      preview_.restore();
      return;
    }
    filters::FilterEnvironment env;
    env.drawing_colour = foreground_;
    preview_.run(filters::replace_colour, values(), env);
  }

  uint32_t foreground_, colour_;
  Model model_ = kHsv;
  bool setting_ = false;
  CanvasPreview preview_;
  QLabel* old_swatch_ = nullptr;
  QLabel* new_swatch_ = nullptr;
  QButtonGroup* group_ = nullptr;
  std::array<QLabel*, 3> names_{};
  std::array<QSlider*, 3> sliders_{};
  std::array<QSpinBox*, 3> spins_{};
  QCheckBox* preview_box_ = nullptr;
};

}  // namespace

std::optional<filters::FilterValues> run_replace_colour_dialog(QWidget* owner, uint32_t foreground,
                                                               LayerImage& layer, const LayerImage& backup,
                                                               Rect target, std::function<void(Rect)> show_preview) {
  ReplaceColourDialog dialog(owner, foreground, layer, backup, target, std::move(show_preview));
  const ActiveFilterDialogScope active(&dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.values();
}

}  // namespace qm

#include "replace_colour_dialog.moc"

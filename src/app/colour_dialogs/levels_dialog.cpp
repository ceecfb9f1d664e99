// The Levels dialog: histogram panel with three input handles, grey-ramp
// panel with two output handles, preview on the canvas on release.
#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <cstdlib>

#include "app/colour_dialogs/canvas_preview.h"
#include "app/colour_dialogs/colour_dialogs.h"
#include "app/filters/active_filter_dialog.h"
#include "filters/colour_filters.h"

namespace qm {
namespace {

constexpr int kPanelWidth = 262;
constexpr int kPanelHeight = 140;
constexpr int kStrip = 8;  // the handles' strip under the panel's picture

// One panel with its handles. Value x sits at pixel x + 3.
class LevelsPanel : public QWidget {
  Q_OBJECT
 public:
  LevelsPanel(bool input, std::array<uint64_t, 256> bins, uint64_t pixels, QWidget* parent)
      : QWidget(parent), input_(input), bins_(bins), pixels_(pixels) {
    setFixedSize(kPanelWidth, input ? kPanelHeight : 24 + kStrip);
    setObjectName(input ? "levels_input" : "levels_output");
  }
  std::vector<int>& handles() { return handles_; }
  void set_handles(std::vector<int> h) {
    handles_ = std::move(h);
    update();
  }

 signals:
  void moved();
  void released();

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    const int bottom = height() - kStrip;
    if (input_) {
      p.fillRect(3, 0, 256, bottom, Qt::white);
      p.setPen(QColor(0xDD, 0xDD, 0xDD));
      p.drawLine(131, 0, 131, bottom - 1);
      p.setPen(Qt::black);
      const int h = height() - 9;
      for (int i = 0; i < 256; ++i) {
        const int len = filters::histogram_bar(bins_[size_t(i)], height(), pixels_);
        if (len > 0) p.drawLine(i + 3, h, i + 3, h - len + 1);
      }
    } else {
      for (int i = 0; i < 256; ++i) {
        p.setPen(QColor(i, i, i));
        p.drawLine(i + 3, 0, i + 3, bottom - 1);
      }
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (int v : handles_) {
      const int x = v + 3;
      const QPoint tri[3] = {{x, bottom}, {x - 3, bottom + kStrip - 1}, {x + 3, bottom + kStrip - 1}};
      p.drawPolygon(tri, 3);
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    dragging_ = true;
    give(e->position().toPoint().x());
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (dragging_) give(e->position().toPoint().x());
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    emit released();
  }

 private:
  // The nearest handle takes the value; ties go to the first input handle,
  // or to out_max on the output panel.
  void give(int mouse_x) {
    const int v = std::clamp(mouse_x - 3, 0, 255);
    size_t best = input_ ? 0 : handles_.size() - 1;
    for (size_t i = 0; i < handles_.size(); ++i) {
      const int d = std::abs(handles_[i] - v), bd = std::abs(handles_[best] - v);
      if (d < bd) best = i;
    }
    if (handles_[best] == v) return;
    handles_[best] = v;
    update();
    emit moved();
  }

  bool input_;
  std::array<uint64_t, 256> bins_;
  uint64_t pixels_;
  std::vector<int> handles_;
  bool dragging_ = false;
};

class LevelsDialog : public QDialog {
  Q_OBJECT
 public:
  LevelsDialog(QWidget* owner, LayerImage& layer, const LayerImage& backup, Rect target,
               std::function<void(Rect)> show)
      : QDialog(owner), preview_(layer, backup, target, std::move(show)) {
    setWindowTitle(QStringLiteral("レベル補正"));
    input_ = new LevelsPanel(true, filters::luma_histogram(backup), uint64_t(backup.pixel_count()), this);
    output_ = new LevelsPanel(false, {}, 0, this);
    // The value labels sit under their panels, the panels' width apart.
    auto* area = new QWidget(this);
    area->setFixedWidth(kPanelWidth);
    auto* grid = new QGridLayout(area);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(input_, 0, 0, 1, 3);
    grid->addWidget(output_, 2, 0, 1, 3);
    for (int i = 0; i < 5; ++i) {
      labels_[size_t(i)] = new QLabel(this);
      labels_[size_t(i)]->setObjectName(QStringLiteral("levels_value_%1").arg(1251 + i));
    }
    grid->addWidget(labels_[0], 1, 0, Qt::AlignLeft);
    grid->addWidget(labels_[1], 1, 1, Qt::AlignHCenter);
    grid->addWidget(labels_[2], 1, 2, Qt::AlignRight);
    grid->addWidget(labels_[3], 3, 0, Qt::AlignLeft);
    grid->addWidget(labels_[4], 3, 2, Qt::AlignRight);

    preview_box_ = new QCheckBox(QStringLiteral("プレビュー"), this);
    preview_box_->setChecked(true);
    auto* reset = new QPushButton(QStringLiteral("リセット"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    ok->setObjectName("ok");
    cancel->setObjectName("cancel");
    reset->setObjectName("reset");
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(preview_box_);
    buttons->addStretch();
    buttons->addWidget(reset);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addWidget(area, 0, Qt::AlignHCenter);
    top->addLayout(buttons);

    reset_handles();
    connect(input_, &LevelsPanel::moved, this, &LevelsDialog::show_values);
    connect(output_, &LevelsPanel::moved, this, &LevelsDialog::show_values);
    connect(input_, &LevelsPanel::released, this, &LevelsDialog::run_preview);
    connect(output_, &LevelsPanel::released, this, &LevelsDialog::run_preview);
    connect(preview_box_, &QCheckBox::toggled, this, &LevelsDialog::run_preview);
    connect(reset, &QPushButton::clicked, this, [this] {
      reset_handles();
      run_preview();
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  }

  filters::FilterValues values() const {
    filters::FilterValues v;
    const auto& in = input_->handles();
    const auto& out = output_->handles();
    v.numeric = {in[0], in[1], in[2], out[0], out[1]};
    return v;
  }
  void done(int r) override {
    preview_.restore();
    QDialog::done(r);
  }

 private:
  void reset_handles() {
    input_->set_handles({0, 128, 255});
    output_->set_handles({0, 255});
    show_values();
  }
  void show_values() {
    const filters::FilterValues v = values();
    for (int i = 0; i < 5; ++i) labels_[size_t(i)]->setText(QString::number(unsigned(v.numeric[size_t(i)])));
  }
  void run_preview() {
    if (preview_box_->isChecked()) preview_.run(filters::levels, values(), {});
    else preview_.restore();
  }

  CanvasPreview preview_;
  LevelsPanel* input_ = nullptr;
  LevelsPanel* output_ = nullptr;
  std::array<QLabel*, 5> labels_{};
  QCheckBox* preview_box_ = nullptr;
};

}  // namespace

std::optional<filters::FilterValues> run_levels_dialog(QWidget* owner, LayerImage& layer, const LayerImage& backup,
                                                       Rect target, std::function<void(Rect)> show_preview) {
  LevelsDialog dialog(owner, layer, backup, target, std::move(show_preview));
  const ActiveFilterDialogScope active(&dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.values();
}

}  // namespace qm

#include "levels_dialog.moc"

#include "panels/text_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qm {

namespace {

constexpr int kBold = 0x001, kItalic = 0x002, kVertical = 0x004, kSmooth = 0x008, kPreview = 0x100;

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

QSpinBox* spin(int lo, int hi, int value) {
  auto* s = new QSpinBox;
  s->setRange(lo, hi);
  s->setValue(std::clamp(value, lo, hi));
  return s;
}

QCheckBox* check(const char* text, bool on) {
  auto* c = new QCheckBox(u(text));
  c->setChecked(on);
  return c;
}

}  // namespace

std::u32string text_code_points(const QString& text, int max_chars) {
  const QList<uint> ucs4 = text.toUcs4();
  std::u32string out;
  for (uint c : ucs4) {
    if (int(out.size()) >= max_chars) break;
    out.push_back(char32_t(c));
  }
  return out;
}

TextDialog::TextDialog(const TextSettings& settings, const std::u32string& text, IntPoint at, QWidget* parent)
    : QDialog(parent), settings_(settings), at_(at) {
  setWindowTitle(u("문자"));
  setModal(false);
  build();
  fill_fonts();
  text_box_->setPlainText(QString::fromUcs4(text.data(), qsizetype(text.size())));
  text_box_->selectAll();
  text_box_->setFocus(Qt::OtherFocusReason);
  typing_.setInterval(10);
  connect(&typing_, &QTimer::timeout, this, &TextDialog::typing_tick);
  building_ = false;
}

void TextDialog::build() {
  const int f = settings_.flag;
  font_ = new QComboBox;
  size_ = spin(1, 1000, settings_.font_size);
  char_space_ = spin(-500, 1000, settings_.char_space);
  line_space_ = spin(-500, 1000, settings_.line_space);
  bold_ = check("굵게", f & kBold);
  italic_ = check("기울임", f & kItalic);
  vertical_ = check("세로", f & kVertical);
  smooth_ = check("스무드", f & kSmooth);
  preview_ = check("미리보기", f & kPreview);
  x_ = spin(-100000, 100000, at_.x);
  y_ = spin(-100000, 100000, at_.y);
  text_box_ = new QPlainTextEdit;
  text_box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_box_->setFont(QFont(QStringLiteral("Tahoma"), 9));
  text_box_->setMinimumSize(320, 120);
  text_box_->setContextMenuPolicy(Qt::CustomContextMenu);
  text_box_->installEventFilter(this);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(u("글꼴")), 0, 0);
  grid->addWidget(font_, 0, 1, 1, 5);
  grid->addWidget(new QLabel(u("크기")), 1, 0);
  grid->addWidget(size_, 1, 1);
  grid->addWidget(new QLabel(u("자간")), 1, 2);
  grid->addWidget(char_space_, 1, 3);
  grid->addWidget(new QLabel(u("행간")), 1, 4);
  grid->addWidget(line_space_, 1, 5);
  auto* checks = new QHBoxLayout;
  for (QCheckBox* c : {bold_, italic_, vertical_, smooth_, preview_}) checks->addWidget(c);
  checks->addStretch();
  auto* place = new QHBoxLayout;
  place->addWidget(new QLabel(QStringLiteral("X")));
  place->addWidget(x_);
  place->addWidget(new QLabel(QStringLiteral("Y")));
  place->addWidget(y_);
  place->addStretch();
  auto* draw = new QPushButton(u("그리기"));
  auto* cancel = new QPushButton(u("취소"));
  draw->setAutoDefault(false);
  cancel->setAutoDefault(false);
  place->addWidget(draw);
  place->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(checks);
  layout->addWidget(text_box_, 1);
  layout->addLayout(place);
  layout->addWidget(new QLabel(u("문자 입력 후 Alt+화살표 클릭: 그리는 위치를 1px씩 이동")));

  connect(draw, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(font_, &QComboBox::currentIndexChanged, this, &TextDialog::read_controls);
  for (QSpinBox* s : {size_, char_space_, line_space_, x_, y_})
    connect(s, &QSpinBox::valueChanged, this, &TextDialog::read_controls);
  for (QCheckBox* c : {bold_, italic_, vertical_, smooth_, preview_})
    connect(c, &QCheckBox::toggled, this, &TextDialog::read_controls);
  connect(text_box_, &QPlainTextEdit::textChanged, this, &TextDialog::text_edited);
  connect(text_box_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    menu.addAction(u("コピー"), text_box_, &QPlainTextEdit::copy);
    menu.addAction(u("貼り付け"), text_box_, &QPlainTextEdit::paste);
    menu.exec(text_box_->mapToGlobal(at));
  });
}

void TextDialog::fill_fonts() {
  const QString current = QString::fromStdString(settings_.font_name);
  QStringList families;
  for (const QString& family : QFontDatabase::families())
    if (QFontDatabase::isScalable(family) && !families.contains(family)) families.push_back(family);
  // A stored face this system lacks stays selectable (the glyphs then come
  // from the best match), so the setting is not lost by opening the dialog.
  const bool missing = !current.isEmpty() && !families.contains(current);
  if (missing) font_->addItem(current, settings_.char_set);
  for (const QString& family : families) {
    const bool symbol = QFontDatabase::writingSystems(family).contains(QFontDatabase::Symbol);
    font_->addItem(family, symbol ? 2 : 1);
  }
  if (missing) families.push_front(current);
  font_->setCurrentIndex(std::max(0, int(families.indexOf(current))));
}

void TextDialog::read_controls() {
  if (building_ || closing_) return;
  TextSettings s = settings_;
  if (font_->currentIndex() >= 0) {
    s.font_name = font_->currentText().toStdString();
    s.char_set = font_->currentData().toInt();
  }
  s.font_size = size_->value();
  s.char_space = char_space_->value();
  s.line_space = line_space_->value();
  s.flag = (s.flag & ~(kBold | kItalic | kVertical | kSmooth | kPreview)) | (bold_->isChecked() ? kBold : 0) |
           (italic_->isChecked() ? kItalic : 0) | (vertical_->isChecked() ? kVertical : 0) |
           (smooth_->isChecked() ? kSmooth : 0) | (preview_->isChecked() ? kPreview : 0);
  const IntPoint at{x_->value(), y_->value()};
  if (s == settings_ && at == at_) return;
  settings_ = s;
  at_ = at;
  emit changed();
}

std::u32string TextDialog::text() const { return text_code_points(text_box_->toPlainText(), kMaxTextChars); }

void TextDialog::set_position(IntPoint at) {
  if (at == at_) return;
  at_ = at;
  const QSignalBlocker bx(x_), by(y_);
  x_->setValue(at.x);
  y_->setValue(at.y);
  emit changed();
}

void TextDialog::text_edited() {
  if (building_ || closing_) return;
  // Longer texts are cut where the limit falls.
  const QString all = text_box_->toPlainText();
  if (all.toUcs4().size() > kMaxTextChars) {
    const std::u32string kept = text_code_points(all, kMaxTextChars);
    const QSignalBlocker block(text_box_);
    text_box_->setPlainText(QString::fromUcs4(kept.data(), qsizetype(kept.size())));
    text_box_->moveCursor(QTextCursor::End);
  }
  if (!(settings_.flag & kPreview)) return;
  since_change_.start();
  if (!typing_.isActive()) typing_.start();
}

void TextDialog::typing_tick() {
  if (since_change_.isValid() && since_change_.elapsed() < 20) return;
  typing_.stop();
  emit changed();
}

bool TextDialog::nudge(int key) {
  IntPoint at = at_;
  switch (key) {
    case Qt::Key_Left: --at.x; break;
    case Qt::Key_Right: ++at.x; break;
    case Qt::Key_Up: --at.y; break;
    case Qt::Key_Down: ++at.y; break;
    default: return false;
  }
  set_position(at);
  return true;
}

bool TextDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_box_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & Qt::AltModifier) && nudge(key->key())) return true;
    // Enter is a line break in the box; Ctrl+Enter draws.
    if ((key->modifiers() & Qt::ControlModifier) && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TextDialog::keyPressEvent(QKeyEvent* event) {
  if ((event->modifiers() & Qt::AltModifier) && nudge(event->key())) return;
  QDialog::keyPressEvent(event);
}

void TextDialog::place_over(const QWidget* owner) {
  adjustSize();
  if (settings_.win_x != -1 || settings_.win_y != -1) {
    move(settings_.win_x, settings_.win_y);
  } else if (owner) {
    const QRect o = owner->frameGeometry();
    move(o.center() - QPoint(width() / 2, height() / 2));
  }
}

void TextDialog::done(int result) {
  if (closing_) return;
  closing_ = true;
  typing_.stop();
  const QPoint at = frameGeometry().topLeft();
  settings_.win_x = at.x();
  settings_.win_y = at.y();
  QDialog::done(result);
  emit closed(result == QDialog::Accepted);
}

}  // namespace qm

#include "panels/tool_panel.h"

#include <QGridLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "app/dialogs/dialog_texts.h"
#include "panels/tool_icons.h"
#include "panels/tool_options.h"

namespace qm {

namespace {

QToolButton* make_button(QWidget* parent, const QIcon& icon, const QString& tip, int id) {
  auto* b = new QToolButton(parent);
  b->setIcon(icon);
  b->setIconSize(QSize(15, 15));
  b->setFixedSize(21, 21);
  b->setCheckable(true);
  b->setAutoRaise(true);
  b->setToolTip(tip);
  b->setProperty("command", id);
  return b;
}

}  // namespace

ToolPanel::ToolPanel(const PanelContext& context)
    : FloatingPanel(context, kPanelTool, QString()),
      options_(new ToolOptionPages(context.state->drawing, this)) {
  const QStringList tool_texts = tool_names();
  const QStringList type_texts = draw_type_names();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(3, 3, 3, 3);
  layout->setSpacing(2);
  auto* rows = new QGridLayout;
  rows->setSpacing(0);
  // Tools wrap after the tenth button.
  for (int t = 0; t < kToolCount; ++t) {
    tools_[size_t(t)] = make_button(this, tool_icon(t), tool_texts[t], kFirstToolButton + t);
    rows->addWidget(tools_[size_t(t)], t / 10, t % 10);
    connect(tools_[size_t(t)], &QToolButton::clicked, this, [this, t] {
      model().set_tool(t);
      refresh_tool();  // a click on the current tool must not uncheck it
    });
  }
  for (int d = 0; d < kDrawTypeCount; ++d) {
    draw_types_[size_t(d)] =
        make_button(this, draw_type_icon(d), type_texts[d], kFirstDrawTypeButton + d);
    rows->addWidget(draw_types_[size_t(d)], 2, d);
    connect(draw_types_[size_t(d)], &QToolButton::clicked, this, [this, d] {
      model().set_draw_type(model().tool(), d);
      refresh_tool();
    });
  }
  layout->addLayout(rows);
  layout->addWidget(options_);
  layout->addStretch();
  refresh_tool();
  keep_keyboard_with_canvas();
  // The stacked pages are as large as the largest one: switching tools
  // never resizes the window.
  setFixedSize(sizeHint());
}

void ToolPanel::drawing_changed(uint32_t what) {
  if (what & (kChangedTool | kChangedDrawType)) refresh_tool();
  if ((what & kChangedOptions) && !(what & kChangedTool)) options_->refresh();
}

void ToolPanel::refresh_tool() {
  const DrawingState& d = model().state();
  const int tool = d.tool;
  const int type = d.draw_type[size_t(tool)];
  const uint16_t mask = allowed_draw_types(tool);
  QString title = tool_names()[tool];
  if (tool <= kToolBurn) title += QStringLiteral(" - ") + draw_type_names()[type];
  setWindowTitle(title);
  for (int t = 0; t < kToolCount; ++t) tools_[size_t(t)]->setChecked(t == tool);
  for (int i = 0; i < kDrawTypeCount; ++i) {
    draw_types_[size_t(i)]->setEnabled(mask & (1u << i));
    draw_types_[size_t(i)]->setChecked(mask && i == type);
  }
  options_->show_tool(tool);
}

}  // namespace qm

#pragma once
// The tool window: 19 tool buttons in two rows (commands 2000 + tool), the
// ten draw-type buttons (2100 + type) enabled by the current tool's mask,
// and below them the current tool's option page. It keeps nothing itself:
// the tool, each tool's draw type and every option word live in the
// drawing state, and every change there (a bound key, the pen's eraser end)
// shows here.
#include <array>

#include "panels/floating_panel.h"

class QToolButton;

namespace qm {

class ToolOptionPages;

inline constexpr int kFirstToolButton = 2000;
inline constexpr int kFirstDrawTypeButton = 2100;

class ToolPanel : public FloatingPanel {
  Q_OBJECT

 public:
  explicit ToolPanel(const PanelContext& context);

  QToolButton* tool_button(int tool) const { return tools_[size_t(tool)]; }
  QToolButton* draw_type_button(int type) const { return draw_types_[size_t(type)]; }
  ToolOptionPages& options() const { return *options_; }

 protected:
  void drawing_changed(uint32_t what) override;

 private:
  void refresh_tool();

  std::array<QToolButton*, kToolCount> tools_{};
  std::array<QToolButton*, kDrawTypeCount> draw_types_{};
  ToolOptionPages* options_;
};

}  // namespace qm

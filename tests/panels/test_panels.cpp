// The tool and control panels on the drawing-state model, with a plain
// widget standing in for the main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QCheckBox>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "app/app_state.h"
#include "app/drawing_state_signals.h"
#include "panels/control_panel.h"
#include "panels/control_widgets.h"
#include "panels/slider_field.h"
#include "panels/tool_options.h"
#include "panels/tool_panel.h"
#include "state/settings_file.h"

namespace qm {
namespace {

class Panels : public ::testing::Test {
 protected:
  Panels() : drawing_signals(state.drawing) {
    context.state = &state;
    context.drawing = &drawing_signals;
    context.main_window = &owner;
    context.key_target = &owner;
    context.run_command = [this](int id) {
      commands.push_back(id);
      return true;
    };
    owner.show();
    tools = std::make_unique<ToolPanel>(context);
    control = std::make_unique<ControlPanel>(context);
  }
  DrawingStateModel& model() { return state.drawing; }
  // A click at a point of a painted control.
  static void click(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers mods = {}) {
    QTest::mouseClick(w, button, mods, at);
  }

  AppState state;
  DrawingStateSignals drawing_signals;
  QWidget owner;
  PanelContext context;
  std::vector<int> commands;
  std::unique_ptr<ToolPanel> tools;
  std::unique_ptr<ControlPanel> control;
};

int enabled_draw_types(const ToolPanel& panel) {
  int mask = 0;
  for (int d = 0; d < kDrawTypeCount; ++d)
    if (panel.draw_type_button(d)->isEnabled()) mask |= 1 << d;
  return mask;
}

TEST_F(Panels, ToolButtonsEnableTheToolsDrawTypesAndShowItsOptions) {
  const QSize size = tools->size();
  tools->tool_button(kToolFill)->click();
  EXPECT_EQ(model().tool(), kToolFill);
  EXPECT_EQ(enabled_draw_types(*tools), 0);
  EXPECT_EQ(tools->options().page(), OptionPage::kFill);
  EXPECT_EQ(tools->windowTitle(), QStringLiteral("칠하기"));
  tools->tool_button(kToolWatercolour)->click();
  EXPECT_EQ(enabled_draw_types(*tools), 0x01);
  EXPECT_EQ(tools->windowTitle(), QStringLiteral("수채 - 자유선"));
  tools->tool_button(kToolFinger)->click();
  EXPECT_EQ(enabled_draw_types(*tools), 0xC7);
  tools->tool_button(kToolGradient)->click();
  EXPECT_EQ(enabled_draw_types(*tools), 0xBF);
  EXPECT_EQ(tools->windowTitle(), QStringLiteral("그라디언트"));
  // Switching tools never resizes the window.
  EXPECT_EQ(tools->size(), size);
}

TEST_F(Panels, EachToolKeepsItsOwnDrawType) {
  tools->tool_button(kToolPen)->click();
  tools->draw_type_button(1)->click();
  tools->tool_button(kToolBrush)->click();
  tools->draw_type_button(4)->click();
  tools->tool_button(kToolPen)->click();
  EXPECT_TRUE(tools->draw_type_button(1)->isChecked());
  EXPECT_FALSE(tools->draw_type_button(4)->isChecked());
  EXPECT_EQ(tools->windowTitle(), QStringLiteral("펜 - 직선"));
  EXPECT_EQ(state.settings.draw.draw_type[kToolBrush], 4);
}

TEST_F(Panels, FingerNeverGetsAFilledRectangle) {
  model().set_tool(kToolFinger);
  EXPECT_FALSE(model().set_draw_type(kToolFinger, 3));
  tools->draw_type_button(3)->click();  // disabled: no effect
  EXPECT_EQ(state.settings.draw.draw_type[kToolFinger], 0);
  EXPECT_FALSE(tools->draw_type_button(3)->isEnabled());
}

TEST_F(Panels, OptionWordsAreWrittenAtOnce) {
  QComboBox* tones = tools->options().gradient_tones();
  ASSERT_EQ(tones->count(), 9);
  EXPECT_EQ(tones->itemText(0), QStringLiteral("1/1"));
  EXPECT_EQ(tones->itemText(8), QStringLiteral("1/256"));
  model().set_tool(kToolGradient);
  tones->setCurrentIndex(5);
  EXPECT_EQ(gradient_tone(state.settings.draw.options.grad), 5);
  // The minimums follow the tool that shows them: brush and spray keep
  // their own words.
  const int spray = state.settings.draw.options.splay;
  model().set_tool(kToolBrush);
  tools->options().minimum_size()->spin()->setValue(42);
  EXPECT_EQ(minimum_size_percent(state.settings.draw.options.brush), 42);
  EXPECT_EQ(state.settings.draw.options.splay, spray);
  model().set_tool(kToolSpray);
  EXPECT_EQ(tools->options().minimum_size()->value(), minimum_size_percent(spray));
  model().set_tool(kToolFill);
  tools->options().fill_switch(2)->click();
  EXPECT_EQ(state.settings.draw.options.paint, 1 | 4);
}

TEST_F(Panels, AToolChangedElsewhereRefreshesBothPanels) {
  // As a bound key, the pen's eraser end or the canvas would do it.
  model().set_brush_size(kToolBrush, 57);
  model().set_tool(kToolBrush);
  EXPECT_TRUE(tools->tool_button(kToolBrush)->isChecked());
  EXPECT_FALSE(tools->tool_button(kToolPencil)->isChecked());
  EXPECT_EQ(tools->windowTitle(), QStringLiteral("브러시 - 자유선"));
  EXPECT_EQ(tools->options().page(), OptionPage::kMinimums);
  EXPECT_EQ(control->size_slider()->value(), 57);
  EXPECT_EQ(control->density_slider()->value(), state.settings.draw.brush_alpha[kToolBrush]);
  // And the panel's sliders write the current tool.
  control->size_slider()->slider()->setValue(12);
  EXPECT_EQ(state.settings.draw.brush_size[kToolBrush], 12);
}

TEST_F(Panels, AStoredBrushSlotSurvivesARestart) {
  model().set_tool(kToolPen);
  model().set_brush(kToolPen, 23, 140);
  click(control->brush_slots(), {3 * 20 + 5, 5}, Qt::LeftButton, Qt::ControlModifier);
  click(control->brush_slots(), {6 * 20 + 5, 5}, Qt::RightButton);
  EXPECT_EQ(state.settings.draw.brush_slots[kToolPen][3], (23 << 8) | 140);

  AppState restarted;
  restarted.settings = settings_from_text(settings_to_text(state.settings));
  DrawingStateSignals restarted_signals(restarted.drawing);
  PanelContext c = context;
  c.state = &restarted;
  c.drawing = &restarted_signals;
  ControlPanel panel(c);
  restarted.drawing.set_brush(kToolPen, 1, 1);
  click(panel.brush_slots(), {3 * 20 + 5, 5});
  EXPECT_EQ(restarted.settings.draw.brush_size[kToolPen], 23);
  EXPECT_EQ(restarted.settings.draw.brush_alpha[kToolPen], 140);
  EXPECT_EQ(panel.size_slider()->value(), 23);
  EXPECT_EQ(restarted.settings.draw.brush_slots[kToolPen][6], (23 << 8) | 140);
}

TEST_F(Panels, ColourMaskEditor) {
  ColourMaskEditor* mask = control->mask_editor();
  DrawingState& d = state.settings.draw;
  d.mask_colours[0] = 0x123456;
  // One colour: Ctrl+click cannot delete it.
  click(mask, {60, 30}, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(d.colour_mask_count, 1);
  EXPECT_EQ(d.mask_colours[0], 0x123456u);
  // Add the drawing colour (button 0), not twice; then a second one.
  model().set_current_colour_value(0xFF0000);
  click(mask, {50, 5});
  click(mask, {50, 5});
  EXPECT_EQ(d.colour_mask_count, 2);
  EXPECT_EQ(d.mask_colours[1], 0xFF0000u);
  EXPECT_EQ(d.mask_colour_recent[0], 0xFF0000u);
  // Mode rows.
  click(mask, {10, 20});
  EXPECT_EQ(d.colour_mask_type, 1);
  // Alt+click on the second cell makes it the drawing colour; Ctrl+click
  // deletes the first.
  model().set_current_colour_value(0x00FF00);
  click(mask, {47 + 29 + 5, 30}, Qt::LeftButton, Qt::AltModifier);
  EXPECT_EQ(d.current_colour_value(), 0xFF0000u);
  click(mask, {50, 30}, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(d.colour_mask_count, 1);
  EXPECT_EQ(d.mask_colours[0], 0xFF0000u);
  // At most five.
  for (uint32_t c : {1u, 2u, 3u, 4u, 5u}) model().add_mask_colour(c);
  EXPECT_EQ(d.colour_mask_count, 5);
  EXPECT_EQ(ColourMaskEditor::cell_at(47 + 58, 5), 4);
  EXPECT_EQ(ColourMaskEditor::cell_at(47 + 10, 5), 0);
  EXPECT_EQ(ColourMaskEditor::cell_at(47 + 11, 5), 1);
}

TEST_F(Panels, SwitchingSliderModesKeepsTheColourAndHsvKeepsTheHue) {
  model().set_current_colour_value(0x3C8AD2);
  control->rgb_button()->click();
  EXPECT_EQ(control->colour_slider(0)->value(), 0x3C);
  control->hsv_button()->click();
  EXPECT_EQ(state.settings.draw.current_colour_value(), 0x3C8AD2u);
  EXPECT_EQ(control->colour_slider(0)->slider()->maximum(), 359);
  control->rgb_button()->click();
  EXPECT_EQ(state.settings.draw.current_colour_value(), 0x3C8AD2u);
  EXPECT_EQ(control->colour_slider(2)->value(), 0xD2);

  control->hsv_button()->click();
  const int hue = control->hsv().h;
  ASSERT_GT(hue, 0);
  // Saturation to 0 makes the colour grey; back up, the hue is the same.
  control->colour_slider(1)->slider()->setValue(0);
  EXPECT_EQ(control->hsv().h, hue);
  control->colour_slider(1)->slider()->setValue(200);
  EXPECT_EQ(control->hsv().h, hue);
  EXPECT_EQ(control->colour_slider(0)->value(), hue);
  // A colour from elsewhere takes its own hue.
  model().set_current_colour_value(0x00FF00);
  EXPECT_EQ(control->hsv().h, 120);
}

TEST_F(Panels, FoldStateLivesInTheViewFlags) {
  const int opt = state.settings.env.opt_flag;
  const int full = control->height();
  control->fold_button()->click();
  EXPECT_TRUE(state.settings.env.ex_view_flag & kViewControlFolded);
  EXPECT_EQ(state.settings.env.opt_flag, opt);
  EXPECT_LT(control->height(), full);
  EXPECT_EQ(control->height(), control->fold_button()->geometry().bottom() + 1 + 4);
  control->fold_button()->click();
  EXPECT_FALSE(state.settings.env.ex_view_flag & kViewControlFolded);
  EXPECT_EQ(control->height(), full);
}

TEST_F(Panels, ScreenPickerRestoresTheMainWindowWhenTheGrabIsLost) {
  ScreenPicker* picker = control->screen_picker();
  control->show();
  QTest::mousePress(picker, Qt::LeftButton, {}, {5, 5});
  EXPECT_TRUE(picker->picking());
  EXPECT_FALSE(owner.isVisible());
  // The grab ends without a release: the window deactivates.
  QEvent lost(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(picker, &lost);
  EXPECT_FALSE(picker->picking());
  EXPECT_TRUE(owner.isVisible());
  // A normal pick ends on release.
  QTest::mousePress(picker, Qt::LeftButton, {}, {5, 5});
  QTest::mouseRelease(picker, Qt::LeftButton, {}, {5, 5});
  EXPECT_FALSE(picker->picking());
  EXPECT_TRUE(owner.isVisible());
}

TEST_F(Panels, ColourPairGradientBarAndTextureBox) {
  // The overlap toggles, the uncovered parts choose.
  ColourPair pair(model(), nullptr);
  click(&pair, {20, 20});
  EXPECT_EQ(state.settings.draw.current_colour, 1);
  click(&pair, {40, 40});
  EXPECT_EQ(state.settings.draw.current_colour, 1);
  click(&pair, {2, 2});
  EXPECT_EQ(state.settings.draw.current_colour, 0);

  GradientMapBar bar(model(), nullptr);
  bar.resize(200, 16);
  model().set_current_colour_value(0x808080);
  click(&bar, {3, 3});
  EXPECT_EQ(state.settings.env.grad_map_col1, 0x808080u);
  state.settings.env.grad_map_col1 = 0x000000;
  state.settings.env.grad_map_col2 = 0xFFFFFF;
  ASSERT_EQ(bar.ramp_columns(), 200 - 32 - 8);
  EXPECT_EQ(bar.ramp_colour(0), 0x000000u);
  EXPECT_EQ(bar.ramp_colour(bar.ramp_columns() - 1), 0xFFFFFFu);
  click(&bar, {20, 8});  // ramp column 0
  EXPECT_EQ(state.settings.draw.current_colour_value(), 0x000000u);

  // The texture box's right click opens the texture window.
  TextureBox box(state, [this] { context.run_command(40155); }, nullptr);
  click(&box, {5, 5}, Qt::RightButton);
  EXPECT_EQ(commands, std::vector<int>{40155});
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "app/app_panels.h"

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/commands_filters.h"
#include "app/main_window.h"
#include "panels/control_panel.h"
#include "panels/ex_palette_panel.h"
#include "panels/image_view_panel.h"
#include "panels/palette_panel.h"
#include "panels/preview_panel.h"
#include "panels/texture_panel.h"
#include <QTimer>
#include "panels/layer_panel.h"
#include "panels/text_tool.h"
#include "panels/tool_panel.h"

namespace qm {

PanelContext panel_context(MainWindow& window) {
  PanelContext c;
  c.state = &window.state();
  c.drawing = &window.drawing_signals();
  c.main_window = &window;
  c.key_target = &window.canvas();
  c.run_command = [&window](int id) { return window.run_command(id); };
  return c;
}

void create_panels(MainWindow& window) {
  const PanelContext context = panel_context(window);
  window.add_panel(new ToolPanel(context));
  window.add_panel(new ControlPanel(context));
  window.add_panel(create_filter_list_panel(context));
  window.add_panel(new PalettePanel(context));
  window.add_panel(new ExPalettePanel(context));
  window.add_panel(new TexturePanel(context));
  auto* preview = new PreviewPanel(context);
  preview->centre_main_view = [&window](double x, double y) { window.canvas().scroll_to_image_point(x, y); };
  // The canvas repaints after every stroke, edit and new document; the
  // preview follows at most every 150 ms.
  auto* refresh = new QTimer(preview);
  refresh->setSingleShot(true);
  refresh->setInterval(150);
  QObject::connect(refresh, &QTimer::timeout, preview, [preview] {
    if (preview->isVisible()) preview->refresh();
  });
  QObject::connect(&window.canvas(), &CanvasWidget::painted, refresh, [refresh] {
    if (!refresh->isActive()) refresh->start();
  });
  window.add_panel(preview);
  window.add_panel(new ImageViewPanel(context));
  auto* layers = new LayerPanel(context);
  CanvasWidget* canvas = &window.canvas();
  layers->set_canvas_refresh([canvas] { canvas->present_dirty(); });
  // Strokes, fills, filters and undo all end in a canvas paint: the rows of
  // the layers that changed follow, once per turn of the event loop.
  QObject::connect(canvas, &CanvasWidget::painted, layers, [layers] {
    if (layers->property("check_queued").toBool()) return;
    layers->setProperty("check_queued", true);
    QMetaObject::invokeMethod(layers, [layers] {
      layers->setProperty("check_queued", false);
      layers->check_changes();
    }, Qt::QueuedConnection);
  });
  window.add_panel(layers);

  // The text tool: presses with tool 16 open its dialog over the canvas.
  TextToolHost text_host;
  text_host.main_window = &window;
  text_host.canvas = canvas;
  text_host.show_changes = [canvas] { canvas->present_dirty(); };
  text_host.edit_finished = [&window] { window.refresh_actions(); };
  text_host.end_placement = [canvas] {
    if (InputDispatcher* input = canvas->input()) input->end_text_placement();
  };
  auto* text = new TextTool(window.state(), std::move(text_host), &window);
  text->setObjectName(QStringLiteral("text_tool"));
  canvas->set_text_placer([text](IntPoint at, bool moved) { return text->place(at, moved); });

  // Tool and draw-type keys change the model like the panel's buttons (both
  // are idempotent, so the canvas' input layer may listen as well). A draw
  // type the tool refuses stays refused.
  DrawingStateModel& model = window.state().drawing;
  QObject::connect(&window, &MainWindow::key_action, &window, [&model](const KeyAction& a) {
    if (a.kind == KeyActionKind::kSelectTool)
      model.set_tool(a.value);
    else if (a.kind == KeyActionKind::kSetDrawType)
      model.set_draw_type(model.tool(), a.value);
  });
}

}  // namespace qm

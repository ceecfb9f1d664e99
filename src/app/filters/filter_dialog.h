#pragma once
// The generic filter dialog, built from a dialog description: one row per
// control (label, slider with its edit, check box, list, layer list), the
// preview panel in mode 2, Reset, Preview, OK and Cancel. In mode 1 the
// layer shows the preview and is restored from the backup on both exits.
#include <QDialog>
#include <vector>

#include "app/filters/filter_host.h"
#include "canvas/stroke_composite.h"
#include "filters/filter_dialog_desc.h"
#include "filters/filter_table.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace qm {

class FilterPreviewPanel;
class ValueSlider;

class FilterDialog : public QDialog {
  Q_OBJECT

 public:
  FilterDialog(FilterHost& host, const filters::FilterCommand& command,
               const filters::DialogDescription& description, Rect target,
               const filters::FilterEnvironment& env, QWidget* parent = nullptr);
  ~FilterDialog() override;

  // False when the backup could not be allocated: the dialog must not run.
  bool prepared() const { return prepared_; }
  filters::FilterValues values() const;
  // The copy of the layer made on opening (empty in preview mode 0).
  LayerImage& backup() { return backup_; }

  // For tests and screenshots.
  QWidget* control(int index) const;
  ValueSlider* slider(int value_slot) const;
  QCheckBox* preview_box() const { return preview_; }
  QPushButton* reset_button() const { return reset_; }
  FilterPreviewPanel* panel() const { return panel_; }
  int preview_runs() const { return preview_runs_; }

  void accept() override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct ValueRow {
    filters::ValueRange range;
    bool fixed = false;
    ValueSlider* slider = nullptr;
    QSpinBox* spin = nullptr;   // integer
    QLineEdit* text = nullptr;  // fixed-point, read-only
  };
  void build();
  void slider_moved(size_t row);
  void show_value(size_t row);
  void reset_values();
  void run_preview();
  void show_canvas_preview(Rect r);
  void restore_layer();
  Layer* layer() const;

  FilterHost& host_;
  const filters::FilterCommand& command_;
  const filters::DialogDescription& desc_;
  Rect target_;
  filters::FilterEnvironment env_;
  filters::DialogContext context_;
  LayerImage backup_;
  // Mode 1: only the current layer changes while the dialog is open, so the
  // layers below it are composited once.
  StrokeComposite preview_composite_;
  static constexpr int kPreviewThreads = 2;
  bool prepared_ = true;
  bool ready_ = false;
  bool layer_dirty_ = false;  // mode 1: the layer holds preview pixels
  int preview_runs_ = 0;

  std::vector<QWidget*> controls_;  // one per control, in order (the input element)
  std::vector<ValueRow> values_;
  std::vector<QCheckBox*> checks_;
  std::vector<QComboBox*> lists_;
  std::vector<int> list_is_layers_;
  FilterPreviewPanel* panel_ = nullptr;
  QCheckBox* preview_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* reset_ = nullptr;
};

}  // namespace qm

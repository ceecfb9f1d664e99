#pragma once
// Qt face of the drawing-state model: one signal per change, so widgets
// connect to it like to any other Qt object. The model stays the only
// owner of the values; this only relays its notifications.
#include <QObject>
#include <cstdint>

#include "state/drawing_state_model.h"

namespace qm {

class DrawingStateSignals : public QObject {
  Q_OBJECT

 public:
  explicit DrawingStateSignals(DrawingStateModel& model, QObject* parent = nullptr);
  ~DrawingStateSignals() override;

  DrawingStateModel& model() { return model_; }

 signals:
  // `what`: the DrawingChange bits of the change.
  void changed(quint32 what);

 private:
  DrawingStateModel& model_;
  int subscription_;
};

}  // namespace qm

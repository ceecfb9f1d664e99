#include "app/drawing_state_signals.h"

namespace qm {

DrawingStateSignals::DrawingStateSignals(DrawingStateModel& model, QObject* parent)
    : QObject(parent),
      model_(model),
      subscription_(model.subscribe([this](uint32_t what) { emit changed(what); })) {}

DrawingStateSignals::~DrawingStateSignals() { model_.unsubscribe(subscription_); }

}  // namespace qm

#pragma once
// The layer settings dialog: the name (at most 31 characters, stored cut to
// the 31-byte field on a character boundary) and the opacity in percent.
class QWidget;

namespace qm {

class Document;

// Edits the layer at `index` (not necessarily the current one); true on OK.
bool run_layer_settings_dialog(QWidget* parent, Document& doc, int index);

}  // namespace qm

#include "filters/dialog_source.h"

#include <algorithm>

namespace qm::filters {

const std::vector<DialogSource>& dialog_sources() {
  static const std::vector<DialogSource> table = {
#include "filter_dialogs.inc"
  };
  return table;
}

const DialogSource* find_dialog_source(int id) {
  for (const DialogSource& d : dialog_sources())
    if (d.id == id) return &d;
  return nullptr;
}

namespace {

void put16(std::vector<uint8_t>& out, int v) {
  out.push_back(uint8_t(v & 0xFF));
  out.push_back(uint8_t((v >> 8) & 0xFF));
}

void put_text(std::vector<uint8_t>& out, const std::string& s) {
  out.insert(out.end(), s.begin(), s.end());
  out.push_back(0);
}

}  // namespace

std::vector<uint8_t> encode_dialog(const DialogSource& dialog) {
  std::vector<uint8_t> out;
  out.push_back(uint8_t(dialog.controls.size()));
  for (const ControlSource& c : dialog.controls) {
    out.push_back(uint8_t(c.kind));
    put16(out, c.width);
    put_text(out, c.label);
    std::vector<uint8_t> data;
    switch (c.kind) {
      case 0:
      case 3:
        put16(data, c.minimum);
        put16(data, c.maximum);
        put16(data, c.def);
        put16(data, c.mark);
        if (c.flags >= 0) data.push_back(uint8_t(c.flags));
        break;
      case 2:
        for (const std::string& item : c.items) put_text(data, item);
        data.push_back(0);
        data.push_back(uint8_t(c.initial));
        break;
      default:
        data.push_back(uint8_t(c.initial));
        break;
    }
    put16(out, c.declared_length >= 0 ? c.declared_length : int(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  out.resize(out.size() - std::min<size_t>(out.size(), size_t(std::max(0, dialog.cut_bytes))));
  return out;
}

}  // namespace qm::filters

#pragma once
// The readable form of the filter dialog descriptions (resources/
// filter_dialogs.inc): one row per control, with the ASCII name the command
// line uses for it. The build turns every dialog into its binary record with
// encode_dialog(); the program reads only the binary records.
#include <cstdint>
#include <string>
#include <vector>

namespace qm::filters {

struct ControlSource {
  int kind = 0;  // 0 integer, 1 check box, 2 list, 3 fixed-point, 4 layer list
  int width = 0;
  std::string label;  // UTF-8
  int minimum = 0, maximum = 0, def = 0, mark = 0;
  int flags = -1;  // kinds 0 and 3: −1 for an 8-byte record, else the flags byte
  std::vector<std::string> items;  // kind 2
  int initial = 0;  // kind 1 state, kind 2 default index, kind 4 preselection rule
  int declared_length = -1;  // kind 2: a data length other than the items' own
  std::string name;  // command-line parameter name
};

struct DialogSource {
  int id = 0;
  std::vector<ControlSource> controls;
  int cut_bytes = 0;  // bytes missing at the end of the record
};

inline ControlSource integer(int width, std::string label, int minimum, int maximum, int def,
                             int mark, std::string name, int flags = -1) {
  return {0, width, std::move(label), minimum, maximum, def, mark, flags, {}, 0, -1, std::move(name)};
}
inline ControlSource fixed_point(int width, std::string label, int minimum, int maximum, int def,
                                 int mark, std::string name) {
  return {3, width, std::move(label), minimum, maximum, def, mark, -1, {}, 0, -1, std::move(name)};
}
inline ControlSource check(int width, std::string label, int on, std::string name) {
  return {1, width, std::move(label), 0, 0, 0, 0, -1, {}, on, -1, std::move(name)};
}
inline ControlSource list(int width, std::string label, std::vector<std::string> items, int def,
                          std::string name, int declared_length = -1) {
  return {2, width, std::move(label), 0, 0, 0, 0, -1, std::move(items), def, declared_length,
          std::move(name)};
}
inline ControlSource layers(int width, std::string label, int rule, std::string name) {
  return {4, width, std::move(label), 0, 0, 0, 0, -1, {}, rule, -1, std::move(name)};
}

// Every dialog of resources/filter_dialogs.inc, ids ascending.
const std::vector<DialogSource>& dialog_sources();
const DialogSource* find_dialog_source(int id);

// The binary record of one dialog (little-endian, labels as UTF-8).
std::vector<uint8_t> encode_dialog(const DialogSource& dialog);

}  // namespace qm::filters

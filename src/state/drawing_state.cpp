#include "state/drawing_state.h"

#include <algorithm>

#include "formats/layer_name.h"

namespace qm {

int text_length_chars(const std::string& text) {
  if (!is_valid_utf8(text)) return int(std::min<size_t>(text.size(), 0x7FFFFFFF));
  int chars = 0;
  for (char c : text)
    if ((uint8_t(c) & 0xC0) != 0x80) ++chars;
  return chars;
}

namespace {

// A path that cannot sit on one line of the settings file.
bool storable_path(const std::string& path, int max_chars) {
  if (path.empty()) return false;
  if (path.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) return false;
  return text_length_chars(path) <= max_chars;
}

}  // namespace

bool push_recent_path(std::string* list, int count, const std::string& path, int max_chars) {
  if (count <= 0 || !storable_path(path, max_chars)) return false;
  // The entry to drop: the same path if present, else the last one.
  int drop = count - 1;
  for (int i = 0; i < count; ++i)
    if (list[i] == path) {
      drop = i;
      break;
    }
  for (int i = drop; i > 0; --i) list[i] = std::move(list[i - 1]);
  list[0] = path;
  return true;
}

void remove_recent_path(std::string* list, int count, int index) {
  if (index < 0 || index >= count) return;
  for (int i = index; i + 1 < count; ++i) list[i] = std::move(list[i + 1]);
  list[count - 1].clear();
}

void push_recent_size(std::array<int, kRecentSizeCount>& list, int packed_size) {
  auto found = std::find(list.begin(), list.end(), packed_size);
  if (found == list.end()) found = list.end() - 1;
  std::move_backward(list.begin(), found, found + 1);
  list.front() = packed_size;
}

}  // namespace qm

#include "state/key_bindings.h"

#include "formats/binary_file.h"
#include "formats/safe_write.h"

namespace qm {

namespace {

// First table index of each group.
constexpr std::array<int, kKeyGroupCount + 1> group_starts() {
  std::array<int, kKeyGroupCount + 1> starts{};
  for (int g = 0; g < kKeyGroupCount; ++g) starts[size_t(g) + 1] = starts[size_t(g)] + kKeyGroupSizes[g];
  return starts;
}
constexpr auto kGroupStart = group_starts();
static_assert(kGroupStart[kKeyGroupCount] == kKeyBindingCount);

// The group's commands, by item: undo, redo, zoom in, zoom out, zoom 100 %
// (the fourth zoom preset), mirrored view, all windows, trim to selection,
// and the layer panel's new, duplicate, delete, merge down, up, down.
constexpr int kGroupCommands[14] = {40050, 40051, 40167, 40168, 3003,  40163, 40160,
                                    40113, 42300, 42302, 42303, 42304, 42306, 42307};
constexpr int kFirstWindowCommand = 40150;

// More entries than this could never come from our writer; reading stops there.
constexpr int64_t kMaxKeyFileBytes = 2 + 2 * 0xFFFF;

}  // namespace

KeyBindings default_key_bindings() {
  KeyBindings keys;
  for (int g = 0; g < kKeyGroupCount; ++g)
    for (int item = 0; item < kKeyGroupSizes[g]; ++item)
      keys.entries[size_t(kGroupStart[size_t(g)] + item)] = uint16_t((g * 32 + item) << 8);
  return keys;
}

int key_binding_index(KeyGroup group, int item) {
  const int g = int(group);
  if (g < 0 || g >= kKeyGroupCount || item < 0 || item >= kKeyGroupSizes[g]) return -1;
  return kGroupStart[size_t(g)] + item;
}

int key_binding_index_of_action(uint8_t action) {
  return key_binding_index(KeyGroup(action >> 5), action & 31);
}

uint8_t bound_key(const KeyBindings& keys, KeyGroup group, int item) {
  const int index = key_binding_index(group, item);
  return index < 0 ? 0 : uint8_t(keys.entries[size_t(index)] & 0xFF);
}

void bind_key(KeyBindings& keys, KeyGroup group, int item, uint8_t key) {
  const int index = key_binding_index(group, item);
  if (index < 0) return;
  uint16_t& entry = keys.entries[size_t(index)];
  entry = uint16_t((entry & 0xFF00) | key);
}

void unbind_all_keys(KeyBindings& keys) {
  for (uint16_t& entry : keys.entries) entry &= 0xFF00;
}

bool is_bindable_key(int key) {
  return (key >= 33 && key <= 44) || (key >= 47 && key <= 121) || (key >= 123 && key <= 143) ||
         (key >= 146 && key <= 225);
}

KeyBindings key_bindings_from_bytes(std::span<const uint8_t> bytes) {
  KeyBindings keys = default_key_bindings();
  if (bytes.size() < 2) return keys;
  const size_t count = size_t(bytes[0]) | size_t(bytes[1]) << 8;
  if (bytes.size() < 2 + 2 * count) return keys;  // short: all defaults
  // Each stored entry lands on the table entry with its high byte; the high
  // bytes of our table are unique, so "the first such entry" is that one.
  for (size_t i = 0; i < count; ++i) {
    const uint16_t stored = uint16_t(bytes[2 + 2 * i] | bytes[3 + 2 * i] << 8);
    const int index = key_binding_index_of_action(uint8_t(stored >> 8));
    if (index < 0) continue;
    const uint8_t key = uint8_t(stored & 0xFF);
    // A key the dialog refuses (Enter, Escape, Delete ...) would collide
    // with the fixed keys: read it as unbound.
    keys.entries[size_t(index)] = uint16_t((stored & 0xFF00) | (is_bindable_key(key) ? key : 0));
  }
  return keys;
}

std::vector<uint8_t> key_bindings_to_bytes(const KeyBindings& keys) {
  std::vector<uint8_t> bytes;
  bytes.reserve(2 + 2 * kKeyBindingCount);
  bytes.push_back(uint8_t(kKeyBindingCount & 0xFF));
  bytes.push_back(uint8_t(kKeyBindingCount >> 8));
  for (uint16_t entry : keys.entries) {
    bytes.push_back(uint8_t(entry & 0xFF));
    bytes.push_back(uint8_t(entry >> 8));
  }
  return bytes;
}

KeyBindings load_key_bindings(const std::string& path) {
  // A file longer than any count can describe is still read: only its
  // first kMaxKeyFileBytes can matter.
  BinaryFile file;
  if (!file.open_read(path)) return default_key_bindings();
  std::vector<uint8_t> bytes(static_cast<size_t>(kMaxKeyFileBytes));
  bytes.resize(file.read(bytes.data(), bytes.size()));
  return key_bindings_from_bytes(bytes);
}

bool save_key_bindings(const std::string& path, const KeyBindings& keys) {
  const std::vector<uint8_t> bytes = key_bindings_to_bytes(keys);
  return safe_write(path, [&](BinaryFile& file) { return file.write(bytes.data(), bytes.size()); });
}

KeyAction key_binding_action(KeyGroup group, int item) {
  if (key_binding_index(group, item) < 0) return {};
  switch (group) {
    case KeyGroup::kTool:
      return {KeyActionKind::kSelectTool, item};
    case KeyGroup::kDrawType:
      return {KeyActionKind::kSetDrawType, item};
    case KeyGroup::kCommand:
      return {KeyActionKind::kCommand, kGroupCommands[item]};
    case KeyGroup::kKeyClick:
      return {};
    case KeyGroup::kOther:
      switch (item) {
        case 0: return {KeyActionKind::kEraserToggle};
        case 1: return {KeyActionKind::kSwapColours};
        case 2: return {KeyActionKind::kBrushSizeUp};
        case 3: return {KeyActionKind::kBrushSizeDown};
        case 4: return {KeyActionKind::kBrushSizeOne};
        case 5: return {KeyActionKind::kTextureToggle};
        default: return {KeyActionKind::kWaterAmount, item - 6};
      }
    case KeyGroup::kWindow:
      return {KeyActionKind::kCommand, kFirstWindowCommand + item};
  }
  return {};
}

KeyDispatch dispatch_key(const KeyBindings& keys, const KeyPress& press, CanvasKeyState state) {
  KeyDispatch result;
  if (state != CanvasKeyState::kIdle) {
    const bool figure = state == CanvasKeyState::kPolyline || state == CanvasKeyState::kBezier ||
                        state == CanvasKeyState::kSpline;
    if (figure && (press.key == vk::kEscape || press.key == vk::kReturn))
      result.fixed = {KeyActionKind::kFinishFigure};
    else if (state == CanvasKeyState::kSpline && press.key == vk::kBack)
      result.fixed = {KeyActionKind::kRemoveSplinePoint};
    return result;
  }

  if (press.ctrl) {
    switch (press.key) {
      case vk::kLeft: result.fixed = {KeyActionKind::kMoveLayer, 0, -1, 0}; return result;
      case vk::kUp: result.fixed = {KeyActionKind::kMoveLayer, 0, 0, -1}; return result;
      case vk::kRight: result.fixed = {KeyActionKind::kMoveLayer, 0, 1, 0}; return result;
      case vk::kDown: result.fixed = {KeyActionKind::kMoveLayer, 0, 0, 1}; return result;
      default: break;
    }
  }
  if (press.key == vk::kInsert) result.fixed = {KeyActionKind::kCommand, kCommandFillSelection};
  if (press.key == vk::kDelete) result.fixed = {KeyActionKind::kCommand, kCommandEraseSelection};

  // Key code 0 marks an unbound entry; it is never a key.
  if (press.key == 0) return result;
  for (int index = 0; index < kKeyBindingCount; ++index) {
    const uint16_t entry = keys.entries[size_t(index)];
    if ((entry & 0xFF) != press.key) continue;
    const uint8_t action = uint8_t(entry >> 8);
    result.bound = key_binding_action(KeyGroup(action >> 5), action & 31);
    break;
  }
  return result;
}

}  // namespace qm

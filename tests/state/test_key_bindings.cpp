#include <gtest/gtest.h>

#include <vector>

#include "state/key_bindings.h"
#include "state_test_util.h"

namespace qm {
namespace {

using test::read_text;
using test::ScratchFolder;
using test::write_text;

std::vector<uint8_t> key_file(std::initializer_list<uint16_t> entries, int count = -1) {
  std::vector<uint8_t> bytes;
  const int n = count < 0 ? int(entries.size()) : count;
  bytes.push_back(uint8_t(n & 0xFF));
  bytes.push_back(uint8_t(n >> 8));
  for (uint16_t e : entries) {
    bytes.push_back(uint8_t(e & 0xFF));
    bytes.push_back(uint8_t(e >> 8));
  }
  return bytes;
}

int bound_count(const KeyBindings& keys) {
  int n = 0;
  for (uint16_t e : keys.entries) n += (e & 0xFF) != 0;
  return n;
}

TEST(KeyBindings, DefaultTableInGroupOrder) {
  const KeyBindings keys = default_key_bindings();
  const std::vector<uint8_t> bytes = key_bindings_to_bytes(keys);
  ASSERT_EQ(bytes.size(), 150u);
  EXPECT_EQ(bytes[0], 74);
  EXPECT_EQ(bytes[1], 0);
  // The action bytes: 0x00-0x12, 0x20-0x29, 0x40-0x4D, 0x60-0x6B, 0x80-0x89, 0xA0-0xA8.
  std::vector<uint8_t> actions;
  for (int i = 0; i <= 0x12; ++i) actions.push_back(uint8_t(i));
  for (int i = 0x20; i <= 0x29; ++i) actions.push_back(uint8_t(i));
  for (int i = 0x40; i <= 0x4D; ++i) actions.push_back(uint8_t(i));
  for (int i = 0x60; i <= 0x6B; ++i) actions.push_back(uint8_t(i));
  for (int i = 0x80; i <= 0x89; ++i) actions.push_back(uint8_t(i));
  for (int i = 0xA0; i <= 0xA8; ++i) actions.push_back(uint8_t(i));
  ASSERT_EQ(actions.size(), 74u);
  for (size_t i = 0; i < 74; ++i) {
    EXPECT_EQ(bytes[2 + 2 * i], 0) << i;  // unbound
    EXPECT_EQ(bytes[3 + 2 * i], actions[i]) << i;
  }
}

TEST(KeyBindings, FileRoundTrip) {
  KeyBindings keys = default_key_bindings();
  bind_key(keys, KeyGroup::kTool, 0, 'B');
  bind_key(keys, KeyGroup::kWindow, 8, 0x70);
  bind_key(keys, KeyGroup::kKeyClick, kKeyClickPickColour, 'I');
  ScratchFolder dir;
  const std::string path = dir.file("key.dat");
  ASSERT_TRUE(save_key_bindings(path, keys));
  const std::string bytes = read_text(path);
  ASSERT_EQ(bytes.size(), 150u);
  EXPECT_EQ(uint8_t(bytes[2]), 'B');
  EXPECT_EQ(uint8_t(bytes[3]), 0x00);
  EXPECT_EQ(uint8_t(bytes[148]), 0x70);
  EXPECT_EQ(uint8_t(bytes[149]), 0xA8);
  EXPECT_EQ(load_key_bindings(path), keys);
  EXPECT_EQ(dir.entry_count(), 1u);
  EXPECT_EQ(load_key_bindings(dir.file("missing.dat")), default_key_bindings());
}

TEST(KeyBindings, EntriesAreMatchedByTheirActionByte) {
  // Stored out of order, with actions that do not exist: group 0 item 19,
  // group 2 item 14, group 6 and group 7.
  const KeyBindings keys = key_bindings_from_bytes(
      key_file({0xA241, 0x1342, 0x4E43, 0xC044, 0xFF45, 0x0246, 0x6B47}));
  EXPECT_EQ(bound_key(keys, KeyGroup::kWindow, 2), 'A');
  EXPECT_EQ(bound_key(keys, KeyGroup::kTool, 2), 'F');
  EXPECT_EQ(bound_key(keys, KeyGroup::kKeyClick, 11), 'G');
  EXPECT_EQ(bound_count(keys), 3);
  // The same action twice: the later entry wins.
  EXPECT_EQ(bound_key(key_bindings_from_bytes(key_file({0x0541, 0x0542})), KeyGroup::kTool, 5), 'B');
}

TEST(KeyBindings, ShortLongAndEmptyFiles) {
  const KeyBindings defaults = default_key_bindings();
  EXPECT_EQ(key_bindings_from_bytes({}), defaults);
  EXPECT_EQ(key_bindings_from_bytes(std::vector<uint8_t>{1}), defaults);
  // Three entries announced, two present: nothing is taken.
  EXPECT_EQ(key_bindings_from_bytes(key_file({0x0041, 0x0142}, 3)), defaults);
  // Half an entry missing.
  std::vector<uint8_t> cut = key_file({0x0041, 0x0142});
  cut.pop_back();
  EXPECT_EQ(key_bindings_from_bytes(cut), defaults);
  // Bytes past the announced entries are ignored.
  std::vector<uint8_t> longer = key_file({0x0041, 0x0142, 0x0243}, 2);
  longer.insert(longer.end(), 1000, 0x55);
  const KeyBindings keys = key_bindings_from_bytes(longer);
  EXPECT_EQ(bound_key(keys, KeyGroup::kTool, 0), 'A');
  EXPECT_EQ(bound_key(keys, KeyGroup::kTool, 1), 'B');
  EXPECT_EQ(bound_count(keys), 2);
  // A count of 0 leaves every action unbound.
  EXPECT_EQ(bound_count(key_bindings_from_bytes(key_file({0x0041, 0x0142}, 0))), 0);
  // Through a file, including one of the largest count.
  ScratchFolder dir;
  std::vector<uint8_t> big = key_file({}, 0xFFFF);
  for (int i = 0; i < 0xFFFF; ++i) {
    big.push_back('Z');
    big.push_back(uint8_t(i % 74 < 19 ? i % 74 : 0xFF));
  }
  write_text(dir.file("key.dat"), std::string(big.begin(), big.end()));
  const KeyBindings from_file = load_key_bindings(dir.file("key.dat"));
  EXPECT_EQ(bound_count(from_file), 19);
  EXPECT_EQ(bound_key(from_file, KeyGroup::kTool, 18), 'Z');
}

TEST(KeyBindings, KeysTheDialogRefusesAreReadAsUnbound) {
  for (int key : {0x08, 0x09, 0x0D, 0x10, 0x1B, 0x20, 0x2D, 0x2E, 0x7A, 0x90, 0x91, 0xE2, 0xFF})
    EXPECT_EQ(bound_key(key_bindings_from_bytes(key_file({uint16_t(0x0100 | key)})), KeyGroup::kTool, 1), 0)
        << key;
  const int edges[][2] = {{32, 0}, {33, 1}, {44, 1}, {45, 0}, {46, 0}, {47, 1}, {121, 1}, {122, 0},
                          {123, 1}, {143, 1}, {144, 0}, {145, 0}, {146, 1}, {225, 1}, {226, 0}};
  for (const auto& [key, ok] : edges) EXPECT_EQ(is_bindable_key(key), ok == 1) << key;
}

TEST(KeyDispatch, FixedKeysComeFirst) {
  KeyBindings keys = default_key_bindings();
  bind_key(keys, KeyGroup::kTool, 3, vk::kLeft);
  // Ctrl + arrow moves the layer and nothing else happens.
  KeyDispatch d = dispatch_key(keys, {vk::kLeft, true}, CanvasKeyState::kIdle);
  EXPECT_EQ(d.fixed, (KeyAction{KeyActionKind::kMoveLayer, 0, -1, 0}));
  EXPECT_EQ(d.bound.kind, KeyActionKind::kNone);
  EXPECT_EQ(dispatch_key(keys, {vk::kUp, true}, CanvasKeyState::kIdle).fixed,
            (KeyAction{KeyActionKind::kMoveLayer, 0, 0, -1}));
  EXPECT_EQ(dispatch_key(keys, {vk::kRight, true}, CanvasKeyState::kIdle).fixed,
            (KeyAction{KeyActionKind::kMoveLayer, 0, 1, 0}));
  EXPECT_EQ(dispatch_key(keys, {vk::kDown, true}, CanvasKeyState::kIdle).fixed,
            (KeyAction{KeyActionKind::kMoveLayer, 0, 0, 1}));
  // Without Ctrl the arrow is an ordinary key.
  d = dispatch_key(keys, {vk::kLeft, false}, CanvasKeyState::kIdle);
  EXPECT_EQ(d.fixed.kind, KeyActionKind::kNone);
  EXPECT_EQ(d.bound, (KeyAction{KeyActionKind::kSelectTool, 3}));
  // Insert and Delete act on the selection, then the table is still searched.
  keys.entries[10] = uint16_t((keys.entries[10] & 0xFF00) | vk::kInsert);  // bound by hand
  d = dispatch_key(keys, {vk::kInsert, false}, CanvasKeyState::kIdle);
  EXPECT_EQ(d.fixed, (KeyAction{KeyActionKind::kCommand, kCommandFillSelection}));
  EXPECT_EQ(d.bound, (KeyAction{KeyActionKind::kSelectTool, 10}));
  d = dispatch_key(keys, {vk::kDelete, false}, CanvasKeyState::kIdle);
  EXPECT_EQ(d.fixed, (KeyAction{KeyActionKind::kCommand, kCommandEraseSelection}));
  EXPECT_EQ(d.bound.kind, KeyActionKind::kNone);
}

TEST(KeyDispatch, FirstMatchingEntryDecides) {
  KeyBindings keys = default_key_bindings();
  // A tool and a window on one key: the tool (earlier in the table).
  bind_key(keys, KeyGroup::kWindow, 2, 'T');
  bind_key(keys, KeyGroup::kTool, 4, 'T');
  EXPECT_EQ(dispatch_key(keys, {'T'}, CanvasKeyState::kIdle).bound,
            (KeyAction{KeyActionKind::kSelectTool, 4}));
  // A key-and-click entry found first decides "nothing", even with a later
  // binding of the same key.
  bind_key(keys, KeyGroup::kKeyClick, kKeyClickFill, 'K');
  bind_key(keys, KeyGroup::kOther, 1, 'K');
  const KeyDispatch d = dispatch_key(keys, {'K'}, CanvasKeyState::kIdle);
  EXPECT_FALSE(d.handled());
  // Unbound entries never match.
  EXPECT_FALSE(dispatch_key(keys, {0}, CanvasKeyState::kIdle).handled());
  EXPECT_FALSE(dispatch_key(keys, {'Q'}, CanvasKeyState::kIdle).handled());
  // Modifiers other than Ctrl + arrow do not matter to the table.
  EXPECT_EQ(dispatch_key(keys, {'T', true}, CanvasKeyState::kIdle).bound.kind,
            KeyActionKind::kSelectTool);
}

TEST(KeyDispatch, EveryGroupsAction) {
  KeyBindings keys = default_key_bindings();
  const int commands[14] = {40050, 40051, 40167, 40168, 3003,  40163, 40160,
                            40113, 42300, 42302, 42303, 42304, 42306, 42307};
  for (int item = 0; item < 14; ++item)
    EXPECT_EQ(key_binding_action(KeyGroup::kCommand, item),
              (KeyAction{KeyActionKind::kCommand, commands[item]}));
  for (int item = 0; item < 9; ++item)
    EXPECT_EQ(key_binding_action(KeyGroup::kWindow, item),
              (KeyAction{KeyActionKind::kCommand, 40150 + item}));
  for (int item = 0; item < 12; ++item)
    EXPECT_EQ(key_binding_action(KeyGroup::kKeyClick, item).kind, KeyActionKind::kNone);
  const KeyActionKind others[6] = {KeyActionKind::kEraserToggle,  KeyActionKind::kSwapColours,
                                   KeyActionKind::kBrushSizeUp,   KeyActionKind::kBrushSizeDown,
                                   KeyActionKind::kBrushSizeOne,  KeyActionKind::kTextureToggle};
  for (int item = 0; item < 6; ++item)
    EXPECT_EQ(key_binding_action(KeyGroup::kOther, item).kind, others[item]);
  for (int item = 6; item < 10; ++item)
    EXPECT_EQ(key_binding_action(KeyGroup::kOther, item),
              (KeyAction{KeyActionKind::kWaterAmount, item - 6}));
  EXPECT_EQ(key_binding_action(KeyGroup::kDrawType, 9), (KeyAction{KeyActionKind::kSetDrawType, 9}));
  EXPECT_EQ(key_binding_action(KeyGroup::kTool, 19).kind, KeyActionKind::kNone);
  // Through the dispatch: the last window item.
  bind_key(keys, KeyGroup::kWindow, 8, 0x7B);
  EXPECT_EQ(dispatch_key(keys, {0x7B}, CanvasKeyState::kIdle).bound,
            (KeyAction{KeyActionKind::kCommand, 40158}));
}

TEST(KeyDispatch, AfterUnbindingAllOnlyFixedKeysWork) {
  KeyBindings keys = default_key_bindings();
  for (int g = 0; g < kKeyGroupCount; ++g)
    for (int item = 0; item < kKeyGroupSizes[g]; ++item) bind_key(keys, KeyGroup(g), item, 'A' + item);
  unbind_all_keys(keys);
  EXPECT_EQ(keys, default_key_bindings());
  for (int key = 1; key < 256; ++key) {
    const KeyDispatch d = dispatch_key(keys, {uint8_t(key)}, CanvasKeyState::kIdle);
    EXPECT_EQ(d.bound.kind, KeyActionKind::kNone) << key;
  }
  EXPECT_TRUE(dispatch_key(keys, {vk::kDown, true}, CanvasKeyState::kIdle).handled());
  EXPECT_TRUE(dispatch_key(keys, {vk::kDelete}, CanvasKeyState::kIdle).handled());
}

TEST(KeyDispatch, WhileAFigureIsInProgress) {
  KeyBindings keys = default_key_bindings();
  bind_key(keys, KeyGroup::kTool, 1, 'A');
  for (CanvasKeyState state :
       {CanvasKeyState::kPolyline, CanvasKeyState::kBezier, CanvasKeyState::kSpline}) {
    EXPECT_EQ(dispatch_key(keys, {vk::kEscape}, state).fixed.kind, KeyActionKind::kFinishFigure);
    EXPECT_EQ(dispatch_key(keys, {vk::kReturn}, state).fixed.kind, KeyActionKind::kFinishFigure);
    // Bindings and the fixed keys of the idle canvas wait.
    EXPECT_FALSE(dispatch_key(keys, {'A'}, state).handled());
    EXPECT_FALSE(dispatch_key(keys, {vk::kLeft, true}, state).handled());
  }
  EXPECT_EQ(dispatch_key(keys, {vk::kBack}, CanvasKeyState::kSpline).fixed.kind,
            KeyActionKind::kRemoveSplinePoint);
  EXPECT_FALSE(dispatch_key(keys, {vk::kBack}, CanvasKeyState::kPolyline).handled());
  // Any other drag: no key does anything.
  for (int key : {int(vk::kEscape), int(vk::kReturn), int('A'), int(vk::kInsert)})
    EXPECT_FALSE(dispatch_key(keys, {uint8_t(key)}, CanvasKeyState::kBusy).handled()) << key;
  // Escape while idle is no fixed key.
  EXPECT_FALSE(dispatch_key(keys, {vk::kEscape}, CanvasKeyState::kIdle).handled());
}

}  // namespace
}  // namespace qm

// Filter dialog records: every built record against its table row, the rows
// the table fixes by hand, and hostile records.
#include <gtest/gtest.h>

#include "filters/dialog_source.h"
#include "filters/filter_dialog_desc.h"
#include "filters/filter_table.h"

namespace qm::filters {
namespace {

TEST(FilterDialogs, EveryRecordParsesAndEqualsItsRow) {
  ASSERT_EQ(dialog_sources().size(), 41u);
  for (int id = 700; id <= 740; ++id) {
    SCOPED_TRACE(id);
    const DialogSource* src = find_dialog_source(id);
    ASSERT_NE(src, nullptr);
    const DialogDescription* d = filter_dialog(id);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->controls.size(), src->controls.size());
    for (size_t i = 0; i < d->controls.size(); ++i) {
      const DialogControl& c = d->controls[i];
      const ControlSource& s = src->controls[i];
      EXPECT_EQ(int(c.kind), s.kind);
      EXPECT_EQ(c.width, s.width);
      EXPECT_EQ(c.label, s.label);
      if (c.is_value()) {
        EXPECT_EQ(c.minimum, s.minimum);
        EXPECT_EQ(c.maximum, s.maximum);
        EXPECT_EQ(c.default_value, s.def);
        // The records that end early lose their last mark's high byte.
        EXPECT_EQ(c.mark, src->cut_bytes && i + 1 == d->controls.size() ? s.mark & 0xFF : s.mark);
        EXPECT_EQ(c.has_flags, s.flags >= 0);
      } else {
        EXPECT_EQ(c.initial, s.initial);
        EXPECT_EQ(c.items, s.items);
      }
    }
  }
  EXPECT_EQ(filter_dialog(699), nullptr);
  EXPECT_EQ(filter_dialog(741), nullptr);
}

TEST(FilterDialogs, RowsFixedByTheTable) {
  // 702 and 703 end before the high byte of their last mark.
  for (int id : {702, 703}) {
    const DialogSource& s = *find_dialog_source(id);
    EXPECT_EQ(filter_dialog_record(id).size() + 1, encode_dialog({id, s.controls, 0}).size());
    EXPECT_EQ(filter_dialog(id)->controls.back().mark, 0);
  }
  // 712's colour list declares fewer bytes than its items take.
  const DialogControl& colour = filter_dialog(712)->controls.back();
  EXPECT_EQ(colour.items, (std::vector<std::string>{"描画色", "ﾓﾉｸﾛ", "HSV"}));
  EXPECT_EQ(colour.initial, 0);
  EXPECT_EQ(colour.slot, 1);

  DialogContext ctx;
  ctx.canvas_width = 640;
  ctx.canvas_height = 481;
  ctx.target = {10, 20, 100, 50};
  ctx.layer_count = 3;
  ctx.current_layer = 1;
  // Centres: 0 … dimension − 1, default dimension / 2.
  const auto& radial = filter_dialog(718)->controls;
  const ValueRange cx = resolve_range(radial[0], ctx), cy = resolve_range(radial[1], ctx);
  EXPECT_EQ(cx.maximum, 639);
  EXPECT_EQ(cx.default_value, 320);
  EXPECT_EQ(cy.maximum, 480);
  EXPECT_EQ(cy.default_value, 240);
  // Shift: the target rectangle's size, default 0.
  const auto& shift = filter_dialog(727)->controls;
  EXPECT_EQ(resolve_range(shift[0], ctx).maximum, 99);
  EXPECT_EQ(resolve_range(shift[1], ctx).maximum, 49);
  EXPECT_EQ(resolve_range(shift[1], ctx).default_value, 0);
  // A 1-pixel target: max = min, never below.
  ctx.target = {0, 0, 1, 1};
  EXPECT_EQ(resolve_range(shift[0], ctx).maximum, 0);

  // 706 preselects the layer below the current one, or the current bottom one.
  FilterValues v = initial_values(*filter_dialog(706), ctx);
  EXPECT_EQ(v.list[0], 2);
  ctx.current_layer = 2;
  EXPECT_EQ(initial_values(*filter_dialog(706), ctx).list[0], 2);
  EXPECT_EQ(initial_values(*filter_dialog(710), ctx).list[1], 2);
  // 707: four values, two checks, one list, in control order per group.
  v = initial_values(*filter_dialog(707), ctx);
  EXPECT_EQ(v.numeric, (std::array<int, 5>{1, 1, 1, 1, 0}));
  EXPECT_EQ(v.check, (std::array<int, 2>{1, 0}));

  EXPECT_EQ(fixed_point_text(105), "1.05");
  EXPECT_EQ(fixed_point_text(100), "1.00");
  EXPECT_EQ(fixed_point_text(400), "4.00");
  EXPECT_EQ(fixed_point_text(-5), "-0.05");
}

std::vector<uint8_t> record_of(std::vector<ControlSource> controls) {
  return encode_dialog({1, std::move(controls), 0});
}

DialogError error_of(const std::vector<uint8_t>& bytes) { return parse_filter_dialog(bytes).error; }

TEST(FilterDialogs, HostileRecordsAreRefused) {
  const auto good = record_of({integer(100, "a", 0, 10, 5, 0, "a"), check(50, "b", 1, "b"),
                               list(50, "c", {"x", "y"}, 1, "c")});
  ASSERT_EQ(error_of(good), DialogError::kNone);
  // Every cut inside a header or a list's strings is refused; the parser sees
  // only the shortened copy, so any read past it would be caught by ASan.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    const DialogParse p = parse_filter_dialog(cut);
    if (p.description) {
      // Only a value record may end early; its missing fields read as 0.
      EXPECT_GE(n, good.size() - 1) << n;
    }
  }
  EXPECT_EQ(error_of({}), DialogError::kEmpty);
  EXPECT_EQ(error_of({0}), DialogError::kEmpty);

  auto unknown = good;
  unknown[1] = 5;
  EXPECT_EQ(error_of(unknown), DialogError::kUnknownKind);
  auto count_too_high = good;
  count_too_high[0] = 4;
  EXPECT_EQ(error_of(count_too_high), DialogError::kTruncated);

  std::vector<ControlSource> six_values(6, integer(50, "v", 0, 1, 0, 0, "v"));
  EXPECT_EQ(error_of(record_of(six_values)), DialogError::kOverLimits);
  EXPECT_EQ(error_of(record_of({check(1, "a", 0, "a"), check(1, "b", 0, "b"), check(1, "c", 0, "c")})),
            DialogError::kOverLimits);
  EXPECT_EQ(error_of(record_of({list(9, "a", {"x"}, 0, "a"), layers(9, "b", 0, "b"),
                                list(9, "c", {"x"}, 0, "c")})),
            DialogError::kOverLimits);
  std::vector<ControlSource> seven_labelled(5, integer(50, "v", 0, 1, 0, 0, "v"));
  seven_labelled.push_back(list(9, "a", {"x"}, 0, "a"));
  seven_labelled.push_back(list(9, "b", {"x"}, 0, "b"));
  EXPECT_EQ(error_of(record_of(seven_labelled)), DialogError::kOverLimits);

  EXPECT_EQ(error_of(record_of({integer(0, "w", 0, 1, 0, 0, "w")})), DialogError::kBadControl);
  EXPECT_EQ(error_of(record_of({integer(9, "r", 5, 1, 0, 0, "r")})), DialogError::kBadControl);
  EXPECT_EQ(error_of(record_of({list(9, "l", {"x"}, 1, "l")})), DialogError::kBadControl);
  EXPECT_EQ(error_of(record_of({list(9, "l", {}, 0, "l")})), DialogError::kBadControl);
  auto long_value = record_of({integer(9, "v", 0, 1, 0, 0, "v")});
  long_value[6] = 10;  // L = 10
  EXPECT_EQ(error_of(long_value), DialogError::kBadControl);
}

TEST(FilterTable, CommandsAndLookups) {
  const auto all = filter_commands();
  ASSERT_EQ(all.size(), 63u);
  for (int i = 0; i < kTableFilterCount; ++i) EXPECT_EQ(all[size_t(i)].id, 41000 + i);
  for (const FilterCommand& c : all) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(find_filter_command(c.id), &c);
    EXPECT_EQ(find_filter_by_name(c.cli_name), &c);
    for (const char* p = c.cli_name; *p; ++p)
      EXPECT_TRUE((*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') || *p == '-');
    if (c.has_dialog()) {
      EXPECT_NE(filter_dialog(c.dialog_id), nullptr);
    }
    EXPECT_EQ(c.runner == FilterRunner::kOwnDialog, c.id == 41002 || c.id == 41011);
  }
  // Ids past the table's ends find nothing.
  for (int id : {40999, 41052, 41499, 41804, 41809, 41814, 41823}) EXPECT_EQ(find_filter_command(id), nullptr);
  EXPECT_EQ(find_filter_command(41023)->cli_name, std::string("gaussian-blur"));
  EXPECT_EQ(find_filter_command(41046)->panel_width, 180);
  EXPECT_TRUE(find_filter_command(41036)->source_is_copy);
  EXPECT_TRUE(find_filter_command(41010)->whole_canvas);
  EXPECT_NE(find_filter_command(41813)->run, nullptr);
}

}  // namespace
}  // namespace qm::filters

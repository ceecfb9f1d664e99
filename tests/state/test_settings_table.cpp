#include <gtest/gtest.h>

#include <set>
#include <string>

#include "state/settings_table.h"

namespace qm {
namespace {

TEST(SettingsTable, KeysAreUniqueWithinTheirSection) {
  std::set<std::pair<int, std::string>> seen;
  int per_section[11] = {};
  for (const SettingDef& d : settings_table()) {
    EXPECT_TRUE(seen.insert({int(d.section), std::string(d.key)}).second) << d.key;
    ++per_section[int(d.section)];
    EXPECT_EQ(find_setting(d.section, d.key), &d);
  }
  // Version; 34 window values; 51 environment values; 12 tool words; 8 text
  // values; 12 drawing values; then the numbered sections.
  const int expected[11] = {1, 34, 51, 12, 8, 12, 5, 19, 8, 10, 8};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(per_section[i], expected[i]) << i;
  EXPECT_EQ(find_setting(SettingSection::kEnv, "undocnt"), nullptr);
}

TEST(SettingsTable, TableDefaultsAreTheStructDefaults) {
  // Scramble every value through the table, then restore the table's defaults:
  // the result must be a default-constructed Settings.
  Settings s;
  for (const SettingDef& d : settings_table()) {
    if (d.text) d.text(s, d.number) = "scrambled";
    if (d.set)
      for (int e = 0; e < d.count; ++e) d.set(s, d.number, e, 77);
  }
  ASSERT_NE(s, Settings{});
  apply_setting_defaults(s);
  EXPECT_EQ(s, Settings{});
}

TEST(SettingsTable, DefaultsSatisfyTheirOwnRules) {
  // A default outside its range would be changed by a load of the default file.
  for (const SettingDef& d : settings_table()) {
    if (!d.set) continue;
    for (int e = 0; e < d.count; ++e)
      EXPECT_EQ(sanitize_setting(d, e, d.default_at(e)), d.default_at(e)) << d.key << " " << e;
  }
}

TEST(SettingsTable, SanitizedValuesAreStable) {
  // Loading what we wrote must not move a value again.
  const int64_t probes[] = {INT64_MIN, -4294967296LL, INT32_MIN, -65536, -32769, -10000, -1,
                            0,         1,             7,         100,    255,    256,    4501,
                            32768,     65535,         65536,     0x7FFFFFFF, 0xFFFFFFFFLL,
                            INT64_MAX};
  for (const SettingDef& d : settings_table()) {
    if (!d.set) continue;
    for (int e = 0; e < d.count; ++e)
      for (int64_t raw : probes) {
        const int64_t once = sanitize_setting(d, e, raw);
        EXPECT_EQ(sanitize_setting(d, e, once), once) << d.key << " " << raw;
      }
  }
}

}  // namespace
}  // namespace qm

// The blend-mode list and the per-channel functions of the 64 K table.
#include "document/blend_modes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <vector>

namespace qm_test {

// B(d, s) written straight from the mode table, shifts as shifts; modes
// without a per-channel function give s. Also used by test_compositing.cpp.
int reference_channel(int mode, int d, int s) {
  switch (mode) {
    case 1: return d * s / 255;
    case 4: return d + s - d * s / 255;
    case 5: return d < 128 ? (d * s) >> 7 : 255 - (((255 - d) * (255 - s)) >> 7);
    case 6: {
      const int m = d * s / 255, n = 255 - (255 - d) * (255 - s) / 255;
      return (n - m) * d / 255 + m;
    }
    case 7: return s < 128 ? (d * s) >> 7 : 255 - (((255 - d) * (255 - s)) >> 7);
    case 8: return s == 255 ? 255 : std::min(255, 255 * d / (255 - s));
    case 9: return s == 0 ? 0 : std::max(0, 255 - 255 * (255 - d) / s);
    case 10: return std::max(0, d + s - 255);
    case 11:
      if (s >= 128) {
        const int c = 2 * (255 - s);
        return (c == 0 || d >= c) ? 255 : 255 * d / c;
      }
      return (s == 0 || 255 - 2 * s >= d) ? 0 : (2 * s + d - 255) * 255 / (2 * s);
    case 12: return std::clamp(d + 2 * s - 255, 0, 255);
    case 13: return s >= 128 ? std::max(d, 2 * s - 255) : std::min(d, 2 * s);
    case 14: return std::abs(d - s);
    case 15: return std::max(d, s);
    case 16: return std::min(d, s);
    default: return s;
  }
}

}  // namespace qm_test

namespace qm {
namespace {

using qm_test::reference_channel;

TEST(BlendModeNames, KeepTheProgramsOwnSpellingsAndOrder) {
  const char* expected[kBlendModeCount] = {
      "Nornal",     "Multiply",    "Add",         "Subtract",     "Screen",   "Overlay",
      "Soft Light", "Hard Light",  "Color Dodge", "Color Burn",   "Linear Burn",
      "Vivid Light", "Linear Light", "Pin Ligh",  "Difference",   "Lighten",  "Darken",
      "Hue",        "Saturation",  "Color",       "Luminosity"};
  for (int m = 0; m < kBlendModeCount; ++m) EXPECT_EQ(blend_mode_name(m), expected[m]) << m;
  EXPECT_TRUE(blend_mode_name(-1).empty());
  EXPECT_TRUE(blend_mode_name(kBlendModeCount).empty());
}

TEST(BlendChannel, MatchesTheFormulasForEveryPair) {
  for (int mode = 0; mode < kBlendModeCount; ++mode) {
    int mismatches = 0;
    for (int d = 0; d < 256; ++d)
      for (int s = 0; s < 256; ++s) {
        const int got = blend_channel(mode, d, s);
        ASSERT_GE(got, 0);
        ASSERT_LE(got, 255);
        if (got != reference_channel(mode, d, s) && ++mismatches <= 3)
          ADD_FAILURE() << "mode " << mode << " d " << d << " s " << s << ": " << got
                        << " want " << reference_channel(mode, d, s);
      }
    EXPECT_EQ(mismatches, 0) << "mode " << mode;
  }
}

TEST(BlendChannel, WorkedValues) {
  struct Case {
    BlendMode mode;
    int d, s, want;
  };
  const Case cases[] = {
      {BlendMode::Multiply, 255, 128, 128},  {BlendMode::Multiply, 128, 128, 64},
      {BlendMode::Screen, 128, 128, 192},    {BlendMode::Overlay, 100, 200, 156},
      {BlendMode::Overlay, 200, 100, 189},   {BlendMode::SoftLight, 128, 128, 128},
      {BlendMode::HardLight, 200, 100, 156}, {BlendMode::ColorDodge, 100, 100, 164},
      {BlendMode::ColorDodge, 100, 200, 255}, {BlendMode::ColorBurn, 100, 200, 58},
      {BlendMode::LinearBurn, 100, 100, 0},  {BlendMode::VividLight, 100, 200, 231},
      {BlendMode::VividLight, 100, 50, 0},   {BlendMode::VividLight, 200, 50, 114},
      {BlendMode::LinearLight, 100, 200, 245}, {BlendMode::PinLight, 100, 200, 145},
      {BlendMode::PinLight, 100, 30, 60},    {BlendMode::Difference, 30, 100, 70},
  };
  for (const Case& c : cases)
    EXPECT_EQ(blend_channel(int(c.mode), c.d, c.s), c.want)
        << blend_mode_name(int(c.mode)) << " d " << c.d << " s " << c.s;
}

TEST(BlendChannel, DodgeAndBurnEndpoints) {
  for (int d = 0; d < 256; ++d) {
    EXPECT_EQ(blend_channel(int(BlendMode::ColorDodge), d, 255), 255) << d;
    EXPECT_EQ(blend_channel(int(BlendMode::ColorBurn), d, 0), 0) << d;
  }
}

TEST(BlendChannel, ModesWithoutAChannelFunctionGiveTheLayer) {
  for (int mode : {2, 3, 17, 18, 19, 20, -1, 99})
    for (int v : {0, 77, 255}) EXPECT_EQ(blend_channel(mode, 200, v), v) << mode;
}

TEST(BlendTable, EqualsTheChannelFunctionAndIsCached) {
  for (int mode = 0; mode < kBlendModeCount; ++mode) {
    const BlendTable& t = blend_table(mode);
    EXPECT_EQ(&t, &blend_table(mode));
    bool same = true;
    for (int d = 0; d < 256 && same; ++d)
      for (int s = 0; s < 256 && same; ++s) same = t[size_t(d * 256 + s)] == blend_channel(mode, d, s);
    EXPECT_TRUE(same) << "mode " << mode;
  }
  EXPECT_EQ(blend_table(-5)[0x1234], 0x34);  // out of range: Normal
}

// Each test runs in its own process under ctest, so here the tables are
// first built by several threads at once.
TEST(BlendTable, FirstUseFromSeveralThreads) {
  std::vector<std::vector<const BlendTable*>> seen(4);
  std::vector<std::thread> threads;
  for (auto& list : seen)
    threads.emplace_back([&list] {
      for (int mode = kBlendModeCount - 1; mode >= 0; --mode) list.push_back(&blend_table(mode));
    });
  for (auto& t : threads) t.join();
  for (const auto& list : seen) EXPECT_EQ(list, seen[0]);
  for (int mode = 0; mode < kBlendModeCount; ++mode) {
    const BlendTable& t = *seen[0][size_t(kBlendModeCount - 1 - mode)];
    EXPECT_EQ(t[size_t(200 * 256 + 100)], reference_channel(mode, 200, 100)) << mode;
    EXPECT_EQ(t[size_t(37 * 256 + 211)], reference_channel(mode, 37, 211)) << mode;
  }
}

}  // namespace
}  // namespace qm

// PackBits: the packet rules of the writer, the unpacker's edge cases, and
// the streaming unpacker against the one-shot one.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "formats/packbits.h"

namespace qm {
namespace {

std::vector<uint8_t> pack(const std::vector<uint8_t>& row) {
  std::vector<uint8_t> out{0xAB};  // appends after what is there
  const size_t n = packbits_pack(row.data(), row.size(), out);
  EXPECT_EQ(n + 1, out.size());
  EXPECT_LE(n, packbits_bound(row.size()));
  EXPECT_EQ(out[0], 0xAB);
  out.erase(out.begin());
  return out;
}

std::vector<uint8_t> unpack(const std::vector<uint8_t>& packed, size_t n) {
  std::vector<uint8_t> out(n, 0xEE);
  out.resize(packbits_unpack(packed.data(), packed.size(), out.data(), n));
  return out;
}

TEST(PackBits, PacketsFollowTheRules) {
  // Two equal bytes already make a repeat packet; the others are literals.
  EXPECT_EQ(pack({7, 7}), (std::vector<uint8_t>{0xFF, 7}));
  EXPECT_EQ(pack({1, 2, 3}), (std::vector<uint8_t>{2, 1, 2, 3}));
  EXPECT_EQ(pack({1, 2, 2, 3}), (std::vector<uint8_t>{0, 1, 0xFF, 2, 0, 3}));
  // The worst case: a single byte between pairs, 4 bytes out for 3 in.
  std::vector<uint8_t> worst;
  for (int i = 0; i < 3000; ++i) worst.push_back(uint8_t(i % 3 == 0 ? 250 + i % 2 : i / 3 % 200));
  EXPECT_EQ(pack(worst).size(), 4000u);
  EXPECT_EQ(pack({5}), (std::vector<uint8_t>{0, 5}));
  EXPECT_TRUE(pack({}).empty());
  // 300 equal bytes: runs of 128, 128 and 44.
  EXPECT_EQ(pack(std::vector<uint8_t>(300, 9)),
            (std::vector<uint8_t>{0x81, 9, 0x81, 9, uint8_t(1 - 44), 9}));
  // 200 distinct-neighbour bytes: literals of 128 and 72.
  std::vector<uint8_t> ramp(200);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i);
  const std::vector<uint8_t> packed = pack(ramp);
  ASSERT_EQ(packed.size(), 202u);
  EXPECT_EQ(packed[0], 127);
  EXPECT_EQ(packed[129], 71);
  EXPECT_LE(packed.size(), packbits_bound(ramp.size()));
}

TEST(PackBits, UnpackHandlesEveryHeader) {
  // 0 copies one byte, 127 copies 128, −1 repeats twice, −127 repeats 128
  // times and −128 does nothing at all.
  EXPECT_EQ(unpack({0, 42}, 10), (std::vector<uint8_t>{42}));
  EXPECT_EQ(unpack({0xFF, 3}, 10), (std::vector<uint8_t>{3, 3}));
  EXPECT_EQ(unpack({0x80, 0, 1}, 10), (std::vector<uint8_t>{1}));
  EXPECT_EQ(unpack({0x80, 0x80, 0xFE, 4}, 10), (std::vector<uint8_t>{4, 4, 4}));
  EXPECT_EQ(unpack({0x81, 6}, 200), std::vector<uint8_t>(128, 6));
  std::vector<uint8_t> lit{127};
  for (int i = 0; i < 128; ++i) lit.push_back(uint8_t(i));
  EXPECT_EQ(unpack(lit, 500).size(), 128u);
  // The destination bounds the output, whatever the packets say.
  EXPECT_EQ(unpack({0x81, 6}, 5), std::vector<uint8_t>(5, 6));
  EXPECT_EQ(unpack({127, 1, 2, 3}, 2), (std::vector<uint8_t>{1, 2}));
  // Input cut short: a literal gives what it has, a repeat without its byte
  // gives nothing.
  EXPECT_EQ(unpack({5, 1, 2}, 10), (std::vector<uint8_t>{1, 2}));
  EXPECT_TRUE(unpack({0xF0}, 10).empty());
}

TEST(PackBits, RandomRowsRoundTrip) {
  std::mt19937 rng(7);
  for (int round = 0; round < 500; ++round) {
    std::vector<uint8_t> row(rng() % 700);
    // Few distinct values make runs of every length.
    const uint32_t spread = 1 + rng() % 4;
    for (uint8_t& b : row) b = uint8_t(rng() % spread);
    const std::vector<uint8_t> packed = pack(row);
    ASSERT_LE(packed.size(), packbits_bound(row.size()));
    ASSERT_EQ(unpack(packed, row.size()), row) << "round " << round;
  }
}

// The packer in its plainest form, byte by byte: the vector scan must make
// exactly the same packets.
std::vector<uint8_t> plain_pack(const std::vector<uint8_t>& src) {
  std::vector<uint8_t> out;
  const size_t n = src.size();
  size_t i = 0;
  while (i < n) {
    size_t run = 1;
    while (run < 128 && i + run < n && src[i + run] == src[i]) ++run;
    if (run >= 2) {
      out.push_back(uint8_t(1 - int(run)));
      out.push_back(src[i]);
      i += run;
      continue;
    }
    size_t j = i;
    while (j < n && j - i < 128 && !(j + 1 < n && src[j] == src[j + 1])) ++j;
    out.push_back(uint8_t(j - i - 1));
    out.insert(out.end(), src.begin() + ptrdiff_t(i), src.begin() + ptrdiff_t(j));
    i = j;
  }
  return out;
}

TEST(PackBits, PacketsMatchThePlainPacker) {
  std::mt19937 rng(19);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> row(rng() % 600);
    // Mostly noise with pairs and runs at random places, literal stretches
    // longer and shorter than a vector and than a packet.
    const uint32_t pair_odds = 2 + rng() % 300;
    for (size_t i = 0; i < row.size(); ++i)
      row[i] = i > 0 && rng() % pair_odds == 0 ? row[i - 1] : uint8_t(rng());
    ASSERT_EQ(pack(row), plain_pack(row)) << "round " << round;
  }
}

TEST(PackBits, StreamingMatchesOneShotAcrossAnySplit) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    // Random bytes give long packets; packing rows of short runs gives the
    // one- to few-byte packets photographs make, many per 128-byte window.
    std::vector<uint8_t> packed;
    if (round % 2 == 0) {
      packed.resize(rng() % 400);
      for (uint8_t& b : packed) b = uint8_t(rng());
    } else {
      std::vector<uint8_t> row(rng() % 6000);
      for (size_t i = 0; i < row.size(); ++i) row[i] = rng() % 3 == 0 && i > 0 ? row[i - 1] : uint8_t(rng());
      packbits_pack(row.data(), row.size(), packed);
    }
    const size_t total = 5000;
    std::vector<uint8_t> whole(total, 0);
    whole.resize(packbits_unpack(packed.data(), packed.size(), whole.data(), total));

    // Feed the input in random chunks and take the output in random pieces.
    PackBitsStream stream;
    std::vector<uint8_t> pieces;
    size_t fed = 0;
    while (pieces.size() < total) {
      const size_t want = std::min<size_t>(1 + rng() % 37, total - pieces.size());
      std::vector<uint8_t> part(want);
      const size_t got = stream.take(part.data(), want);
      pieces.insert(pieces.end(), part.begin(), part.begin() + ptrdiff_t(got));
      if (got == want) continue;
      if (fed == packed.size()) break;
      const size_t n = std::min<size_t>(1 + rng() % 9, packed.size() - fed);
      stream.feed(packed.data() + fed, n);
      fed += n;
    }
    ASSERT_EQ(pieces, whole) << "round " << round;
  }
}

}  // namespace
}  // namespace qm

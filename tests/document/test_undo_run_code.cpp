#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "document/undo_run_code.h"
#include "undo_test_support.h"

namespace qm {
namespace {

using test::Rng;

// The code written out the plain way, pixel by pixel.
std::vector<uint8_t> reference_code(const LayerImage& image, Rect r) {
  std::vector<uint8_t> out;
  int run = 0;
  for (int y = r.y; y < r.bottom(); ++y) {
    for (int x = r.x; x < r.right(); ++x) {
      const Pixel p = image.get_pixel(x, y);
      if (alpha_of(p)) {
        if (run) out.insert(out.end(), {0, uint8_t(run)});
        run = 0;
        out.insert(out.end(), {alpha_of(p), red_of(p), green_of(p), blue_of(p)});
      } else if (++run == 255) {
        out.insert(out.end(), {0, 255});
        run = 0;
      }
    }
  }
  if (run) out.insert(out.end(), {0, uint8_t(run)});
  return out;
}

std::vector<uint8_t> encode(const LayerImage& image, Rect r, size_t room) {
  std::vector<uint8_t> out(room);
  ByteWriter w(out.data(), out.size());
  if (!run_code_write(image, r, w)) return {};
  out.resize(size_t(w.total()));
  return out;
}

// Images whose transparent stretches hit the run edge cases: runs of 254,
// 255, 256 and 510 pixels, runs crossing rows, a trailing run, none at all.
std::vector<LayerImage> sample_images() {
  std::vector<LayerImage> out;
  Rng rng(7);
  for (int variant = 0; variant < 8; ++variant) {
    LayerImage img;
    EXPECT_TRUE(img.create(37 + variant, 23));
    for (size_t i = 0; i < img.pixel_count(); ++i) {
      Pixel& p = img.pixels()[i];
      switch (variant) {
        case 0: p = kTransparent; break;
        case 1: p = 0xFF000000u | rng.next(); break;
        case 2: p = rng.pixel(); break;
        case 3: p = (i % 300) < 255 ? 0x00123456u : 0x01ABCDEFu; break;  // odd colours when transparent
        case 4: p = (i % 511) < 510 ? kTransparent : 0xFFFFFFFFu; break;
        case 5: p = (i % 257) < 256 ? kTransparent : 0x80FF0000u; break;
        case 6: p = (i % 255) < 254 ? kTransparent : 0x7F00FF00u; break;
        default: p = i + 1 < img.pixel_count() / 2 ? 0xFF102030u : kTransparent; break;
      }
    }
    out.push_back(std::move(img));
  }
  return out;
}

TEST(UndoRunCode, MatchesThePlainCodeAndItsOwnSize) {
  for (const LayerImage& img : sample_images()) {
    for (const Rect r : {img.bounds(), Rect{3, 2, 20, 17}, Rect{img.width() - 1, 0, 1, 1}}) {
      const std::vector<uint8_t> want = reference_code(img, r);
      EXPECT_EQ(run_code_size(img, r), want.size());
      EXPECT_EQ(encode(img, r, want.size()), want);
    }
  }
}

TEST(UndoRunCode, RoundTripKeepsColoursAndWhitensTransparency) {
  for (const LayerImage& img : sample_images()) {
    const Rect r{2, 1, img.width() - 5, img.height() - 3};
    const std::vector<uint8_t> code = encode(img, r, size_t(run_code_size(img, r)));
    ASSERT_TRUE(run_code_check(code.data(), code.size(), uint64_t(r.w) * r.h));
    LayerImage out;
    ASSERT_TRUE(out.create(img.width(), img.height()));
    out.fill(0xDEADBEEF);
    run_code_read(code.data(), code.size(), out, r);
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const Pixel p = img.get_pixel(x, y);
        const Pixel want = !r.contains(x, y) ? 0xDEADBEEF : alpha_of(p) ? p : kTransparent;
        ASSERT_EQ(out.get_pixel(x, y), want) << x << "," << y;
      }
  }
}

TEST(UndoRunCode, NeverWritesPastTheRoomItIsGiven) {
  for (const LayerImage& img : sample_images()) {
    const size_t size = size_t(run_code_size(img, img.bounds()));
    std::vector<uint8_t> buf(size + 16, 0xA5);
    ByteWriter w(buf.data(), size - 1);
    EXPECT_FALSE(run_code_write(img, img.bounds(), w));
    for (size_t i = size - 1; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xA5) << i;
  }
}

TEST(UndoRunCode, DrainedThroughASmallWindowGivesTheSameBytes) {
  const std::vector<LayerImage> images = sample_images();
  const LayerImage& img = images[2];
  std::vector<uint8_t> collected;
  auto drain = [](void* ctx, const uint8_t* d, size_t n) {
    auto& v = *static_cast<std::vector<uint8_t>*>(ctx);
    v.insert(v.end(), d, d + n);
    return true;
  };
  uint8_t window[7];
  ByteWriter w(window, sizeof window, drain, &collected);
  ASSERT_TRUE(run_code_write(img, img.bounds(), w));
  ASSERT_TRUE(w.finish());
  EXPECT_EQ(collected, reference_code(img, img.bounds()));
}

TEST(UndoRunCode, CheckRefusesDamagedCode) {
  const std::vector<uint8_t> good = {0, 3, 0xFF, 1, 2, 3, 0, 2};  // 3 + 1 + 2 pixels
  EXPECT_TRUE(run_code_check(good.data(), good.size(), 6));
  EXPECT_FALSE(run_code_check(good.data(), good.size(), 5));  // a pixel too many
  EXPECT_FALSE(run_code_check(good.data(), good.size(), 7));  // a pixel too few
  EXPECT_FALSE(run_code_check(good.data(), good.size() - 1, 4));  // the last run cut off
  EXPECT_FALSE(run_code_check(good.data(), 4, 4));                // a pixel cut off
  const std::vector<uint8_t> empty_run = {0, 0, 0, 6};
  EXPECT_FALSE(run_code_check(empty_run.data(), empty_run.size(), 6));
  EXPECT_TRUE(run_code_check(nullptr, 0, 0));
}

TEST(UndoRunCode, ReadingDamagedCodeStaysInsideTheRectangle) {
  LayerImage img;
  ASSERT_TRUE(img.create(4, 4));
  img.fill(0x11111111);
  // Far more pixels than the 2 × 2 rectangle holds, and a cut-off pixel.
  std::vector<uint8_t> code = {0, 255, 0, 255, 0xFF, 1, 2, 3, 0xFF, 9};
  run_code_read(code.data(), code.size(), img, {1, 1, 2, 2});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(img.get_pixel(x, y), (x >= 1 && x < 3 && y >= 1 && y < 3) ? kTransparent : 0x11111111u);
}

TEST(UndoBytes, ChecksumSeesSplitsAsOneStreamAndNoticesChanges) {
  std::vector<uint8_t> data(1000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7 + 3);
  Checksum whole;
  whole.update(data.data(), data.size());
  Checksum pieces;
  for (size_t at = 0, step = 1; at < data.size(); at += step, step = step % 13 + 1)
    pieces.update(data.data() + at, std::min(step, data.size() - at));
  EXPECT_EQ(whole.value(), pieces.value());
  data[517] ^= 0x40;
  Checksum changed;
  changed.update(data.data(), data.size());
  EXPECT_NE(changed.value(), whole.value());
  Checksum shorter;
  shorter.update(data.data(), data.size() - 1);
  EXPECT_NE(shorter.value(), changed.value());
}

}  // namespace
}  // namespace qm

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/huge_pages.h"
#include "formats/gif_codec.h"

namespace qm {
namespace {

inline uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

// A bounded cursor over the file: every read is checked against the end.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t remaining() const { return size_ - pos_; }
  bool byte(uint8_t& v) {
    if (pos_ >= size_) return false;
    v = data_[pos_++];
    return true;
  }
  const uint8_t* take(size_t n) {
    if (remaining() < n) return nullptr;
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  // Skips a chain of sub-blocks up to and including the zero block.
  bool skip_sub_blocks() {
    for (;;) {
      uint8_t len;
      if (!byte(len)) return false;
      if (len == 0) return true;
      if (!take(len)) return false;
    }
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// The LZW code stream of the image data, read across sub-blocks. Running out
// (the zero block or the end of the file) ends the stream.
class CodeReader {
 public:
  explicit CodeReader(Cursor& c) : cur_(c) {}
  // False when the data has ended.
  bool read(int width, uint32_t& code) {
    while (bits_ < width) {
      uint8_t b;
      if (!next_byte(b)) return false;
      acc_ |= uint32_t(b) << bits_;
      bits_ += 8;
    }
    code = acc_ & ((1u << width) - 1);
    acc_ >>= width;
    bits_ -= width;
    return true;
  }

 private:
  bool next_byte(uint8_t& b) {
    if (ended_) return false;
    if (left_ == 0) {
      uint8_t len;
      if (!cur_.byte(len) || len == 0) {
        ended_ = true;
        return false;
      }
      block_ = cur_.take(len);
      if (!block_) {
        // A block cut short by the end of the file: use what is there.
        const size_t have = cur_.remaining();
        block_ = cur_.take(have);
        len = uint8_t(have);
        if (len == 0) {
          ended_ = true;
          return false;
        }
      }
      left_ = len;
    }
    b = *block_++;
    --left_;
    return true;
  }
  Cursor& cur_;
  const uint8_t* block_ = nullptr;
  size_t left_ = 0;
  bool ended_ = false;
  uint32_t acc_ = 0;
  int bits_ = 0;
};

// Where the decoded indices of the frame go: row after row (in interlace
// order when asked), dropped outside the logical screen.
class FrameWriter {
 public:
  FrameWriter(uint8_t* screen, int screen_w, int screen_h, int fx, int fy, int fw, int fh, bool interlaced)
      : screen_(screen), sw_(screen_w), sh_(screen_h), fx_(fx), fy_(fy), fw_(fw), fh_(fh), interlaced_(interlaced) {
    done_ = fw <= 0 || fh <= 0;
  }
  bool full() const { return done_; }
  void put(uint8_t index) {
    if (done_) return;
    const int x = fx_ + col_, y = fy_ + row_;
    if (x < sw_ && y < sh_) screen_[size_t(y) * size_t(sw_) + size_t(x)] = index;
    if (++col_ < fw_) return;
    col_ = 0;
    next_row();
  }

 private:
  void next_row() {
    if (!interlaced_) {
      if (++row_ >= fh_) done_ = true;
      return;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    row_ += kStep[pass_];
    while (row_ >= fh_) {
      if (++pass_ >= 4) {
        done_ = true;
        return;
      }
      row_ = kStart[pass_];
    }
  }
  uint8_t* screen_;
  int sw_, sh_, fx_, fy_, fw_, fh_;
  bool interlaced_;
  int col_ = 0, row_ = 0, pass_ = 0;
  bool done_ = false;
};

// Standard GIF LZW: the table never grows past 4096 entries, the code width
// never past 12 bits. False only for a code that cannot be in the table.
bool decode_lzw(Cursor& cur, int min_code_size, FrameWriter& out) {
  const uint32_t clear = 1u << min_code_size, end = clear + 1;
  auto prefix = std::make_unique<uint16_t[]>(4096);
  auto suffix = std::make_unique<uint8_t[]>(4096);
  auto stack = std::make_unique<uint8_t[]>(4097);
  for (uint32_t i = 0; i < clear; ++i) {
    prefix[i] = 0;
    suffix[i] = uint8_t(i);
  }
  uint32_t next_free = clear + 2;
  int width = min_code_size + 1;
  int old = -1;
  uint8_t first = 0;
  CodeReader reader(cur);
  uint32_t code;
  while (!out.full() && reader.read(width, code)) {
    if (code == clear) {
      next_free = clear + 2;
      width = min_code_size + 1;
      old = -1;
      continue;
    }
    if (code == end) break;
    if (old < 0) {
      if (code >= clear) code = 0;  // no string to refer to yet: take it as literal 0
      first = uint8_t(code);
      out.put(first);
      old = int(code);
      continue;
    }
    if (code > next_free || (code == next_free && next_free >= 4096)) return false;
    // Unwind the string of `code` (or of `old` plus its first byte for the
    // code being defined right now) onto the stack.
    size_t depth = 0;
    uint32_t c = code;
    if (code == next_free) {
      stack[depth++] = first;
      c = uint32_t(old);
    }
    while (c >= clear) {
      stack[depth++] = suffix[c];
      c = prefix[c];
    }
    stack[depth++] = uint8_t(c);
    first = uint8_t(c);
    while (depth > 0 && !out.full()) out.put(stack[--depth]);
    if (next_free < 4096) {
      prefix[next_free] = uint16_t(old);
      suffix[next_free] = first;
      ++next_free;
      if (next_free == (1u << width) && width < 12) ++width;
    }
    old = int(code);
  }
  return true;
}

bool read_palette(Cursor& cur, int entries, std::vector<uint32_t>& palette) {
  const uint8_t* p = cur.take(size_t(entries) * 3);
  if (!p) return false;
  palette.resize(size_t(entries));
  for (int i = 0; i < entries; ++i)
    palette[size_t(i)] = uint32_t(p[3 * i]) << 16 | uint32_t(p[3 * i + 1]) << 8 | p[3 * i + 2];
  return true;
}

}  // namespace

LoadResult decode_gif(const uint8_t* data, size_t size, LayerImage& image, PictureInfo* info_out) {
  image.destroy();
  Cursor cur(data, size);
  const uint8_t* head = cur.take(13);
  if (!head || std::memcmp(head, "GIF", 3) != 0 ||
      (std::memcmp(head + 3, "87a", 3) != 0 && std::memcmp(head + 3, "89a", 3) != 0))
    return LoadResult::WrongFormat;
  const int width = int(le16(head + 6)), height = int(le16(head + 8));
  if (width == 0 || height == 0) return LoadResult::WrongFormat;
  if (width > kMaxPictureSide || height > kMaxPictureSide) return LoadResult::TooLarge;
  const uint8_t flags = head[10];
  const uint8_t background = head[11];
  std::vector<uint32_t> palette;
  if ((flags & 0x80) && !read_palette(cur, 2 << (flags & 7), palette)) return LoadResult::Damaged;

  int transparent_index = -1;
  for (;;) {
    uint8_t block;
    if (!cur.byte(block)) return LoadResult::Damaged;
    if (block == 0x21) {
      uint8_t label;
      if (!cur.byte(label)) return LoadResult::Damaged;
      if (label == 0xF9) {
        uint8_t len;
        if (!cur.byte(len)) return LoadResult::Damaged;
        const uint8_t* gce = cur.take(len);
        if (!gce) return LoadResult::Damaged;
        if (len >= 4) transparent_index = (gce[0] & 1) ? gce[3] : -1;
        if (len == 0) continue;  // that was already the terminator
      }
      if (!cur.skip_sub_blocks()) return LoadResult::Damaged;
      continue;
    }
    if (block != 0x2C) return LoadResult::WrongFormat;
    break;
  }

  const uint8_t* desc = cur.take(9);
  if (!desc) return LoadResult::Damaged;
  const int fx = int(le16(desc)), fy = int(le16(desc + 2));
  const int fw = int(le16(desc + 4)), fh = int(le16(desc + 6));
  const uint8_t frame_flags = desc[8];
  if ((frame_flags & 0x80) && !read_palette(cur, 2 << (frame_flags & 7), palette)) return LoadResult::Damaged;
  uint8_t min_code_size;
  if (!cur.byte(min_code_size)) return LoadResult::Damaged;
  if (min_code_size < 2 || min_code_size > 9) return LoadResult::Damaged;

  std::vector<uint8_t> indices;
  indices.reserve(size_t(width) * size_t(height));
  advise_huge_pages(indices.data(), indices.capacity());
  indices.assign(size_t(width) * size_t(height), background);
  FrameWriter writer(indices.data(), width, height, fx, fy, fw, fh, (frame_flags & 0x40) != 0);
  if (!decode_lzw(cur, min_code_size, writer)) return LoadResult::Damaged;

  if (!image.create(width, height)) return LoadResult::OutOfMemory;
  // Index → colour; beyond the palette the background colour, or black when
  // that is beyond the palette too (or there is no palette).
  Pixel lut[256];
  const size_t count = palette.size();
  const Pixel fallback = background < count ? 0xFF000000 | palette[background] : 0xFF000000;
  for (size_t i = 0; i < 256; ++i) lut[i] = i < count ? 0xFF000000 | palette[i] : fallback;
  Pixel* px = image.pixels();
  for (size_t i = 0; i < indices.size(); ++i) px[i] = lut[indices[i]];

  PictureInfo info;
  if (transparent_index >= 0 && size_t(transparent_index) < count) info.transparent = palette[size_t(transparent_index)];
  if (info_out) *info_out = info;
  return LoadResult::Success;
}

LoadResult load_gif_result(const std::string& path, LayerImage& image, PictureInfo* info) {
  image.destroy();
  FileBytes bytes;
  const LoadResult r = read_whole_file(path, bytes);
  if (r != LoadResult::Success) return r;
  return decode_gif(bytes.data(), bytes.size(), image, info);
}

bool LoadGif(const std::string& path, LayerImage& image, PictureInfo* info) {
  return load_gif_result(path, image, info) == LoadResult::Success;
}

}  // namespace qm

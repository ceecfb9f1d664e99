#pragma once
// Hand-made PSD files for the reader tests, built independently of the code
// under test (big-endian bytes, literal-only PackBits), and small helpers.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../format_test_util.h"

namespace qm::test {

// Appends bytes (resize and copy: GCC 12 warns falsely about vector insert).
inline void append(std::vector<uint8_t>& to, const uint8_t* p, size_t n) {
  const size_t at = to.size();
  to.resize(at + n);
  if (n) std::memcpy(to.data() + at, p, n);
}
inline void append(std::vector<uint8_t>& to, const std::vector<uint8_t>& more) {
  append(to, more.data(), more.size());
}

struct Be {
  std::vector<uint8_t> v;
  Be& u8(uint32_t x) { v.push_back(uint8_t(x)); return *this; }
  Be& u16(uint32_t x) { return u8(x >> 8).u8(x); }
  Be& u32(uint32_t x) { return u16(x >> 16).u16(x); }
  Be& str(std::string_view s) { append(v, reinterpret_cast<const uint8_t*>(s.data()), s.size()); return *this; }
  Be& raw(const std::vector<uint8_t>& b) { append(v, b); return *this; }
  Be& zeros(size_t n) { v.resize(v.size() + n, 0); return *this; }
  size_t size() const { return v.size(); }
};

// PackBits with literal packets only: a valid stream that shares no code
// with the packer under test.
inline std::vector<uint8_t> literal_packbits(const std::vector<uint8_t>& row) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < row.size(); i += 128) {
    const size_t n = std::min<size_t>(128, row.size() - i);
    out.push_back(uint8_t(n - 1));
    append(out, row.data() + i, n);
  }
  return out;
}

struct TestChannel {
  int16_t id = 0;
  std::vector<uint8_t> data;         // compression word and what follows
  std::optional<uint32_t> length;    // the length written in the record
};

// A raw channel: compression 0 and the bytes.
inline TestChannel raw_channel(int16_t id, const std::vector<uint8_t>& plane) {
  TestChannel c{id, {0, 0}, {}};
  append(c.data, plane);
  return c;
}

// An RLE channel of w × h bytes: compression 1, the row counts, the rows.
inline TestChannel rle_channel(int16_t id, int w, int h, const std::vector<uint8_t>& plane) {
  Be counts, rows;
  for (int y = 0; y < h; ++y) {
    const std::vector<uint8_t> row(plane.begin() + ptrdiff_t(y) * w, plane.begin() + ptrdiff_t(y + 1) * w);
    const std::vector<uint8_t> packed = literal_packbits(row);
    counts.u16(uint32_t(packed.size()));
    rows.raw(packed);
  }
  TestChannel c{id, {0, 1}, {}};
  append(c.data, counts.v);
  append(c.data, rows.v);
  return c;
}

// A zlib channel of w × h bytes: compression 2, or 3 with each row stored
// as differences from the byte to its left.
inline TestChannel zip_channel(int16_t id, int w, int h, std::vector<uint8_t> plane, bool predicted) {
  if (predicted)
    for (int y = 0; y < h; ++y)
      for (int x = w - 1; x > 0; --x) {
        uint8_t* row = plane.data() + size_t(y) * size_t(w);
        row[x] = uint8_t(row[x] - row[x - 1]);
      }
  uLongf size = compressBound(uLong(plane.size()));
  std::vector<uint8_t> z(size);
  compress(z.data(), &size, plane.data(), uLong(plane.size()));
  z.resize(size);
  TestChannel c{id, {0, uint8_t(predicted ? 3 : 2)}, {}};
  append(c.data, z);
  return c;
}

inline std::vector<uint8_t> plane_of(int w, int h, uint8_t value) {
  return std::vector<uint8_t>(size_t(w) * size_t(h), value);
}

struct TestLayer {
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  std::vector<TestChannel> channels;
  std::string signature = "8BIM";
  std::string key = "norm";
  uint8_t opacity = 255;
  uint8_t flags = 0;
  std::string name;
  std::optional<std::u16string> unicode_name;  // a "luni" block
  std::vector<uint8_t> extra_blocks;           // more tagged blocks after it
};

struct TestPsd {
  std::string signature = "8BPS";
  uint16_t version = 1;
  uint16_t channels = 3;
  uint32_t width = 4, height = 4;
  uint16_t depth = 8, mode = 3;
  std::vector<uint8_t> resources;  // the blocks of the image resource section
  std::vector<TestLayer> layers;
  std::optional<int16_t> count;    // the stored layer count, when not layers.size()
  // The image data section: compression word and data. Empty: raw zeros.
  std::vector<uint8_t> image_data;
};

// "8BIM" resource block with an empty name.
inline std::vector<uint8_t> resource_block(uint16_t id, const std::vector<uint8_t>& data) {
  Be b;
  b.str("8BIM").u16(id).u16(0).u32(uint32_t(data.size())).raw(data);
  if (data.size() & 1) b.u8(0);
  return b.v;
}

// The data of a JPEG thumbnail resource (1036).
inline std::vector<uint8_t> thumbnail_data(uint32_t w, uint32_t h, const std::vector<uint8_t>& jpeg,
                                           std::optional<uint32_t> compressed = {}) {
  Be b;
  const uint32_t row = (w * 24 + 31) / 32 * 4;
  b.u32(1).u32(w).u32(h).u32(row).u32(row * h).u32(compressed.value_or(uint32_t(jpeg.size()))).u16(24).u16(1);
  b.raw(jpeg);
  return b.v;
}

inline std::vector<uint8_t> build_psd(const TestPsd& p) {
  Be f;
  f.str(p.signature).u16(p.version).zeros(6).u16(p.channels).u32(p.height).u32(p.width).u16(p.depth).u16(p.mode);
  f.u32(0);
  f.u32(uint32_t(p.resources.size())).raw(p.resources);
  Be info;
  if (!p.layers.empty() || p.count) {
    info.u16(uint16_t(p.count.value_or(int16_t(p.layers.size()))));
    for (const TestLayer& l : p.layers) {
      info.u32(uint32_t(l.top)).u32(uint32_t(l.left)).u32(uint32_t(l.bottom)).u32(uint32_t(l.right));
      info.u16(uint32_t(l.channels.size()));
      for (const TestChannel& c : l.channels) info.u16(uint16_t(c.id)).u32(c.length.value_or(uint32_t(c.data.size())));
      Be extra;
      extra.u32(0).u32(0);
      const size_t padded = (l.name.size() + 4) & ~size_t(3);
      extra.u8(uint32_t(l.name.size())).str(l.name).zeros(padded - 1 - l.name.size());
      if (l.unicode_name) {
        Be u;
        u.u32(uint32_t(l.unicode_name->size()));
        for (char16_t ch : *l.unicode_name) u.u16(ch);
        while (u.size() % 4) u.u8(0);
        extra.str("8BIMluni").u32(uint32_t(u.size())).raw(u.v);
      }
      extra.raw(l.extra_blocks);
      info.str(l.signature).str(l.key).u8(l.opacity).u8(0).u8(l.flags).u8(0).u32(uint32_t(extra.size())).raw(extra.v);
    }
    for (const TestLayer& l : p.layers)
      for (const TestChannel& c : l.channels) info.raw(c.data);
    if (info.size() & 1) info.u8(0);
  }
  if (info.size() == 0) {
    f.u32(0);
  } else {
    f.u32(uint32_t(info.size() + 8)).u32(uint32_t(info.size())).raw(info.v).u32(0);
  }
  if (p.image_data.empty()) {
    f.u16(0).zeros(size_t(p.width) * p.height * p.channels);
  } else {
    f.raw(p.image_data);
  }
  return f.v;
}

// A layer over (left, top, right, bottom) whose channels are all raw and
// filled with one value each (r, g, b and, when a ≥ 0, transparency).
inline TestLayer solid_layer(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t r,
                             uint8_t g, uint8_t b, int a = -1) {
  TestLayer l;
  l.left = left, l.top = top, l.right = right, l.bottom = bottom;
  const int w = right - left, h = bottom - top;
  if (a >= 0) l.channels.push_back(raw_channel(-1, plane_of(w, h, uint8_t(a))));
  l.channels.push_back(raw_channel(0, plane_of(w, h, r)));
  l.channels.push_back(raw_channel(1, plane_of(w, h, g)));
  l.channels.push_back(raw_channel(2, plane_of(w, h, b)));
  return l;
}


// A 24-bit BMP of `image` (bottom row first, rows padded to 4 bytes), for
// the helpers that load a picture file.
inline std::vector<uint8_t> bmp24(const LayerImage& image) {
  const uint32_t w = uint32_t(image.width()), h = uint32_t(image.height());
  const uint32_t stride = (w * 3 + 3) & ~3u;
  Bytes b;
  b.str("BM").u32(54 + stride * h).u32(0).u32(54);
  b.u32(40).u32(w).u32(h).u16(1).u16(24).u32(0).u32(stride * h).u32(2835).u32(2835).u32(0).u32(0);
  for (int y = int(h) - 1; y >= 0; --y) {
    for (uint32_t x = 0; x < w; ++x) {
      const Pixel p = image.row(y)[x];
      b.u8(blue_of(p)).u8(green_of(p)).u8(red_of(p));
    }
    b.zeros(stride - w * 3);
  }
  return b.v;
}

// ---------------------------------------------------------------- reading --

// A plain PackBits decoder for checking written data.
inline std::vector<uint8_t> reference_unpack(const uint8_t* p, size_t n, size_t out_size) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < n && out.size() < out_size) {
    const int h = int8_t(p[i++]);
    if (h >= 0) {
      for (int k = 0; k <= h && i < n; ++k) out.push_back(p[i++]);
    } else if (h != -128 && i < n) {
      out.resize(out.size() + size_t(1 - h), p[i++]);
    }
  }
  out.resize(std::min(out.size(), out_size));
  return out;
}

// Just enough of a PSD reader to check what the writer produced and what the
// conformance files hold: the header, the resources, the layer records and
// where the channel data and the merged image lie.
struct MiniChannel {
  int16_t id = 0;
  uint32_t length = 0;
  size_t data_at = 0;  // offset of its compression word
};
struct MiniLayer {
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  std::vector<MiniChannel> channels;
  std::string key;
  uint8_t opacity = 0, clipping = 0, flags = 0;
  uint32_t extra_length = 0;
  std::string name;
  std::optional<std::u16string> unicode_name;
  std::vector<std::string> block_keys;
};
struct MiniPsd {
  bool ok = false;
  uint16_t version = 0, channels = 0, depth = 0, mode = 0;
  uint32_t width = 0, height = 0;
  std::vector<std::pair<uint16_t, std::vector<uint8_t>>> resources;
  uint32_t section_length = 0, layer_info_length = 0;
  size_t layer_info_at = 0;  // offset of the layer count
  int16_t stored_count = 0;
  std::vector<MiniLayer> layers;
  size_t image_data_at = 0;
};

struct BeReader {
  const std::vector<uint8_t>& b;
  size_t at = 0;
  bool ok = true;
  bool has(size_t n) { ok = ok && at + n <= b.size(); return ok; }
  uint32_t u8() { return has(1) ? b[at++] : 0; }
  uint32_t u16() { uint32_t v = u8() << 8; return v | u8(); }
  uint32_t u32() { uint32_t v = u16() << 16; return v | u16(); }
  std::string str(size_t n) {
    if (!has(n)) return {};
    std::string s(b.begin() + ptrdiff_t(at), b.begin() + ptrdiff_t(at + n));
    at += n;
    return s;
  }
};

inline MiniPsd read_mini_psd(const std::vector<uint8_t>& bytes) {
  MiniPsd p;
  BeReader r{bytes};
  if (r.str(4) != "8BPS") return p;
  p.version = uint16_t(r.u16());
  r.at += 6;
  p.channels = uint16_t(r.u16());
  p.height = r.u32();
  p.width = r.u32();
  p.depth = uint16_t(r.u16());
  p.mode = uint16_t(r.u16());
  r.at += r.u32();
  const uint32_t res_len = r.u32();
  const size_t res_end = r.at + res_len;
  while (r.ok && r.at + 12 <= res_end) {
    if (r.str(4) != "8BIM") return p;
    const uint16_t id = uint16_t(r.u16());
    const uint32_t nl = r.u8();
    r.at += ((nl + 2) & ~1u) - 1;
    const uint32_t size = r.u32();
    if (!r.has(size)) return p;
    p.resources.emplace_back(id, std::vector<uint8_t>(bytes.begin() + ptrdiff_t(r.at),
                                                      bytes.begin() + ptrdiff_t(r.at + size)));
    r.at += (size + 1) & ~1u;
  }
  r.at = res_end;
  p.section_length = r.u32();
  const size_t section_at = r.at;
  p.image_data_at = section_at + p.section_length;
  if (p.section_length >= 6) {
    p.layer_info_length = r.u32();
    p.layer_info_at = r.at;
    if (p.layer_info_length >= 2) {
      p.stored_count = int16_t(r.u16());
      const int count = std::abs(p.stored_count);
      for (int i = 0; i < count && r.ok; ++i) {
        MiniLayer l;
        l.top = int32_t(r.u32()), l.left = int32_t(r.u32());
        l.bottom = int32_t(r.u32()), l.right = int32_t(r.u32());
        const uint32_t nch = r.u16();
        for (uint32_t c = 0; c < nch; ++c) {
          MiniChannel ch;
          ch.id = int16_t(r.u16());
          ch.length = r.u32();
          l.channels.push_back(ch);
        }
        if (r.str(4) != "8BIM") return p;
        l.key = r.str(4);
        l.opacity = uint8_t(r.u8()), l.clipping = uint8_t(r.u8()), l.flags = uint8_t(r.u8());
        r.u8();
        l.extra_length = r.u32();
        const size_t end = r.at + l.extra_length;
        r.at += r.u32();
        r.at += r.u32();
        const size_t name_at = r.at;
        const uint32_t nl = r.u8();
        l.name = r.str(nl);
        r.at = name_at + ((nl + 4) & ~3u);
        while (r.ok && r.at + 12 <= end) {
          const std::string sig = r.str(4), key = r.str(4);
          const uint32_t len = r.u32();
          if (sig != "8BIM" && sig != "8B64") break;
          l.block_keys.push_back(key);
          const size_t data_at = r.at;
          if (key == "luni") {
            const uint32_t units = r.u32();
            std::u16string u;
            for (uint32_t k = 0; k < units && r.ok; ++k) u.push_back(char16_t(r.u16()));
            l.unicode_name = u;
          }
          r.at = data_at + len;
        }
        r.at = end;
        p.layers.push_back(std::move(l));
      }
      for (MiniLayer& l : p.layers)
        for (MiniChannel& c : l.channels) {
          c.data_at = r.at;
          r.at += c.length;
        }
    }
  }
  p.ok = r.ok && p.image_data_at <= bytes.size();
  return p;
}

// One channel plane of a layer (w × h, rows from the top) from `bytes`.
inline std::vector<uint8_t> mini_channel_plane(const std::vector<uint8_t>& bytes, const MiniLayer& l,
                                               const MiniChannel& c) {
  const size_t w = size_t(l.right - l.left), h = size_t(l.bottom - l.top);
  const uint32_t compression = uint32_t(bytes[c.data_at] << 8 | bytes[c.data_at + 1]);
  const size_t data = c.data_at + 2;
  if (compression == 0) return {bytes.begin() + ptrdiff_t(data), bytes.begin() + ptrdiff_t(data + w * h)};
  const size_t rows_at = data + 2 * h;
  return reference_unpack(bytes.data() + rows_at, c.length - 2 - 2 * h, w * h);
}

// The merged image's first three planes (RGB), each width × height.
inline std::vector<std::vector<uint8_t>> mini_merged_planes(const std::vector<uint8_t>& bytes,
                                                            const MiniPsd& p) {
  const size_t w = p.width, h = p.height, n = w * h;
  size_t at = p.image_data_at;
  const uint32_t compression = uint32_t(bytes[at] << 8 | bytes[at + 1]);
  at += 2;
  std::vector<std::vector<uint8_t>> planes;
  if (compression == 0) {
    for (size_t c = 0; c < 3; ++c)
      planes.emplace_back(bytes.begin() + ptrdiff_t(at + c * n), bytes.begin() + ptrdiff_t(at + (c + 1) * n));
    return planes;
  }
  std::vector<size_t> counts(size_t(p.channels) * h);
  for (size_t i = 0; i < counts.size(); ++i) counts[i] = size_t(bytes[at + 2 * i] << 8 | bytes[at + 2 * i + 1]);
  size_t data = at + 2 * counts.size();
  for (size_t c = 0; c < 3; ++c) {
    size_t len = 0;
    for (size_t y = 0; y < h; ++y) len += counts[c * h + y];
    planes.push_back(reference_unpack(bytes.data() + data, std::min(len, bytes.size() - data), n));
    data += len;
  }
  return planes;
}

}  // namespace qm::test

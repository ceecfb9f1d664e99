#include "formats/psd_parser.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include <zlib.h>

#include "formats/binary_file.h"
#include "formats/layer_name.h"
#include "formats/ordered_pipeline.h"
#include "formats/packbits.h"

namespace qm {
namespace {

// Big-endian reads that never go past the end of the file: every position
// is checked against the size taken at opening, so a length field that
// points beyond the file fails at once instead of reading garbage.
class Input {
 public:
  bool open(const std::string& path) {
    if (!file_.open_read(path)) return false;
    size_ = file_.size();
    return size_ >= 0;
  }
  // Bytes already read, positions counted from their first.
  void open_memory(const uint8_t* data, size_t size) {
    memory_ = data;
    size_ = int64_t(size);
    pos_ = 0;
  }
  int64_t size() const { return size_; }
  int64_t pos() const { return pos_; }
  int64_t left() const { return size_ - pos_; }
  bool seek(int64_t to) {
    if (to < 0 || to > size_ || (!memory_ && !file_.seek(to))) return false;
    pos_ = to;
    return true;
  }
  bool skip(int64_t n) { return n >= 0 && seek(pos_ + n); }
  bool read(void* dst, size_t n) {
    if (int64_t(n) > left()) return false;
    if (memory_) {
      std::memcpy(dst, memory_ + pos_, n);
      pos_ += int64_t(n);
      return true;
    }
    const size_t got = file_.read(dst, n);
    pos_ += int64_t(got);
    return got == n;
  }
  bool u8(uint8_t& v) { return read(&v, 1); }
  bool u16(uint16_t& v) {
    uint8_t b[2];
    if (!read(b, 2)) return false;
    v = uint16_t(b[0] << 8 | b[1]);
    return true;
  }
  bool u32(uint32_t& v) {
    uint8_t b[4];
    if (!read(b, 4)) return false;
    v = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    return true;
  }
  bool i16(int16_t& v) {
    uint16_t u;
    if (!u16(u)) return false;
    v = int16_t(u);
    return true;
  }
  bool i32(int32_t& v) {
    uint32_t u;
    if (!u32(u)) return false;
    v = int32_t(u);
    return true;
  }
  bool tag(char (&t)[4]) { return read(t, 4); }

 private:
  BinaryFile file_;
  const uint8_t* memory_ = nullptr;
  int64_t size_ = 0;
  int64_t pos_ = 0;
};

bool is_tag(const char (&t)[4], std::string_view want) { return std::memcmp(t, want.data(), 4) == 0; }

// Grows a buffer without letting a failed allocation escape as an exception.
bool reserve_bytes(std::vector<uint8_t>& buffer, size_t size) {
  if (buffer.size() >= size) return true;
  try {
    buffer.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

struct Header {
  int channels = 0;
  int width = 0;
  int height = 0;
};

int read_header(Input& in, Header& h) {
  char sig[4];
  uint16_t version = 0, channels = 0, depth = 0, mode = 0;
  uint32_t height = 0, width = 0, colour_data = 0;
  if (!in.tag(sig) || !is_tag(sig, kPsdSignature) || !in.u16(version) || version != 1)
    return kPsdFormat;
  if (!in.skip(6) || !in.u16(channels) || !in.u32(height) || !in.u32(width) || !in.u16(depth) ||
      !in.u16(mode))
    return kPsdFormat;
  if (depth != 8 || mode != 3) return kPsdFormat;
  if (width > uint32_t(kPsdMaxSide) || height > uint32_t(kPsdMaxSide)) return kPsdFormat;
  if (!in.u32(colour_data) || !in.skip(colour_data)) return kPsdFormat;
  h = {channels, int(width), int(height)};
  return kPsdOk;
}

// UTF-16 big-endian code units to UTF-8 (through the little-endian helper).
std::string utf16be_to_utf8(const uint8_t* data, size_t units) {
  std::vector<uint8_t> le(units * 2);
  for (size_t i = 0; i < units; ++i) {
    le[2 * i] = data[2 * i + 1];
    le[2 * i + 1] = data[2 * i];
  }
  return utf16le_to_utf8(le.data(), units);
}

// The tagged blocks after a layer's name, from the current position up to
// `end`. Only the Unicode name is taken; the rest is passed over.
void read_layer_blocks(Input& in, int64_t end, PsdLayerRecord& rec) {
  while (end - in.pos() >= 12) {
    char sig[4], key[4];
    uint32_t len = 0;
    if (!in.tag(sig) || !in.tag(key) || !in.u32(len)) return;
    if (!is_tag(sig, "8BIM") && !is_tag(sig, "8B64")) return;
    const int64_t data_at = in.pos();
    if (int64_t{len} > end - data_at) return;
    if (is_tag(key, "luni") && len >= 4) {
      uint32_t units = 0;
      if (!in.u32(units) || uint64_t{units} * 2 > len - 4) return;
      std::vector<uint8_t> text(size_t(units) * 2);
      if (!in.read(text.data(), text.size())) return;
      rec.unicode_name = fit_layer_name(utf16be_to_utf8(text.data(), units));
      rec.has_unicode_name = true;
    }
    // Block lengths are meant to be even; some writers store an odd length
    // and pad after it.
    int64_t next = data_at + len;
    if ((len & 1) && next < end) {
      char probe = 0;
      if (in.seek(next) && in.read(&probe, 1) && probe != '8') ++next;
    }
    if (!in.seek(next)) return;
  }
}

int read_record(Input& in, PsdLayerRecord& rec) {
  uint16_t channel_count = 0;
  if (!in.i32(rec.top) || !in.i32(rec.left) || !in.i32(rec.bottom) || !in.i32(rec.right) ||
      !in.u16(channel_count))
    return kPsdFormat;
  // An inverted or impossibly large rectangle is damage, not a layer.
  if (rec.width() < 0 || rec.height() < 0 || rec.width() > kPsdMaxSide ||
      rec.height() > kPsdMaxSide)
    return kPsdFormat;
  if (channel_count > kPsdMaxLayerChannels) return kPsdFormat;
  rec.channels.resize(channel_count);
  for (PsdChannelEntry& c : rec.channels)
    if (!in.i16(c.id) || !in.u32(c.length)) return kPsdFormat;
  char sig[4];
  uint8_t clipping = 0, flags = 0, filler = 0;
  uint32_t extra = 0;
  if (!in.tag(sig) || !is_tag(sig, kPsdBlockSignature)) return kPsdFormat;
  if (!in.read(rec.blend_key.data(), 4) || !in.u8(rec.opacity) || !in.u8(clipping) ||
      !in.u8(flags) || !in.u8(filler) || !in.u32(extra))
    return kPsdFormat;
  rec.hidden = (flags & kPsdFlagHidden) != 0;
  const int64_t end = in.pos() + int64_t{extra};
  if (end > in.size()) return kPsdFormat;
  if (extra > 0) {
    uint32_t mask_len = 0, ranges_len = 0;
    if (!in.u32(mask_len) || int64_t{mask_len} > end - in.pos() || !in.skip(mask_len) ||
        !in.u32(ranges_len) || int64_t{ranges_len} > end - in.pos() || !in.skip(ranges_len))
      return kPsdFormat;
    const int64_t name_at = in.pos();
    uint8_t stored = 0;
    if (name_at < end && in.u8(stored)) {
      const size_t n = std::min<size_t>(stored, 127);
      if (int64_t(n) > end - in.pos()) return kPsdFormat;
      rec.name.resize(n);
      if (n && !in.read(rec.name.data(), n)) return kPsdFormat;
      // The length-prefixed name is padded to a multiple of 4 bytes.
      const int64_t blocks_at = name_at + ((int64_t{stored} + 4) & ~int64_t{3});
      if (blocks_at < end && in.seek(blocks_at)) read_layer_blocks(in, end, rec);
    }
  }
  return in.seek(end) ? kPsdOk : kPsdFormat;
}

// Reads one channel's rows for a layer rectangle `rect` (canvas coordinates)
// from `length` bytes at the current position and cuts them to `area` (the
// rectangle on the canvas) into `plane`. Packed data is one continuous
// stream; raw data is `rect.w` bytes a row. Bytes the data does not reach
// are 0.
class ChannelDecoder {
 public:
  int decode(Input& in, int64_t length, int compression, const Rect& rect, const Rect& area,
             uint8_t* plane) {
    if (area.empty()) return kPsdOk;
    // Rows are written in order, so what the data reached is a prefix of
    // the plane; only the rest needs clearing.
    size_t reached = 0;
    const int rc = compression == kPsdZip || compression == kPsdZipPredicted
                       ? inflate_rows(in, length, compression == kPsdZipPredicted, rect, area, plane, reached)
                   : compression == kPsdRaw ? raw_rows(in, length, rect, area, plane, reached)
                                            : packed_rows(in, length, rect, area, plane, reached);
    const size_t total = size_t(area.w) * size_t(area.h);
    if (reached < total) std::memset(plane + reached, 0, total - reached);
    return rc;
  }

 private:
  static int raw_rows(Input& in, int64_t length, const Rect& rect, const Rect& area, uint8_t* plane,
                      size_t& reached) {
    const int64_t start = in.pos();
    const int dx = area.x - rect.x, dy = area.y - rect.y;
    for (int r = 0; r < area.h; ++r) {
      const int64_t at = start + (int64_t{dy} + r) * rect.w + dx;
      const int64_t have = std::min<int64_t>(area.w, start + length - at);
      if (have <= 0) break;
      if (!in.seek(at) || !in.read(plane + size_t(r) * size_t(area.w), size_t(have)))
        return kPsdFormat;
      reached = size_t(r) * size_t(area.w) + size_t(have);
    }
    return kPsdOk;
  }

  int packed_rows(Input& in, int64_t length, const Rect& rect, const Rect& area, uint8_t* plane,
                  size_t& reached) {
    const int dx = area.x - rect.x, dy = area.y - rect.y;
    if (!reserve_bytes(row_, size_t(rect.w)) || !reserve_bytes(chunk_, kChunkBytes))
      return kPsdOutOfMemory;
    PackBitsStream stream;
    int64_t input_left = length;
    const bool whole_rows = dx == 0 && area.w == rect.w;
    // Rows below the canvas are never needed; rows above it still have to
    // be unpacked to find where the visible ones start.
    for (int ry = 0; ry < dy + area.h; ++ry) {
      const bool visible = ry >= dy;
      uint8_t* dst = visible && whole_rows ? plane + size_t(ry - dy) * size_t(area.w) : row_.data();
      size_t got = 0;
      while (got < size_t(rect.w)) {
        got += stream.take(dst + got, size_t(rect.w) - got);
        if (got == size_t(rect.w) || input_left == 0) break;
        const size_t n = size_t(std::min<int64_t>(input_left, kChunkBytes));
        if (!in.read(chunk_.data(), n)) return kPsdFormat;
        input_left -= int64_t(n);
        stream.feed(chunk_.data(), n);
      }
      if (!visible) {
        if (got < size_t(rect.w)) break;
        continue;
      }
      if (!whole_rows)
        std::memcpy(plane + size_t(ry - dy) * size_t(area.w), row_.data() + dx, size_t(area.w));
      // Out of data: the rest of this row and every later row are cleared.
      reached = size_t(ry - dy) * size_t(area.w) +
                size_t(std::clamp<int64_t>(int64_t(got) - dx, 0, area.w));
      if (got < size_t(rect.w)) break;
    }
    return kPsdOk;
  }

  // A zlib stream of whole rows, each optionally stored as differences from
  // the byte to its left. Inflated one row at a time into one row buffer, so
  // a huge layer never needs a whole-plane buffer; rows below the canvas are
  // not inflated at all.
  int inflate_rows(Input& in, int64_t length, bool predicted, const Rect& rect, const Rect& area,
                   uint8_t* plane, size_t& reached) {
    if (!reserve_bytes(row_, size_t(rect.w)) || !reserve_bytes(chunk_, kChunkBytes))
      return kPsdOutOfMemory;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return kPsdOutOfMemory;
    struct End {
      z_stream& z;
      ~End() { inflateEnd(&z); }
    } end{z};
    const int dx = area.x - rect.x, dy = area.y - rect.y;
    int64_t input_left = length;
    bool ended = false;
    for (int ry = 0; ry < dy + area.h && !ended; ++ry) {
      z.next_out = row_.data();
      z.avail_out = uInt(rect.w);
      while (z.avail_out > 0) {
        if (z.avail_in == 0) {
          if (input_left == 0) break;
          const size_t n = size_t(std::min<int64_t>(input_left, kChunkBytes));
          if (!in.read(chunk_.data(), n)) return kPsdFormat;
          input_left -= int64_t(n);
          z.next_in = chunk_.data();
          z.avail_in = uInt(n);
        }
        const int zr = inflate(&z, Z_NO_FLUSH);
        if (zr == Z_STREAM_END) {
          ended = true;
          break;
        }
        if (zr != Z_OK) return kPsdFormat;
      }
      const size_t got = size_t(rect.w) - z.avail_out;
      if (got < size_t(rect.w)) ended = true;  // out of data: the rest is cleared
      if (predicted)
        for (size_t x = 1; x < got; ++x) row_[x] = uint8_t(row_[x] + row_[x - 1]);
      if (ry < dy) continue;
      const size_t row_got = got > size_t(dx) ? std::min(size_t(area.w), got - size_t(dx)) : 0;
      std::memcpy(plane + size_t(ry - dy) * size_t(area.w), row_.data() + dx, row_got);
      reached = size_t(ry - dy) * size_t(area.w) + row_got;
    }
    return kPsdOk;
  }

  static constexpr size_t kChunkBytes = 64 * 1024;
  std::vector<uint8_t> row_;
  std::vector<uint8_t> chunk_;
};

int channel_number(int16_t id) {
  switch (id) {
    case 0: return kPsdRed;
    case 1: return kPsdGreen;
    case 2: return kPsdBlue;
    case -1: return kPsdAlpha;
  }
  return -1;
}

constexpr uint64_t kDefaultLayerBytesInMemory = uint64_t{96} << 20;
std::atomic<uint64_t> layer_bytes_in_memory{kDefaultLayerBytesInMemory};

// One layer's channels decoded from its bytes (`in`, positioned at the first
// channel) into `planes`, and handed to the builder.
int decode_layer(Input& in, const PsdLayerRecord& rec, int index, const Rect& canvas, ChannelDecoder& decoder,
                 std::vector<uint8_t> (&planes)[4], PsdEvents& events) {
  // Width and height are at most 30000 (checked with the record), so the
  // rectangle fits in ints once it is taken relative to the canvas; a
  // layer entirely off the canvas gets an empty area.
  const Rect rect{rec.left, rec.top, int(rec.width()), int(rec.height())};
  const Rect area = intersect(rect, canvas);
  PsdPlane found[4];
  bool had_alpha = false;
  for (const PsdChannelEntry& c : rec.channels) {
    const int64_t start = in.pos();
    const int64_t end = start + int64_t{c.length};
    const int number = channel_number(c.id);
    if (number >= 0 && c.length >= 2) {
      uint16_t compression = 0;
      if (!in.u16(compression) || compression > kPsdZipPredicted) return kPsdFormat;
      int64_t data = int64_t{c.length} - 2;
      if (compression == kPsdPackBits) {
        // The row byte counts are not needed: the rows are one stream.
        data -= 2 * rect.h;
        if (data < 0 || !in.skip(2 * int64_t{rect.h})) return kPsdFormat;
      }
      std::vector<uint8_t>& plane = planes[number];
      if (!reserve_bytes(plane, size_t(area.w) * size_t(area.h))) return kPsdOutOfMemory;
      if (const int rc = decoder.decode(in, data, compression, rect, area, plane.data()); rc < 0) return rc;
      if (!area.empty()) found[number] = {area, plane.data(), size_t(area.w)};
      if (number == kPsdAlpha) had_alpha = true;
    }
    // Whatever the channel's data held, the next one starts after it.
    if (!in.seek(end)) return kPsdFormat;
  }
  return events.pixels(index, found, had_alpha);
}

int parse_layers(Input& in, const Header& h, int count, PsdEvents& events) {
  if (const int rc = events.begin(h.width, h.height, count); rc < 0) return rc;
  std::vector<PsdLayerRecord> records(static_cast<size_t>(count));
  for (PsdLayerRecord& rec : records)
    if (const int rc = read_record(in, rec); rc < 0) return rc;
  // The channel data follows the records; all of it must be in the file.
  std::vector<uint64_t> layer_bytes(records.size(), 0);
  uint64_t total = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    for (const PsdChannelEntry& c : records[i].channels) layer_bytes[i] += c.length;
    total += layer_bytes[i];
  }
  if (total > uint64_t(in.left())) return kPsdFormat;

  // Each layer's bytes are read here in file order and decoded on the
  // worker threads, a few layers ahead; each decoding takes a set of planes
  // and a decoder from a small pool, so memory stays bounded. A layer with
  // more bytes than `in_memory` (one far larger than any canvas) is
  // decoded here straight from the file instead, a row buffer at a time.
  const uint64_t in_memory = layer_bytes_in_memory.load();
  struct Work {
    ChannelDecoder decoder;
    std::vector<uint8_t> planes[4];
  };
  struct Item {
    std::vector<uint8_t> bytes;
    bool decoded = false;  // already, from the file
    int status = kPsdOk;
  };
  const Rect canvas{0, 0, h.width, h.height};
  std::vector<Item> items(records.size());
  std::vector<std::unique_ptr<Work>> pool;
  std::mutex pool_mutex;
  // Decodes layer i from `source` with a pooled decoder and planes.
  const auto decode_pooled = [&](int i, Input& source) {
    std::unique_ptr<Work> work;
    {
      std::lock_guard lock(pool_mutex);
      if (!pool.empty()) {
        work = std::move(pool.back());
        pool.pop_back();
      }
    }
    if (!work) work = std::make_unique<Work>();
    const int rc = decode_layer(source, records[size_t(i)], i, canvas, work->decoder, work->planes, events);
    std::lock_guard lock(pool_mutex);
    pool.push_back(std::move(work));
    return rc;
  };
  // A step's failure is kept with its layer; the first layer in file order
  // that failed gives the answer.
  const auto fail = [&](int i, int rc) {
    items[size_t(i)].status = rc;
    return false;
  };
  PipelineSteps steps;
  steps.prepare = [&](int i) {
    if (const int rc = events.layer(i, records[size_t(i)]); rc < 0) return fail(i, rc);
    Item& item = items[size_t(i)];
    const uint64_t n = layer_bytes[size_t(i)];
    if (n > in_memory) {
      item.decoded = true;
      try {
        item.status = decode_pooled(i, in);
      } catch (const std::bad_alloc&) {
        item.status = kPsdOutOfMemory;
      }
      return item.status >= 0;
    }
    if (!reserve_bytes(item.bytes, size_t(n))) return fail(i, kPsdOutOfMemory);
    if (!in.read(item.bytes.data(), size_t(n))) return fail(i, kPsdFormat);
    return true;
  };
  steps.work = [&](int i) {
    Item& item = items[size_t(i)];
    if (item.decoded) return item.status >= 0;
    try {
      Input bytes;
      bytes.open_memory(item.bytes.data(), size_t(layer_bytes[size_t(i)]));
      item.status = decode_pooled(i, bytes);
    } catch (const std::bad_alloc&) {
      item.status = kPsdOutOfMemory;
    }
    std::vector<uint8_t>().swap(item.bytes);
    return item.status >= 0;
  };
  steps.finish = [&](int i) {
    if (const int rc = events.layer_done(i); rc < 0) return fail(i, rc);
    return true;
  };
  if (run_ordered_pipeline(count, pipeline_threads() + 1, steps)) return kPsdOk;
  for (const Item& item : items)
    if (item.status < 0) return item.status;
  return kPsdFormat;
}

// A file without layer records: its merged image becomes the one layer.
int parse_merged(Input& in, const Header& h, int64_t image_data_at, PsdEvents& events) {
  uint16_t compression = 0;
  if (!in.seek(image_data_at) || !in.u16(compression) || compression > kPsdPackBits)
    return kPsdFormat;
  if (h.channels < 3 || h.width == 0 || h.height == 0) return kPsdFormat;
  const int64_t plane_bytes = int64_t{h.width} * h.height;
  int64_t starts[3], lengths[3];
  if (compression == 1) {
    // Every channel's row counts come first; the first three channels' sums
    // say where each plane starts and how long it is.
    const size_t rows = size_t(h.height);
    std::vector<uint8_t> counts;
    if (!reserve_bytes(counts, rows * 3 * 2)) return kPsdOutOfMemory;
    const int64_t table_at = in.pos();
    if (!in.read(counts.data(), rows * 3 * 2)) return kPsdFormat;
    int64_t at = table_at + 2 * int64_t{h.channels} * h.height;
    for (int c = 0; c < 3; ++c) {
      int64_t sum = 0;
      for (size_t r = 0; r < rows; ++r) {
        const size_t k = (size_t(c) * rows + r) * 2;
        sum += counts[k] << 8 | counts[k + 1];
      }
      starts[c] = at;
      lengths[c] = sum;
      at += sum;
    }
    if (at > in.size()) return kPsdFormat;
  } else {
    for (int c = 0; c < 3; ++c) {
      starts[c] = in.pos() + c * plane_bytes;
      lengths[c] = std::clamp<int64_t>(in.size() - starts[c], 0, plane_bytes);
    }
  }
  if (const int rc = events.begin(h.width, h.height, 1); rc < 0) return rc;
  PsdLayerRecord rec;
  rec.right = h.width;
  rec.bottom = h.height;
  rec.from_merged_image = true;
  if (const int rc = events.layer(0, rec); rc < 0) return rc;
  const Rect area{0, 0, h.width, h.height};
  std::vector<uint8_t> planes[3];
  PsdPlane found[4];
  ChannelDecoder decoder;
  for (int c = 0; c < 3; ++c) {
    std::vector<uint8_t>& plane = planes[c];
    if (!reserve_bytes(plane, size_t(plane_bytes))) return kPsdOutOfMemory;
    if (!in.seek(std::min(starts[c], in.size()))) return kPsdFormat;
    if (const int rc = decoder.decode(in, lengths[c], compression, area, area, plane.data());
        rc < 0)
      return rc;
    found[c] = {area, plane.data(), size_t(h.width)};
  }
  if (const int rc = events.pixels(0, found, false); rc < 0) return rc;
  return events.layer_done(0);
}

}  // namespace

void set_psd_layer_bytes_in_memory(uint64_t bytes) {
  layer_bytes_in_memory = bytes ? bytes : kDefaultLayerBytesInMemory;
}

LoadResult load_result_from_psd(int status) {
  switch (status) {
    case kPsdOk: return LoadResult::Success;
    case kPsdCannotOpen: return LoadResult::CannotOpen;
    case kPsdOutOfMemory: return LoadResult::OutOfMemory;
    case kPsdTooLarge: return LoadResult::TooLarge;
  }
  return LoadResult::WrongFormat;
}

int parse_psd(const std::string& path, PsdEvents& events) {
  Input in;
  if (!in.open(path)) return kPsdCannotOpen;
  Header h;
  if (const int rc = read_header(in, h); rc < 0) return rc;
  uint32_t resources = 0, section = 0;
  if (!in.u32(resources) || !in.skip(resources)) return kPsdFormat;
  // Layer and mask information; without any layer records the merged image
  // is the picture.
  if (!in.u32(section)) return kPsdFormat;
  const int64_t image_data_at = in.pos() + int64_t{section};
  if (image_data_at > in.size()) return kPsdFormat;
  uint32_t layer_info = 0;
  int16_t signed_count = 0;
  if (section >= 6 && (!in.u32(layer_info) || (layer_info >= 2 && !in.i16(signed_count))))
    return kPsdFormat;
  // A negative count only says the merged image has transparency.
  const int count = signed_count < 0 ? -int(signed_count) : int(signed_count);
  if (count == 0) return parse_merged(in, h, image_data_at, events);
  return parse_layers(in, h, count, events);
}

}  // namespace qm

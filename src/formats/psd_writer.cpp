// SavePsd: every layer at canvas size, RLE channels, a merged image and a
// JPEG thumbnail, big-endian throughout.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "document/blend_modes.h"
#include "formats/binary_file.h"
#include "formats/jpeg_encoder.h"
#include "formats/layer_name.h"
#include "formats/ordered_pipeline.h"
#include "formats/packbits.h"
#include "formats/psd_document.h"
#include "formats/safe_write.h"
#include "formats/thumbnail.h"

namespace qm {
namespace {

// Bytes B, G, R, A of a pixel in memory; PSD channels 0, 1, 2 are R, G, B.
constexpr int kRedByte = 2, kGreenByte = 1, kBlueByte = 0, kAlphaByte = 3;
constexpr int kLayerChannelBytes[4] = {kRedByte, kGreenByte, kBlueByte, kAlphaByte};
constexpr int16_t kLayerChannelIds[4] = {0, 1, 2, -1};

bool write_tag(BinaryFile& f, std::string_view tag) { return f.write(tag.data(), 4); }

// UTF-8 to UTF-16 code units; a malformed byte becomes U+FFFD.
std::vector<uint16_t> utf16_of(const std::string& text) {
  std::vector<uint16_t> out;
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t c = uint8_t(text[i]);
    uint32_t cp = 0xFFFD;
    size_t n = 1;
    if (c < 0x80) {
      cp = c;
    } else {
      const size_t extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
      if (extra && i + extra < text.size()) {
        uint32_t v = c & (0x3F >> extra);
        bool ok = true;
        for (size_t k = 1; k <= extra; ++k) {
          const uint8_t cc = uint8_t(text[i + k]);
          ok = ok && (cc & 0xC0) == 0x80;
          v = v << 6 | (cc & 0x3F);
        }
        if (ok) {
          cp = v;
          n = extra + 1;
        }
      }
    }
    if (cp >= 0x10000) {
      out.push_back(uint16_t(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(uint16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(uint16_t(cp));
    }
    i += n;
  }
  return out;
}

struct LayerText {
  std::string name;              // at most 31 bytes
  std::vector<uint16_t> utf16;   // the same name for the "luni" block
  uint32_t name_bytes() const { return uint32_t(name.size() + 4) & ~3u; }
  uint32_t unicode_bytes() const { return (4 + uint32_t(utf16.size()) * 2 + 3) & ~3u; }
  // Mask and blending-range lengths, the padded name, the tagged block.
  uint32_t extra_bytes() const { return 8 + name_bytes() + 12 + unicode_bytes(); }
};

// Writes one length-prefixed name padded to a multiple of 4, then the
// Unicode name block that other programs prefer.
bool write_layer_text(BinaryFile& f, const LayerText& t) {
  std::vector<uint8_t> name(t.name_bytes(), 0);
  name[0] = uint8_t(t.name.size());
  std::memcpy(name.data() + 1, t.name.data(), t.name.size());
  if (!f.write(name.data(), name.size())) return false;
  std::vector<uint8_t> block(t.unicode_bytes(), 0);
  const uint32_t units = uint32_t(t.utf16.size());
  block[0] = uint8_t(units >> 24), block[1] = uint8_t(units >> 16);
  block[2] = uint8_t(units >> 8), block[3] = uint8_t(units);
  for (size_t i = 0; i < t.utf16.size(); ++i) {
    block[4 + 2 * i] = uint8_t(t.utf16[i] >> 8);
    block[5 + 2 * i] = uint8_t(t.utf16[i]);
  }
  return write_tag(f, kPsdBlockSignature) && write_tag(f, "luni") &&
         f.write_u32_be(uint32_t(block.size())) && f.write(block.data(), block.size());
}

// One channel packed row by row: the rows' bytes one after another, and
// each row's packed size.
struct PackedChannel {
  std::unique_ptr<uint8_t[]> bytes;
  size_t size = 0;
  std::vector<uint16_t> counts;
};

// Packs the channels at `bytes` (byte offsets within a pixel, at most 4) of
// `image`, rows top first, splitting each row into its channels once. False
// when memory is short.
bool pack_channels(const LayerImage& image, const int* bytes, int channels, PackedChannel* out) {
  const int w = image.width(), h = image.height();
  const size_t bound = packbits_bound(size_t(w));
  std::vector<uint8_t> rows[4];
  try {
    for (int c = 0; c < channels; ++c) {
      rows[c].resize(size_t(w));
      out[c].counts.resize(size_t(h));
      // Only the pages the packets reach become resident.
      out[c].bytes.reset(new uint8_t[size_t(h) * bound]);
      out[c].size = 0;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = reinterpret_cast<const uint8_t*>(image.row(y));
    for (int c = 0; c < channels; ++c) {
      uint8_t* row = rows[c].data();
      const uint8_t* from = src + bytes[c];
      for (int x = 0; x < w; ++x) row[x] = from[size_t(x) * 4];
    }
    for (int c = 0; c < channels; ++c) {
      PackedChannel& p = out[c];
      // A row of up to 4500 bytes packs to at most 6752: always fits 16 bits.
      const size_t n = packbits_pack(rows[c].data(), size_t(w), p.bytes.get() + p.size);
      p.counts[size_t(y)] = uint16_t(n);
      p.size += n;
    }
  }
  return true;
}

bool write_counts(BinaryFile& f, const std::vector<uint16_t>& counts) {
  std::vector<uint8_t> bytes(counts.size() * 2);
  for (size_t i = 0; i < counts.size(); ++i) {
    bytes[2 * i] = uint8_t(counts[i] >> 8);
    bytes[2 * i + 1] = uint8_t(counts[i]);
  }
  return f.write(bytes.data(), bytes.size());
}

// The image resources: resolution (600 dpi) and, when the encoder manages,
// the JPEG thumbnail.
bool write_resources(BinaryFile& f, const LayerImage& flat) {
  std::vector<uint8_t> jpeg;
  const PsdThumbnailSize ts = psd_thumbnail_size(flat.width(), flat.height());
  LayerImage thumb;
  bool with_thumbnail = false;
  if (thumb.create(ts.width, ts.height)) {
    box_stretch(flat, thumb);
    with_thumbnail = encode_jpeg_to_memory(thumb, JpegOptions{85, true, 96}, jpeg) && !jpeg.empty();
  }
  const uint32_t jpeg_pad = uint32_t(jpeg.size() & 1);
  const uint32_t thumbnail_block = with_thumbnail ? 12 + 28 + uint32_t(jpeg.size()) + jpeg_pad : 0;
  if (!f.write_u32_be(28 + thumbnail_block)) return false;

  // Resolution: 600.0 in 16.16 fixed point, pixels per inch, both ways.
  bool ok = write_tag(f, kPsdBlockSignature) && f.write_u16_be(kPsdResolutionResource) &&
            f.write_u16_be(0) && f.write_u32_be(16);
  for (int axis = 0; axis < 2; ++axis)
    ok = ok && f.write_u32_be(600u << 16) && f.write_u16_be(1) && f.write_u16_be(2);
  if (!ok || !with_thumbnail) return ok;

  const uint32_t row_bytes = (uint32_t(thumb.width()) * 24 + 31) / 32 * 4;
  return write_tag(f, kPsdBlockSignature) && f.write_u16_be(kPsdThumbnailResource) &&
         f.write_u16_be(0) && f.write_u32_be(uint32_t(jpeg.size()) + 28) &&
         f.write_u32_be(1) && f.write_u32_be(uint32_t(thumb.width())) &&
         f.write_u32_be(uint32_t(thumb.height())) && f.write_u32_be(row_bytes) &&
         f.write_u32_be(row_bytes * uint32_t(thumb.height())) &&
         f.write_u32_be(uint32_t(jpeg.size())) && f.write_u16_be(24) && f.write_u16_be(1) &&
         f.write(jpeg.data(), jpeg.size()) && (jpeg_pad == 0 || f.write_u8(0));
}

bool write_psd(BinaryFile& f, const Document& doc, ProgressSink* progress) {
  const int count = doc.layer_count();
  const int w = doc.width(), h = doc.height();
  if (count < 1 || count > kMaxLayers || w < 1 || h < 1 || w > kMaxCanvasSide ||
      h > kMaxCanvasSide)
    return false;
  LayerImage flat;
  if (!doc.flatten(flat, false)) return false;
  if (progress) progress->set_range(count);

  // Header: RGB, three channels, 8 bits; no colour mode data.
  bool ok = write_tag(f, kPsdSignature) && f.write_u16_be(1) && f.write_u32_be(0) &&
            f.write_u16_be(0) && f.write_u16_be(3) && f.write_u32_be(uint32_t(h)) &&
            f.write_u32_be(uint32_t(w)) && f.write_u16_be(8) && f.write_u16_be(3) &&
            f.write_u32_be(0);
  if (!ok || !write_resources(f, flat)) return false;

  // Layer and mask information. The lengths are patched once the channel
  // data is written.
  const int64_t section_at = f.tell();
  if (section_at < 0 || !f.write_u32_be(0) || !f.write_u32_be(0) ||
      !f.write_u16_be(uint16_t(count)))
    return false;
  std::vector<int64_t> length_at(size_t(count) * 4);
  for (int i = 0; i < count; ++i) {
    const Layer& layer = *doc.layer_at(count - 1 - i);  // bottom first
    LayerText text;
    // The length-prefixed name in the legacy code page (as well as it
    // goes); "luni" keeps it whole for the readers that know it.
    utf8_to_legacy(fit_layer_name(layer.name), kNameFieldBytes - 1, text.name);
    text.utf16 = utf16_of(fit_layer_name(layer.name));
    ok = f.write_u32_be(0) && f.write_u32_be(0) && f.write_u32_be(uint32_t(h)) &&
         f.write_u32_be(uint32_t(w)) && f.write_u16_be(4);
    for (int c = 0; ok && c < 4; ++c) {
      ok = f.write_u16_be(uint16_t(kLayerChannelIds[c]));
      length_at[size_t(i) * 4 + size_t(c)] = f.tell();
      ok = ok && f.write_u32_be(0);
    }
    const PsdBlendKey key = psd_blend_key(layer.blend_mode);
    ok = ok && write_tag(f, kPsdBlockSignature) && f.write(key.data(), 4) &&
         f.write_u8(psd_opacity_from_layer(std::min<int>(layer.opacity, kFullOpacity))) &&
         f.write_u8(0) && f.write_u8(layer.visible() ? 0 : kPsdFlagHidden) && f.write_u8(0) &&
         f.write_u32_be(text.extra_bytes()) && f.write_u32_be(0) && f.write_u32_be(0) &&
         write_layer_text(f, text);
    if (!ok) return false;
  }

  // The layers' channels are packed on the worker threads and written here,
  // bottom layer first.
  std::vector<uint32_t> lengths(size_t(count) * 4);
  std::vector<std::array<PackedChannel, 4>> packed(static_cast<size_t>(count));
  PipelineSteps steps;
  steps.prepare = [](int) { return true; };
  steps.work = [&](int i) {
    return pack_channels(doc.layer_at(count - 1 - i)->image, kLayerChannelBytes, 4,
                         packed[size_t(i)].data());
  };
  steps.finish = [&](int i) {
    std::array<PackedChannel, 4> layer = std::move(packed[size_t(i)]);
    for (int c = 0; c < 4; ++c) {
      const PackedChannel& p = layer[size_t(c)];
      if (!f.write_u16_be(1) || !write_counts(f, p.counts) || !f.write(p.bytes.get(), p.size))
        return false;
      lengths[size_t(i) * 4 + size_t(c)] = uint32_t(2 + 2 * size_t(h) + p.size);
    }
    if (progress) progress->step();
    return true;
  };
  if (!run_ordered_pipeline(count, pipeline_threads() + 1, steps)) return false;
  int64_t layer_info_end = f.tell();
  if (layer_info_end < 0) return false;
  if ((layer_info_end - section_at - 8) & 1) {
    if (!f.write_u8(0)) return false;
    ++layer_info_end;
  }
  // An empty global layer mask block closes the section.
  if (!f.write_u32_be(0)) return false;
  const int64_t section_end = f.tell();
  for (size_t k = 0; k < lengths.size(); ++k)
    if (!f.seek(length_at[k]) || !f.write_u32_be(lengths[k])) return false;
  if (!f.seek(section_at) || !f.write_u32_be(uint32_t(section_end - section_at - 4)) ||
      !f.write_u32_be(uint32_t(layer_info_end - section_at - 8)) ||
      !f.seek(0, BinaryFile::Origin::End))
    return false;

  // The merged image: the flattened picture's red, green and blue planes.
  if (!f.write_u16_be(1)) return false;
  const int64_t counts_at = f.tell();
  if (counts_at < 0) return false;
  std::vector<uint16_t> all_counts(size_t(h) * 3, 0);
  if (!write_counts(f, all_counts)) return false;
  PackedChannel merged[3];
  if (!pack_channels(flat, kLayerChannelBytes, 3, merged)) return false;
  for (int c = 0; c < 3; ++c) {
    std::copy(merged[c].counts.begin(), merged[c].counts.end(), all_counts.begin() + ptrdiff_t(c) * h);
    if (!f.write(merged[c].bytes.get(), merged[c].size)) return false;
  }
  return f.seek(counts_at) && write_counts(f, all_counts) && f.seek(0, BinaryFile::Origin::End);
}

}  // namespace

PsdThumbnailSize psd_thumbnail_size(int width, int height) {
  if (width <= kPsdThumbnailBox && height <= kPsdThumbnailBox) return {width, height};
  // w × 100 / h rounded half up, in integers.
  const int64_t w100 = (int64_t{width} * 2 * kPsdThumbnailBox + height) / (int64_t{height} * 2);
  if (w100 < kPsdThumbnailBox) return {std::max<int>(1, int(w100)), kPsdThumbnailBox};
  const int64_t h100 = (int64_t{height} * 2 * kPsdThumbnailBox + width) / (int64_t{width} * 2);
  return {kPsdThumbnailBox, std::max<int>(1, int(h100))};
}

bool SavePsd(const std::string& path, const Document& doc, ProgressSink* progress) {
  return safe_write(path, [&](BinaryFile& f) { return write_psd(f, doc, progress); });
}

}  // namespace qm

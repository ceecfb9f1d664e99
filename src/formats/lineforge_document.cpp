#include "formats/lineforge_document.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "formats/binary_file.h"
#include "formats/layer_name.h"
#include "formats/load_picture.h"
#include "formats/safe_write.h"
#include "formats/zlib_stream.h"

namespace qm {
namespace {

constexpr size_t kV0RecordBytes = kNameFieldBytes + 1 + 1 + 4;
constexpr size_t kTileHeaderBytes = 6;

// Writes a size placeholder, the stream, then patches the size.
bool write_sized_stream(BinaryFile& file, ConstByteRows rows) {
  const int64_t size_at = file.tell();
  if (size_at < 0 || !file.write_u32(0)) return false;
  const uint64_t z = DeflateRowsToFile(file, rows, kDefaultDeflateLevel, nullptr);
  return z != 0 && z <= 0xFFFFFFFFu && file.seek(size_at) && file.write_u32(uint32_t(z)) &&
         file.seek(0, BinaryFile::Origin::End);
}

// Names the legacy code page cannot hold whole follow the last layer, where
// readers that stop after the layers never look: a tag, then for each layer
// from the bottom its length byte and its UTF-8 bytes. Written only when
// some name needs it.
constexpr char kUtf8NamesTag[8] = {'U', 'T', 'F', '8', 'N', 'A', 'M', 'E'};

bool write_utf8_names(BinaryFile& file, const Document& doc) {
  bool all_legacy = true;
  for (int i = 0; i < doc.layer_count(); ++i) {
    uint8_t name[kNameFieldBytes];
    all_legacy = encode_name_field(doc.layer_at(i)->name, name) && all_legacy;
  }
  if (all_legacy) return true;
  if (!file.write(kUtf8NamesTag, sizeof kUtf8NamesTag)) return false;
  for (int index = doc.layer_count() - 1; index >= 0; --index) {
    const std::string whole = fit_layer_name(doc.layer_at(index)->name);
    if (!file.write_u8(uint8_t(whole.size())) || !file.write(whole.data(), whole.size())) return false;
  }
  return true;
}

// Reads that block when it is there; anything malformed leaves the names
// from the legacy fields.
void read_utf8_names(BinaryFile& file, Document& doc) {
  char tag[sizeof kUtf8NamesTag];
  if (file.remaining() < int64_t(sizeof tag) || file.read(tag, sizeof tag) != sizeof tag ||
      std::memcmp(tag, kUtf8NamesTag, sizeof tag) != 0)
    return;
  std::vector<std::string> names;
  for (int i = 0; i < doc.layer_count(); ++i) {
    uint8_t length = 0;
    uint8_t bytes[256];
    std::string name;
    if (!file.read_u8(length) || length > kLayerNameUtf8Bytes ||
        file.read(bytes, length) != length || !decode_utf8_name(bytes, length, name))
      return;
    names.push_back(name);
  }
  for (size_t i = 0; i < names.size(); ++i) doc.layer_at(doc.layer_count() - 1 - int(i))->name = names[i];
}

bool write_document(BinaryFile& file, const Document& doc, ProgressSink* progress) {
  const int count = doc.layer_count();
  const int width = doc.width(), height = doc.height();
  if (count < 1 || count > kMaxLayers || width < 1 || height < 1) return false;
  const size_t stride = size_t(lineforge_density_stride(width));
  std::vector<uint8_t> density(stride * size_t(height), 0);

  bool ok = file.write_string(kLineforgeMagic) && file.write_u8(0) &&
            file.write_u16(uint16_t(width)) && file.write_u16(uint16_t(height)) &&
            file.write_u16(uint16_t(count)) &&
            file.write_u16(uint16_t(std::clamp(doc.name_counter(), 0, 0xFFFF))) &&
            file.write_u16(uint16_t(std::clamp(doc.current_index(), 0, count - 1))) &&
            file.write_u8(0);
  if (!ok) return false;

  LayerImage flat;
  if (doc.flatten(flat, false)) {
    if (!write_sized_stream(file, bottom_up_rows(std::as_const(flat)))) return false;
  } else if (!file.write_u32(0)) {
    return false;  // no preview: a size of 0 and nothing after it
  }
  flat.destroy();
  if (progress) progress->step();

  for (int index = count - 1; index >= 0; --index) {
    const Layer& layer = *doc.layer_at(index);
    uint8_t name[kNameFieldBytes];
    encode_name_field(layer.name, name);
    ok = file.write(name, sizeof name) &&
         file.write_u8(std::min<uint8_t>(layer.opacity, kFullOpacity)) &&
         file.write_u8(layer.visible() ? 1 : 0) && file.write_u32(0);  // colour: black
    if (!ok) return false;
    for (int y = 0; y < height; ++y) {
      const Pixel* src = layer.image.row(y);
      uint8_t* dst = &density[size_t(y) * stride];
      for (int x = 0; x < width; ++x) dst[x] = alpha_of(src[x]);
    }
    if (!write_sized_stream(file, {density.data(), density.size(), 1, 0})) return false;
    if (progress) progress->step();
  }
  return write_utf8_names(file, doc);
}

Pixel layer_colour(const uint8_t* bgr) { return make_pixel(0, bgr[2], bgr[1], bgr[0]); }

Pixel density_pixel(uint8_t d, Pixel colour) { return d ? (Pixel{d} << 24 | colour) : kTransparent; }

// Reads the common header after the magic: the version byte.
LoadResult open_lineforge(const std::string& path, BinaryFile& file, uint8_t& version) {
  if (!file.open_read(path)) return LoadResult::CannotOpen;
  if (!file.CheckMagic(kLineforgeMagic) || !file.read_u8(version) || version > 1)
    return LoadResult::WrongFormat;
  return LoadResult::Success;
}

// Canvas and layer-count checks shared by both versions, before allocation.
LoadResult check_canvas(int width, int height, int count, const LoadLimits& limits) {
  if (width > limits.max_side || height > limits.max_side) return LoadResult::TooLarge;
  if (count == 0) return LoadResult::WrongFormat;
  if (width == 0 || height == 0 || count > limits.max_layers ||
      !limits.allows_pixels(width, height, count))
    return LoadResult::OutOfMemory;
  return LoadResult::Success;
}

bool skip_within(BinaryFile& file, int64_t bytes) {
  return bytes >= 0 && file.remaining() >= bytes && file.skip(bytes);
}

LoadResult load_v0(BinaryFile& file, Document& doc, ProgressSink* progress,
                   const LoadLimits& limits) {
  uint16_t width = 0, height = 0, count = 0, counter = 0, current = 0;
  uint8_t reserved = 0;
  uint32_t preview_bytes = 0;
  if (!file.read_u16(width) || !file.read_u16(height) || !file.read_u16(count) ||
      !file.read_u16(counter) || !file.read_u16(current) || !file.read_u8(reserved))
    return LoadResult::Damaged;
  if (reserved != 0) return LoadResult::WrongFormat;
  if (const LoadResult r = check_canvas(width, height, count, limits); r != LoadResult::Success)
    return r;
  if (!file.read_u32(preview_bytes) || !skip_within(file, preview_bytes)) return LoadResult::Damaged;
  if (file.remaining() < int64_t{count} * int64_t(kV0RecordBytes + 4)) return LoadResult::Damaged;

  if (progress) progress->set_range(count);
  const size_t stride = size_t(lineforge_density_stride(width));
  std::vector<uint8_t> density;
  density.resize(stride * height);
  if (!doc.new_canvas(width, height, false)) return LoadResult::OutOfMemory;
  for (int i = 0; i < count; ++i) {
    // Built here rather than by create_layer: every pixel is written below,
    // so clearing it first would be a wasted pass.
    auto layer = std::make_unique<Layer>();
    if (doc.layer_count() >= kMaxLayers || !layer->image.create_canvas(width, height))
      return LoadResult::OutOfMemory;
    uint8_t record[kV0RecordBytes];
    uint32_t z = 0;
    if (file.read(record, sizeof record) != sizeof record || !file.read_u32(z))
      return LoadResult::Damaged;
    layer->name = decode_name_field(record);
    layer->opacity = std::min<uint8_t>(record[32], kFullOpacity);
    layer->flags = (record[33] & 1) ? kLayerVisible : 0;
    const Pixel colour = layer_colour(&record[34]);
    // A stream that ends early leaves the rest of the plane empty.
    std::fill(density.begin(), density.end(), 0);
    const int64_t stream_at = file.tell();
    if (file.remaining() < int64_t{z} || !InflateFromFile(file, density.data(), density.size(), z) ||
        !file.seek(stream_at + int64_t{z}))
      return LoadResult::Damaged;
    for (int y = 0; y < height; ++y) {
      const uint8_t* src = &density[size_t(y) * stride];
      Pixel* dst = layer->image.row(y);
      for (int x = 0; x < width; ++x) dst[x] = density_pixel(src[x], colour);
    }
    // Each layer read goes on top of those before it: the file runs bottom up.
    if (!doc.insert_layer(0, std::move(layer))) return LoadResult::OutOfMemory;
    if (progress) progress->step();
  }
  read_utf8_names(file, doc);
  doc.set_name_counter(counter);
  doc.select(current < count ? current : 0);
  return LoadResult::Success;
}

// Writes one 64 × 64 density tile whose top-left lands at (x0, y0); the part
// outside the canvas is dropped. 64-bit positions: offsets come from the file.
void place_tile(LayerImage& image, const uint8_t* tile, int64_t x0, int64_t y0, Pixel colour) {
  const int64_t first_x = std::max<int64_t>(x0, 0);
  const int64_t last_x = std::min<int64_t>(x0 + kLineforgeTileSide, image.width());
  const int64_t first_y = std::max<int64_t>(y0, 0);
  const int64_t last_y = std::min<int64_t>(y0 + kLineforgeTileSide, image.height());
  for (int64_t y = first_y; y < last_y; ++y) {
    const uint8_t* src = tile + (y - y0) * kLineforgeTileSide;
    Pixel* dst = image.row(int(y));
    for (int64_t x = first_x; x < last_x; ++x) dst[x] = density_pixel(src[x - x0], colour);
  }
}

LoadResult load_v1(BinaryFile& file, Document& doc, ProgressSink* progress,
                   const LoadLimits& limits) {
  uint32_t preview_bytes = 0;
  uint16_t header_bytes = 0, width = 0, height = 0, count = 0, current = 0, record_bytes = 0;
  if (!file.skip(4) || !file.read_u32(preview_bytes) || !skip_within(file, preview_bytes) ||
      !file.read_u16(header_bytes))
    return LoadResult::Damaged;
  if (header_bytes < kLineforgeV1HeaderBytes) return LoadResult::WrongFormat;
  if (!file.read_u16(width) || !file.read_u16(height) || !file.skip(2) || !file.read_u16(count) ||
      !file.read_u16(current) || !file.read_u16(record_bytes))
    return LoadResult::Damaged;
  if (record_bytes < kLineforgeV1RecordBytes) return LoadResult::WrongFormat;
  if (!skip_within(file, header_bytes - kLineforgeV1HeaderBytes)) return LoadResult::Damaged;
  if (const LoadResult r = check_canvas(width, height, count, limits); r != LoadResult::Success)
    return r;
  if (file.remaining() < int64_t{count} * record_bytes) return LoadResult::Damaged;

  if (!doc.new_canvas(width, height, false)) return LoadResult::OutOfMemory;
  Inflater inflater;
  if (!inflater.ready()) return LoadResult::OutOfMemory;
  if (progress) progress->set_range(count);
  uint8_t tile[kLineforgeTileBytes];
  uint8_t data[kLineforgeTileBytes];
  for (int i = 0; i < count; ++i) {
    Layer* layer = doc.create_layer(false);
    if (!layer) return LoadResult::OutOfMemory;
    uint8_t record[kLineforgeV1RecordBytes];
    if (file.read(record, sizeof record) != sizeof record ||
        !skip_within(file, record_bytes - kLineforgeV1RecordBytes))
      return LoadResult::Damaged;
    auto u32_at = [&](int at) {
      return uint32_t(record[at]) | uint32_t(record[at + 1]) << 8 |
             uint32_t(record[at + 2]) << 16 | uint32_t(record[at + 3]) << 24;
    };
    const int64_t x_offset = int32_t(u32_at(0));
    const int64_t y_offset = int32_t(u32_at(4));
    const uint32_t tiles = u32_at(16);
    layer->name = fit_layer_name(utf16le_to_utf8(&record[20], 25));
    layer->opacity = std::min<uint8_t>(record[70], kFullOpacity);
    const Pixel colour = layer_colour(&record[71]);
    layer->flags = (record[75] & 1) ? kLayerVisible : 0;
    // Each tile takes at least its header and one data byte: a count the
    // rest of the file cannot hold is damage, found without reading on.
    if (uint64_t{tiles} * (kTileHeaderBytes + 1) > uint64_t(file.remaining()))
      return LoadResult::Damaged;
    for (uint32_t t = 0; t < tiles; ++t) {
      uint16_t ix = 0, iy = 0, size = 0;
      if (!file.read_u16(ix) || !file.read_u16(iy) || !file.read_u16(size) || size == 0 ||
          size > kLineforgeTileBytes || file.read(data, size) != size)
        return LoadResult::Damaged;
      const uint8_t* src = data;
      if (size < kLineforgeTileBytes) {
        std::memset(tile, 0, sizeof tile);
        if (!inflater.inflate(tile, sizeof tile, data, size)) return LoadResult::Damaged;
        src = tile;
      }
      place_tile(layer->image, src, x_offset + int64_t{kLineforgeTileSide} * ix,
                 y_offset + int64_t{kLineforgeTileSide} * iy, colour);
    }
    if (progress) progress->step();
  }
  doc.set_name_counter(count);
  doc.select(current < count ? current : 0);
  return LoadResult::Success;
}

}  // namespace

bool SaveLineforgeDocument(const std::string& path, const Document& doc, ProgressSink* progress) {
  return safe_write(path, [&](BinaryFile& file) { return write_document(file, doc, progress); });
}

LoadResult LoadLineforgeDocument(const std::string& path, Document& doc, ProgressSink* progress,
                                 const LoadLimits& limits) {
  BinaryFile file;
  uint8_t version = 0;
  if (const LoadResult r = open_lineforge(path, file, version); r != LoadResult::Success) return r;
  return version == 0 ? load_v0(file, doc, progress, limits) : load_v1(file, doc, progress, limits);
}

bool LoadLineforgeThumbnail(const std::string& path, LayerImage& image) {
  BinaryFile file;
  uint8_t version = 0;
  if (open_lineforge(path, file, version) != LoadResult::Success) return false;
  uint16_t width = 0, height = 0;
  uint32_t preview_bytes = 0;
  if (!file.read_u16(width) || !file.read_u16(height)) return false;
  if (version == 0 && !file.skip(7)) return false;
  if (!file.read_u32(preview_bytes)) return false;
  if (width == 0 || height == 0 || preview_bytes == 0 || width > kMaxCanvasSide ||
      height > kMaxCanvasSide || file.remaining() < int64_t{preview_bytes})
    return false;
  LayerImage preview;
  if (!preview.create(width, height)) return false;
  // A stream that ends early leaves paper white where it stopped.
  preview.fill(kOpaqueWhite);
  if (!InflateRowsFromFile(file, bottom_up_rows(preview), preview_bytes)) return false;
  image = std::move(preview);
  return true;
}

}  // namespace qm

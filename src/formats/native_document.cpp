#include "formats/native_document.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "formats/binary_file.h"
#include "formats/deflate_whole.h"
#include "formats/layer_name.h"
#include "formats/load_picture.h"
#include "formats/ordered_pipeline.h"
#include "formats/safe_write.h"
#include "formats/thumbnail.h"
#include "formats/zlib_stream.h"
#include "document/blend_modes.h"

namespace qm {
namespace {

// The thumbnail of the flattened picture, or an empty image when memory is short.
LayerImage make_thumbnail(const Document& doc) {
  LayerImage flat, thumb;
  const ThumbnailSize size = native_thumbnail_size(doc.width(), doc.height());
  if (!doc.flatten(flat, false) || !thumb.create(size.width, size.height)) return {};
  box_stretch(flat, thumb);
  return thumb;
}

bool write_bottom_up(BinaryFile& file, const LayerImage& image) {
  for (int y = image.height() - 1; y >= 0; --y)
    if (!file.write(image.row(y), size_t(image.width()) * 4)) return false;
  return true;
}

// The layer's pixels in file order (bottom row first), deflated in one
// piece; empty when memory is short. `raw` holds the file-order copy, made
// here when it comes empty (all layers are the same size).
DeflatedBytes deflate_bottom_up(const LayerImage& image, std::unique_ptr<uint8_t[]>& raw) {
  const size_t row_bytes = size_t(image.width()) * 4;
  if (!raw) raw.reset(new (std::nothrow) uint8_t[image.byte_count()]);
  if (!raw) return {};
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(raw.get() + size_t(image.height() - 1 - y) * row_bytes, image.row(y), row_bytes);
  return DeflateWhole(raw.get(), image.byte_count(), kDefaultDeflateLevel);
}

// Turns a raster filled in file order (bottom row first) the right way up.
void flip_rows(LayerImage& image) {
  for (int top = 0, bottom = image.height() - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(image.row(top), image.row(top) + image.width(), image.row(bottom));
}

bool write_document(BinaryFile& file, const Document& doc, ProgressSink* progress) {
  const int count = doc.layer_count();
  if (count < 1 || count > kMaxLayers || doc.width() < 1 || doc.height() < 1) return false;
  bool ok = file.write_string(kNativeMagic) && file.write_u8(0) &&
            file.write_u32(kNativeHeaderBytes) && file.write_u16(uint16_t(doc.width())) &&
            file.write_u16(uint16_t(doc.height())) && file.write_u16(uint16_t(count)) &&
            file.write_u16(uint16_t(std::clamp(doc.name_counter(), 0, 0xFFFF))) &&
            file.write_u16(uint16_t(std::clamp(doc.current_index(), 0, count - 1)));
  if (!ok) return false;

  // The thumbnail and the record size come first in the file, but the
  // thumbnail is made once the workers are busy with the first layers.
  auto write_thumbnail = [&] {
    const LayerImage thumb = make_thumbnail(doc);
    if (thumb.empty()) return false;
    if (!file.write_u16(uint16_t(thumb.width())) || !file.write_u16(uint16_t(thumb.height())) ||
        !file.write_u32(uint32_t(thumb.byte_count())) || !write_bottom_up(file, thumb))
      return false;
    if (progress) progress->step();
    return true;
  };

  // Files stay as plain as before unless some name needs its extension.
  bool all_legacy = true;
  for (int index = 0; index < count; ++index) {
    uint8_t name[kNameFieldBytes];
    all_legacy = encode_name_field(doc.layer_at(index)->name, name) && all_legacy;
  }

  // The file runs bottom up: item i is layer count − 1 − i. Layers are
  // deflated whole on the worker threads and written here in order. The
  // file-order copies of the layers are reused from one layer to the next.
  std::vector<DeflatedBytes> streams(static_cast<size_t>(count));
  std::mutex spare_mutex;
  std::vector<std::unique_ptr<uint8_t[]>> spare;
  auto layer_of = [&](int item) -> const Layer& { return *doc.layer_at(count - 1 - item); };
  PipelineSteps steps;
  steps.prepare = [](int) { return true; };
  steps.work = [&](int item) {
    std::unique_ptr<uint8_t[]> raw;
    {
      std::lock_guard lock(spare_mutex);
      if (!spare.empty()) {
        raw = std::move(spare.back());
        spare.pop_back();
      }
    }
    streams[size_t(item)] = deflate_bottom_up(layer_of(item).image, raw);
    if (raw) {
      std::lock_guard lock(spare_mutex);
      try {
        spare.push_back(std::move(raw));
      } catch (const std::bad_alloc&) {
      }
    }
    return true;  // an empty result streams the layer instead
  };
  steps.finish = [&](int item) {
    if (item == 0 &&
        (!write_thumbnail() ||
         !file.write_u32(all_legacy ? kNativeRecordBytes : kNativeRecordWithUtf8Bytes)))
      return false;
    const Layer& layer = layer_of(item);
    DeflatedBytes stream = std::move(streams[size_t(item)]);
    uint8_t name[kNameFieldBytes];
    encode_name_field(layer.name, name);
    const uint8_t blend = layer.blend_mode < kBlendModeCount ? layer.blend_mode : 0;
    bool ok = file.write(name, sizeof name) && file.write_u8(blend) &&
              file.write_u8(std::min<uint8_t>(layer.opacity, kFullOpacity)) &&
              file.write_u8(native_flag_byte(layer));
    if (ok && !all_legacy) {
      uint8_t extension[kNativeUtf8NameBytes] = {};
      const std::string whole = fit_layer_name(layer.name);
      std::memcpy(extension, kNativeUtf8NameTag, 4);
      std::memcpy(extension + 4, whole.data(), std::min<size_t>(whole.size(), kLayerNameUtf8Bytes));
      ok = file.write(extension, sizeof extension);
    }
    if (!ok) return false;
    if (!stream.empty()) {
      if (stream.size > 0xFFFFFFFFu) return false;
      ok = file.write_u32(uint32_t(stream.size)) && file.write(stream.data.get(), stream.size);
    } else {
      // Memory was short for the whole-layer buffers: compress straight from
      // the layer, then patch the size in front of it.
      const int64_t size_at = file.tell();
      if (size_at < 0 || !file.write_u32(0)) return false;
      const uint64_t z = DeflateRowsToFile(file, bottom_up_rows(layer.image), kDefaultDeflateLevel,
                                           nullptr);
      ok = z != 0 && z <= 0xFFFFFFFFu && file.seek(size_at) && file.write_u32(uint32_t(z)) &&
           file.seek(0, BinaryFile::Origin::End);
    }
    if (ok && progress) progress->step();
    return ok;
  };
  return run_ordered_pipeline(count, pipeline_threads() + 1, steps);
}

// Sets every byte the stream did not reach (it fills rows from the bottom)
// to the bytes of kTransparent.
void clear_after_bottom_up(LayerImage& image, uint64_t produced) {
  const uint64_t total = image.byte_count();
  if (produced >= total) return;
  const size_t row_bytes = size_t(image.width()) * 4;
  uint64_t at = produced;
  // The rest of a partly written pixel, then whole pixels to the row's end.
  while (at < total) {
    const int row = image.height() - 1 - int(at / row_bytes);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(image.row(row));
    size_t offset = size_t(at % row_bytes);
    for (; offset % 4 != 0; ++offset) bytes[offset] = uint8_t(kTransparent >> (8 * (offset % 4)));
    std::fill(image.row(row) + offset / 4, image.row(row) + image.width(), kTransparent);
    at += row_bytes - size_t(at % row_bytes);
  }
}

}  // namespace

uint8_t native_flag_byte(const Layer& layer) {
  uint8_t flags = layer.visible() ? kNativeFlagVisible : 0;
  const int mask = layer.mask_mode & 3;
  // Mode 3 has its own bit; bits 1–2 only ever hold 0 … 2.
  flags |= mask == 3 ? kNativeFlagAlphaMask : uint8_t(mask << kNativeFlagMaskShift);
  if (layer.fill_reference()) flags |= kNativeFlagFillReference;
  return flags;
}

void apply_native_flag_byte(uint8_t flags, Layer& layer) {
  layer.flags = uint8_t(((flags & kNativeFlagVisible) ? kLayerVisible : 0) |
                        ((flags & kNativeFlagFillReference) ? kLayerFillReference : 0));
  layer.mask_mode =
      (flags & kNativeFlagAlphaMask) ? 3 : uint8_t((flags >> kNativeFlagMaskShift) & 3);
}

bool SaveNativeDocument(const std::string& path, const Document& doc, ProgressSink* progress) {
  return safe_write(path, [&](BinaryFile& file) { return write_document(file, doc, progress); });
}

LoadResult LoadNativeDocument(const std::string& path, Document& doc, ProgressSink* progress,
                              const LoadLimits& limits) {
  BinaryFile file;
  if (!file.open_read(path)) return LoadResult::CannotOpen;
  uint8_t version = 0;
  if (!file.CheckMagic(kNativeMagic) || !file.read_u8(version) || version != 0)
    return LoadResult::WrongFormat;

  uint32_t header_bytes = 0;
  uint16_t width = 0, height = 0, count = 0, counter = 0, current = 0;
  if (!file.read_u32(header_bytes) || !file.read_u16(width) || !file.read_u16(height) ||
      !file.read_u16(count) || !file.read_u16(counter) || !file.read_u16(current))
    return LoadResult::Damaged;
  if (header_bytes < kNativeHeaderBytes) return LoadResult::WrongFormat;
  if (width > limits.max_side || height > limits.max_side) return LoadResult::TooLarge;
  if (count == 0) return LoadResult::WrongFormat;
  if (width == 0 || height == 0 || count > limits.max_layers ||
      !limits.allows_pixels(width, height, count))
    return LoadResult::OutOfMemory;
  if (!file.seek(12 + int64_t{header_bytes})) return LoadResult::Damaged;

  // The thumbnail: TW, TH, then TS bytes to pass over.
  uint32_t thumb_bytes = 0;
  if (!file.skip(4) || !file.read_u32(thumb_bytes) || file.remaining() < int64_t{thumb_bytes} ||
      !file.skip(thumb_bytes))
    return LoadResult::Damaged;
  if (progress) progress->set_range(count);
  uint32_t record_bytes = 0;
  if (!file.read_u32(record_bytes)) return LoadResult::Damaged;
  if (record_bytes < kNativeRecordBytes) return LoadResult::WrongFormat;
  // Every layer needs its record and a size word; a file too short for them
  // is refused before the canvas is allocated.
  if (file.remaining() < int64_t{count} * (int64_t{record_bytes} + 4)) return LoadResult::Damaged;

  if (!doc.new_canvas(width, height, false)) return LoadResult::OutOfMemory;
  // Records and streams are read here in file order; the streams are
  // inflated on the worker threads, at most a few layers ahead.
  struct Item {
    std::unique_ptr<Layer> layer;
    std::unique_ptr<uint8_t[]> stream;
    uint32_t stream_bytes = 0;
  };
  std::vector<Item> items(count);
  LoadResult result = LoadResult::Success;
  auto fail = [&](LoadResult r) {
    result = r;
    return false;
  };
  PipelineSteps steps;
  steps.prepare = [&](int i) {
    Item& item = items[size_t(i)];
    // Built here rather than by create_layer: the stream fills the pixels,
    // so only what it leaves out needs clearing (one pass less per layer).
    auto layer = std::make_unique<Layer>();
    if (i >= kMaxLayers || !layer->image.create_canvas(width, height))
      return fail(LoadResult::OutOfMemory);
    uint8_t record[kNativeRecordBytes];
    if (file.read(record, sizeof record) != sizeof record) return fail(LoadResult::Damaged);
    layer->name = decode_name_field(record);
    layer->blend_mode = record[32] < kBlendModeCount ? record[32] : 0;
    layer->opacity = std::min<uint8_t>(record[33], kFullOpacity);
    apply_native_flag_byte(record[34], *layer);
    int64_t extra = int64_t{record_bytes} - kNativeRecordBytes;
    if (extra >= int64_t{kNativeUtf8NameBytes}) {
      uint8_t extension[kNativeUtf8NameBytes];
      if (file.read(extension, sizeof extension) != sizeof extension)
        return fail(LoadResult::Damaged);
      extra -= kNativeUtf8NameBytes;
      std::string whole;
      if (std::memcmp(extension, kNativeUtf8NameTag, 4) == 0 &&
          decode_utf8_name(extension + 4, kLayerNameUtf8Bytes, whole))
        layer->name = whole;
    }
    uint32_t z = 0;
    if (file.remaining() < extra || !file.skip(extra) || !file.read_u32(z) ||
        file.remaining() < int64_t{z})
      return fail(LoadResult::Damaged);
    item.stream.reset(new (std::nothrow) uint8_t[std::max<uint32_t>(z, 1)]);
    if (!item.stream) return fail(LoadResult::OutOfMemory);
    if (file.read(item.stream.get(), z) != z) return fail(LoadResult::Damaged);
    item.stream_bytes = z;
    item.layer = std::move(layer);
    return true;
  };
  steps.work = [&](int i) {
    Item& item = items[size_t(i)];
    LayerImage& image = item.layer->image;
    size_t produced = 0;
    const bool ok = InflateWhole(image.pixels(), image.byte_count(), item.stream.get(),
                                 item.stream_bytes, &produced);
    item.stream.reset();
    if (!ok) return false;
    flip_rows(image);
    // A stream that ends early leaves the rest transparent white.
    clear_after_bottom_up(image, produced);
    return true;
  };
  steps.finish = [&](int i) {
    // Each layer read goes on top of those before it: the file runs bottom up.
    if (!doc.insert_layer(0, std::move(items[size_t(i)].layer)))
      return fail(LoadResult::OutOfMemory);
    if (progress) progress->step();
    return true;
  };
  if (!run_ordered_pipeline(count, pipeline_threads() + 1, steps))
    return result == LoadResult::Success ? LoadResult::Damaged : result;
  doc.set_name_counter(counter);
  // The writer never stores an index past the stack; if a file does, the top
  // layer is the sensible choice.
  doc.select(current < count ? current : 0);
  return LoadResult::Success;
}

bool LoadNativeThumbnail(const std::string& path, LayerImage& image) {
  BinaryFile file;
  uint8_t version = 0;
  uint32_t header_bytes = 0;
  if (!file.open_read(path) || !file.CheckMagic(kNativeMagic) || !file.read_u8(version) ||
      version != 0 || !file.read_u32(header_bytes) || header_bytes < kNativeHeaderBytes ||
      !file.seek(12 + int64_t{header_bytes}))
    return false;
  uint16_t tw = 0, th = 0;
  uint32_t ts = 0;
  if (!file.read_u16(tw) || !file.read_u16(th) || !file.read_u32(ts)) return false;
  // The size must match the picture; anything else would read past it.
  if (tw == 0 || th == 0 || tw > kMaxCanvasSide || th > kMaxCanvasSide ||
      uint64_t{ts} != uint64_t{tw} * th * 4 || file.remaining() < int64_t{ts})
    return false;
  LayerImage thumb;
  if (!thumb.create(tw, th)) return false;
  for (int y = th - 1; y >= 0; --y)
    if (file.read(thumb.row(y), size_t(tw) * 4) != size_t(tw) * 4) return false;
  image = std::move(thumb);
  return true;
}

}  // namespace qm

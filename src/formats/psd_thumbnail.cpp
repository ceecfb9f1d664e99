// LoadPsdThumbnail: the JPEG thumbnail of image resource 1036, for opening a
// PSD as a single picture without reading its layers.
#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/binary_file.h"
#include "formats/jpeg_decoder.h"
#include "formats/load_picture.h"
#include "formats/psd_document.h"

namespace qm {
namespace {

bool read_be16(BinaryFile& f, uint32_t& v) {
  uint16_t x = 0;
  if (!f.read_u16_be(x)) return false;
  v = x;
  return true;
}

// Size of the fixed part of a thumbnail resource before the JPEG stream.
constexpr uint32_t kThumbnailHeaderBytes = 28;
constexpr uint32_t kThumbnailFormatJpeg = 1;

}  // namespace

bool LoadPsdThumbnail(const std::string& path, LayerImage& image) {
  BinaryFile f;
  if (!f.open_read(path)) return false;
  const int64_t file_size = f.size();
  uint32_t version = 0, colour_data = 0, resources = 0;
  // The thumbnail does not depend on the document's depth or colour mode,
  // so only the signature and version are checked.
  if (!f.CheckMagic(kPsdSignature) || !read_be16(f, version) || version != 1 || !f.seek(26) ||
      !f.read_u32_be(colour_data) || 30 + int64_t{colour_data} + 4 > file_size ||
      !f.seek(30 + int64_t{colour_data}) || !f.read_u32_be(resources))
    return false;
  const int64_t section_end = std::min<int64_t>(f.tell() + int64_t{resources}, file_size);

  while (f.tell() + 12 <= section_end) {
    if (!f.CheckMagic(kPsdBlockSignature)) return false;
    uint32_t id = 0, data_size = 0;
    uint8_t name_len = 0;
    if (!read_be16(f, id) || !f.read_u8(name_len)) return false;
    // The name is a length-prefixed string padded to an even size.
    const int64_t name_pad = (int64_t{name_len} + 1 + 1) & ~int64_t{1};
    if (!f.skip(name_pad - 1) || !f.read_u32_be(data_size)) return false;
    const int64_t data_at = f.tell();
    if (data_at + int64_t{data_size} > section_end) return false;
    if (id != kPsdThumbnailResource) {
      if (!f.seek(data_at + ((int64_t{data_size} + 1) & ~int64_t{1}))) return false;
      continue;
    }

    uint32_t format = 0, width = 0, height = 0, row_bytes = 0, total = 0, compressed = 0;
    uint32_t bits = 0, planes = 0;
    if (data_size < kThumbnailHeaderBytes || !f.read_u32_be(format) || format != kThumbnailFormatJpeg ||
        !f.read_u32_be(width) || !f.read_u32_be(height) || !f.read_u32_be(row_bytes) ||
        !f.read_u32_be(total) || !f.read_u32_be(compressed) || !read_be16(f, bits) || bits != 24 ||
        !read_be16(f, planes))
      return false;
    // The stated size must be a picture we would make, and the stream must
    // lie inside the resource.
    if (width == 0 || height == 0 || width > uint32_t(kMaxPictureSide) ||
        height > uint32_t(kMaxPictureSide) || compressed == 0 ||
        compressed > data_size - kThumbnailHeaderBytes)
      return false;
    std::vector<uint8_t> jpeg(compressed);
    if (f.read(jpeg.data(), jpeg.size()) != jpeg.size()) return false;
    LayerImage decoded;
    if (decode_jpeg(jpeg.data(), jpeg.size(), decoded) != LoadResult::Success) return false;
    // The resource's size rules; a stream of another size is cut to it, and
    // what it does not cover stays white.
    LayerImage thumb;
    if (!thumb.create(int(width), int(height))) return false;
    thumb.fill(kOpaqueWhite);
    thumb.blit_from(0, 0, decoded.width(), decoded.height(), decoded, 0, 0);
    thumb.set_alpha_rect(0, 0, thumb.width(), thumb.height(), 255);
    image = std::move(thumb);
    return true;
  }
  return false;
}

}  // namespace qm

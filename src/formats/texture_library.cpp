#include "formats/texture_library.h"

#include <zlib.h>

#include <algorithm>
#include <new>

#include "formats/binary_file.h"
#include "formats/load_picture.h"
#include "formats/safe_write.h"
#include "formats/zlib_stream.h"

namespace qm {
namespace {

constexpr int kTextureDeflateLevel = 4;
// deflate never packs better than about 1032 : 1, so a stored size far
// beyond that of the compressed bytes cannot be genuine.
constexpr uint64_t kMaxInflateRatio = 1100;

bool try_resize(std::vector<uint8_t>& v, size_t size) {
  try {
    v.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

uint16_t get_u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// Where each record of a packed buffer starts, or false when the records do
// not fill the buffer exactly or a side is outside 1 … 512. `header` is 4
// for 16-bit sides, 2 for the 8-bit sides of version 1.
bool walk_records(const std::vector<uint8_t>& data, int count, size_t header,
                  std::vector<size_t>& offsets) {
  offsets.clear();
  size_t at = 0;
  for (int i = 0; i < count; ++i) {
    if (data.size() - at < header) return false;
    const int w = header == 4 ? get_u16(&data[at]) : data[at];
    const int h = header == 4 ? get_u16(&data[at + 2]) : data[at + 1];
    if (w < 1 || h < 1 || w > kMaxTextureSide || h > kMaxTextureSide) return false;
    const size_t size = header + size_t(w) * size_t(h);
    if (data.size() - at < size) return false;
    offsets.push_back(at);
    at += size;
  }
  return at == data.size();
}

}  // namespace

LibraryTexture TextureLibrary::texture(int index) const {
  if (index < 0 || index >= count()) return {};
  const uint8_t* rec = data_.data() + offsets_[size_t(index)];
  return {get_u16(rec), get_u16(rec + 2), rec + kTextureRecordHeader};
}

bool TextureLibrary::add(const LayerImage& picture, int position) {
  if (count() >= kMaxTextures || picture.empty()) return false;
  const int w = std::min(picture.width(), kMaxTextureSide);
  const int h = std::min(picture.height(), kMaxTextureSide);
  std::vector<uint8_t> record(kTextureRecordHeader + size_t(w) * size_t(h));
  record[0] = uint8_t(w), record[1] = uint8_t(w >> 8);
  record[2] = uint8_t(h), record[3] = uint8_t(h >> 8);
  uint8_t* out = record.data() + kTextureRecordHeader;
  for (int y = 0; y < h; ++y) {
    const Pixel* row = picture.row(y);
    for (int x = 0; x < w; ++x)
      *out++ = texture_value(red_of(row[x]), green_of(row[x]), blue_of(row[x]));
  }
  const size_t at = position >= 0 && position < count() ? offsets_[size_t(position)] : data_.size();
  data_.insert(data_.begin() + ptrdiff_t(at), record.begin(), record.end());
  walk_records(data_, count() + 1, kTextureRecordHeader, offsets_);
  modified_ = true;
  return true;
}

void TextureLibrary::remove(int index) {
  if (index < 0 || index >= count()) return;
  const size_t at = offsets_[size_t(index)];
  const size_t end = index + 1 < count() ? offsets_[size_t(index) + 1] : data_.size();
  data_.erase(data_.begin() + ptrdiff_t(at), data_.begin() + ptrdiff_t(end));
  offsets_.erase(offsets_.begin() + index);
  for (size_t i = size_t(index); i < offsets_.size(); ++i) offsets_[i] -= end - at;
  modified_ = true;
}

void TextureLibrary::clear() {
  data_.clear();
  offsets_.clear();
  modified_ = true;
}

bool TextureLibrary::assign(std::vector<uint8_t> data, int count) {
  std::vector<size_t> offsets;
  if (count < 0 || count > kMaxTextures || data.size() > kMaxTextureBytes ||
      !walk_records(data, count, kTextureRecordHeader, offsets))
    return false;
  data_ = std::move(data);
  offsets_ = std::move(offsets);
  return true;
}

bool add_texture_from_file(const std::string& path, TextureLibrary& library, int position) {
  if (library.count() >= kMaxTextures) return false;
  LayerImage picture;
  return LoadPicture(path, picture) && library.add(picture, position);
}

bool LoadTextureLibrary(const std::string& path, TextureLibrary& library, bool mark_modified) {
  BinaryFile f;
  uint8_t version = 0;
  uint16_t count = 0;
  uint32_t stored = 0, compressed = 0;
  if (!f.open_read(path) || !f.CheckMagic(kTextureMagic) || !f.read_u8(version) ||
      (version != 1 && version != 2) || !f.read_u16(count) || count > kMaxTextures ||
      !f.read_u32(stored) || !f.read_u32(compressed))
    return false;
  const size_t header = version == 1 ? 2 : kTextureRecordHeader;
  std::vector<uint8_t> data;
  if (count > 0) {
    // Sizes are checked before anything is allocated: the buffer within the
    // bound of a full library, the stream inside the file and able to
    // inflate to the stated size.
    if (stored == 0 || stored > kMaxTextureBytes || compressed == 0 ||
        int64_t{compressed} > f.remaining() || stored > uint64_t{compressed} * kMaxInflateRatio)
      return false;
    std::vector<uint8_t> packed;
    if (!try_resize(packed, compressed) || !try_resize(data, stored) ||
        f.read(packed.data(), packed.size()) != packed.size())
      return false;
    uLongf produced = stored;
    if (uncompress(data.data(), &produced, packed.data(), uLong(packed.size())) != Z_OK ||
        produced != stored)
      return false;
  } else if (stored != 0) {
    return false;
  }
  std::vector<size_t> offsets;
  if (!walk_records(data, count, header, offsets)) return false;
  if (version == 1) {
    // Widen every record's 8-bit sides to 16 bits.
    std::vector<uint8_t> wide;
    if (!try_resize(wide, data.size() + 2 * size_t(count))) return false;
    size_t out = 0;
    for (int i = 0; i < count; ++i) {
      const size_t at = offsets[size_t(i)];
      const size_t end = i + 1 < count ? offsets[size_t(i) + 1] : data.size();
      wide[out] = data[at], wide[out + 1] = 0, wide[out + 2] = data[at + 1], wide[out + 3] = 0;
      std::copy(data.begin() + ptrdiff_t(at + 2), data.begin() + ptrdiff_t(end),
                wide.begin() + ptrdiff_t(out + 4));
      out += end - at + 2;
    }
    data = std::move(wide);
  }
  TextureLibrary loaded;
  if (!loaded.assign(std::move(data), count)) return false;
  loaded.set_modified(mark_modified || version == 1);
  library = std::move(loaded);
  return true;
}

bool SaveTextureLibrary(const std::string& path, TextureLibrary& library, bool only_when_modified) {
  if (only_when_modified && !library.modified()) return true;
  const bool ok = safe_write(path, [&](BinaryFile& f) {
    const std::vector<uint8_t>& data = library.bytes();
    if (!f.write_string(kTextureMagic) || !f.write_u8(2) || !f.write_u16(uint16_t(library.count())) ||
        !f.write_u32(uint32_t(data.size())))
      return false;
    const int64_t size_at = f.tell();
    if (size_at < 0 || !f.write_u32(0)) return false;
    if (library.count() == 0) return true;
    const uint64_t z = DeflateToFile(f, data.data(), data.size(), kTextureDeflateLevel, nullptr);
    // A failed compression must not leave a library that reads as empty.
    if (z == 0 || z > 0xFFFFFFFFu) return false;
    return f.seek(size_at) && f.write_u32(uint32_t(z)) && f.seek(0, BinaryFile::Origin::End);
  });
  if (ok) library.set_modified(false);
  return ok;
}

}  // namespace qm

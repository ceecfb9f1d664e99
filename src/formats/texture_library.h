#pragma once
// The texture library: greyscale textures that modulate painting, packed
// back to back in one byte buffer, and its file (.qmt, magic "QMKTEXLIB").
//
// A record in the buffer: width (16-bit little-endian), height (16-bit),
// then width × height bytes, rows from the top. A texture pixel is the
// inverted luminance of its source picture: 255 − ((77 R + 150 G + 29 B) >> 8).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/layer_image.h"

namespace qm {

inline constexpr std::string_view kTextureMagic = "QMKTEXLIB";
inline constexpr int kMaxTextures = 500;
inline constexpr int kMaxTextureSide = 512;
inline constexpr size_t kTextureRecordHeader = 4;
// The largest buffer a full library of the largest textures needs.
inline constexpr uint64_t kMaxTextureBytes =
    uint64_t(kMaxTextures) * (kTextureRecordHeader + uint64_t(kMaxTextureSide) * kMaxTextureSide);

constexpr uint8_t texture_value(uint32_t r, uint32_t g, uint32_t b) {
  return uint8_t(255 - ((77 * r + 150 * g + 29 * b) >> 8));
}

struct LibraryTexture {
  int width = 0;
  int height = 0;
  const uint8_t* pixels = nullptr;  // width × height, rows from the top
};

class TextureLibrary {
 public:
  int count() const { return int(offsets_.size()); }
  // The used size of the packed buffer in bytes.
  size_t byte_size() const { return data_.size(); }
  const std::vector<uint8_t>& bytes() const { return data_; }
  // An empty view for an index outside the library.
  LibraryTexture texture(int index) const;

  bool modified() const { return modified_; }
  void set_modified(bool value) { modified_ = value; }

  // Converts a picture (its top-left 512 × 512 at most) and inserts it
  // before texture `position`, or appends it when the position is outside.
  // False when the library is full or the picture is empty.
  bool add(const LayerImage& picture, int position = -1);
  // Removes one texture; an index outside does nothing.
  void remove(int index);
  void clear();

  // Takes a packed buffer of `count` records; false (nothing changed) when
  // the records do not add up to exactly the buffer or break the limits.
  bool assign(std::vector<uint8_t> data, int count);

 private:
  std::vector<uint8_t> data_;
  std::vector<size_t> offsets_;  // where each record starts
  bool modified_ = false;
};

// Replaces `library` from a .qmt file (versions 1 and 2). On any failure the
// library is left exactly as it was. `mark_modified` flags the loaded library
// for writing back (a library opened from the panel); a version 1 file is
// always flagged, so it is rewritten as version 2.
bool LoadTextureLibrary(const std::string& path, TextureLibrary& library, bool mark_modified);

// Writes version 2 through the safe-write helper, the buffer compressed at
// zlib level 4. With `only_when_modified` an unmodified library is not
// written (true). Clears the modified flag on success; false, with any
// previous file unchanged, when writing or compressing fails.
bool SaveTextureLibrary(const std::string& path, TextureLibrary& library, bool only_when_modified);

// Converts a picture file of any kind LoadPicture reads; false, with the
// library unchanged, when the file cannot be loaded or the library is full.
bool add_texture_from_file(const std::string& path, TextureLibrary& library, int position = -1);

// The spellings the panel uses.
inline bool AddTexture(TextureLibrary& library, const LayerImage& picture, int position = -1) {
  return library.add(picture, position);
}
inline void DeleteTexture(TextureLibrary& library, int index) { library.remove(index); }
inline void ClearTextures(TextureLibrary& library) { library.clear(); }

}  // namespace qm

#include "formats/load_picture.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/huge_pages.h"
#include "formats/binary_file.h"
#include "formats/bmp_codec.h"
#include "formats/gif_codec.h"
#include "formats/jpeg_decoder.h"
#include "formats/jpeg_encoder.h"
#include "formats/lineforge_document.h"
#include "formats/native_document.h"
#include "formats/png_codec.h"
#include "formats/psd_document.h"

namespace qm {
namespace {

// The layered formats' thumbnail readers answer only yes or no; tell a file
// that cannot be opened apart from one that is not of the format.
LoadResult thumbnail_result(const std::string& path, bool ok) {
  if (ok) return LoadResult::Success;
  BinaryFile f;
  return f.open_read(path) ? LoadResult::WrongFormat : LoadResult::CannotOpen;
}

LoadResult decode_file(const std::string& path, LayerImage& image,
                       LoadResult (*decode)(const uint8_t*, size_t, LayerImage&)) {
  FileBytes bytes;
  const LoadResult r = read_whole_file(path, bytes);
  if (r != LoadResult::Success) return r;
  return decode(bytes.data(), bytes.size(), image);
}

// The file mapped, when mapped input is on and the file is a regular one of
// at most `max_bytes`; anything else is left to the plain read.
bool map_whole_file(const std::string& path, uint64_t max_bytes, MappedFile& mapped) {
  if (!mapped_input_enabled()) return false;
  // Asked before opening: opening a pipe would wait for a writer, or take
  // bytes the plain read then never sees.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
                  uint64_t(st.st_size) <= max_bytes && mapped.map(fd, size_t(st.st_size));
  ::close(fd);
  return ok;
}

}  // namespace

bool FileBytes::allocate(size_t size) {
  clear();
  // One byte at least, so an empty file still has a buffer to point at.
  owned_.reset(new (std::nothrow) uint8_t[std::max<size_t>(size, 1)]);
  if (!owned_) return false;
  advise_huge_pages(owned_.get(), size);
  size_ = size;
  return true;
}

LoadResult read_whole_file(const std::string& path, FileBytes& out, uint64_t max_bytes) {
  out.clear();
  if (map_whole_file(path, max_bytes, out.mapped_)) {
    out.size_ = out.mapped_.size();
    return LoadResult::Success;
  }
  BinaryFile f;
  if (!f.open_read(path)) return LoadResult::CannotOpen;
  const int64_t size = f.size();
  if (size < 0) return LoadResult::CannotOpen;
  if (uint64_t(size) > max_bytes) return LoadResult::TooLarge;
  if (!out.allocate(size_t(size))) return LoadResult::OutOfMemory;
  if (size > 0 && f.read(out.owned_.get(), out.size()) != out.size()) {
    out.clear();
    return LoadResult::CannotOpen;
  }
  return LoadResult::Success;
}

std::string picture_extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

LoadResult load_picture_result(const std::string& path, LayerImage& image, PictureInfo* info) {
  if (info) *info = PictureInfo{};
  image.destroy();
  const std::string ext = picture_extension(path);
  LoadResult r = LoadResult::WrongFormat;
  if (ext == "bmp") {
    r = decode_file(path, image, decode_bmp);
  } else if (ext == "png") {
    r = load_png_result(path, image, info);
  } else if (ext == "gif") {
    r = load_gif_result(path, image, info);
  } else if (ext == "jpg" || ext == "jpeg") {
    r = decode_file(path, image, decode_jpeg);
  } else if (ext == "qmd") {
    r = thumbnail_result(path, LoadNativeThumbnail(path, image));
  } else if (ext == "lfw") {
    r = thumbnail_result(path, LoadLineforgeThumbnail(path, image));
  } else if (ext == "psd") {
    r = thumbnail_result(path, LoadPsdThumbnail(path, image));
  }
  if (r != LoadResult::Success) {
    image.destroy();
    if (info) *info = PictureInfo{};
  }
  return r;
}

bool LoadPicture(const std::string& path, LayerImage& image, PictureInfo* info) {
  return load_picture_result(path, image, info) == LoadResult::Success;
}

bool is_flat_picture_path(const std::string& path) {
  const std::string ext = picture_extension(path);
  return ext == "png" || ext == "bmp" || ext == "gif" || ext == "jpg" || ext == "jpeg";
}

LoadResult load_picture_document(const std::string& path, std::unique_ptr<Document>& out, PictureInfo* info,
                                 bool with_composite) {
  LayerImage picture;
  const LoadResult r = load_picture_result(path, picture, info);
  if (r != LoadResult::Success) return r;
  if (picture.width() > kMaxCanvasSide || picture.height() > kMaxCanvasSide) return LoadResult::TooLarge;
  auto doc = std::make_unique<Document>();
  // The decoded raster becomes the layer as it is: no clearing, no copy.
  if (!doc->new_canvas(picture.width(), picture.height(), false) ||
      !doc->adopt_layer(std::move(picture), true))
    return LoadResult::OutOfMemory;
  if (with_composite) doc->composite_all();
  out = std::move(doc);
  return LoadResult::Success;
}

bool save_flat_picture(const std::string& path, const Document& doc, const FlatSaveOptions& o) {
  const std::string ext = picture_extension(path);
  if (!is_flat_picture_path(path)) return false;
  const bool alpha = ext == "png" && o.png_alpha;
  LayerImage flat;
  if (!doc.flatten(flat, alpha)) return false;
  if (ext == "png") return SavePng(path, flat, o.png_level, alpha, alpha ? std::nullopt : o.transparent);
  if (ext == "bmp") return SaveBmp(path, flat);
  if (ext == "gif") return SaveGif(path, flat, o.transparent);
  return EncodeJpeg(path, flat, o.jpeg_quality, o.jpeg_subsample, o.jpeg_density);
}

}  // namespace qm

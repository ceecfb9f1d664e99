#include "formats/load_picture.h"

#include <cctype>

#include "formats/binary_file.h"
#include "formats/bmp_codec.h"
#include "formats/gif_codec.h"
#include "formats/jpeg_decoder.h"
#include "formats/lineforge_document.h"
#include "formats/native_document.h"
#include "formats/png_codec.h"

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
  std::vector<uint8_t> bytes;
  const LoadResult r = ReadWholeFile(path, bytes);
  if (r != LoadResult::Success) return r;
  return decode(bytes.data(), bytes.size(), image);
}

}  // namespace

LoadResult ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t max_bytes) {
  out.clear();
  BinaryFile f;
  if (!f.open_read(path)) return LoadResult::CannotOpen;
  const int64_t size = f.size();
  if (size < 0) return LoadResult::CannotOpen;
  if (uint64_t(size) > max_bytes) return LoadResult::TooLarge;
  out.resize(size_t(size));
  if (size > 0 && f.read(out.data(), out.size()) != out.size()) {
    out.clear();
    return LoadResult::CannotOpen;
  }
  return LoadResult::Success;
}

std::string PictureExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

LoadResult LoadPictureResult(const std::string& path, LayerImage& image, PictureInfo* info) {
  if (info) *info = PictureInfo{};
  image.destroy();
  const std::string ext = PictureExtension(path);
  LoadResult r = LoadResult::WrongFormat;
  if (ext == "bmp") {
    r = decode_file(path, image, DecodeBmp);
  } else if (ext == "png") {
    r = LoadPngResult(path, image, info);
  } else if (ext == "gif") {
    r = LoadGifResult(path, image, info);
  } else if (ext == "jpg" || ext == "jpeg") {
    r = decode_file(path, image, DecodeJpeg);
  } else if (ext == "qmd") {
    r = thumbnail_result(path, LoadNativeThumbnail(path, image));
  } else if (ext == "lfw") {
    r = thumbnail_result(path, LoadLineforgeThumbnail(path, image));
  } else if (ext == "psd") {
    // The PSD reader (and with it the stored JPEG thumbnail) is not part of
    // the program yet.
    r = LoadResult::WrongFormat;
  }
  if (r != LoadResult::Success) {
    image.destroy();
    if (info) *info = PictureInfo{};
  }
  return r;
}

bool LoadPicture(const std::string& path, LayerImage& image, PictureInfo* info) {
  return LoadPictureResult(path, image, info) == LoadResult::Success;
}

}  // namespace qm

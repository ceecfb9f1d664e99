#include <algorithm>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {

const LayerImage* separate_source(const FilterArgs& args, LayerImage* holder) {
  if (&args.src != &args.dst) return &args.src;
  if (!temporary_allowed(int64_t(args.src.byte_count())) ||
      !holder->create(args.src.width(), args.src.height()))
    return nullptr;
  holder->copy_from(args.src);
  return holder;
}

int numeric_value(const FilterArgs& args, int index, int lo, int hi) {
  return std::clamp(args.values.numeric[size_t(index)], lo, hi);
}

bool gaussian_blur_filter(const FilterArgs& args) {
  return gaussian_blur(args.src, args.dst, args.rect, numeric_value(args, 0, 1, 30), args.progress);
}

namespace {

constexpr FilterAlgorithm kBlurAlgorithms[] = {
    {41022, box_blur},
    {41023, gaussian_blur_filter},
    {41024, radial_blur},
    {41025, lens_blur},
    {41026, motion_blur},
    {41027, sharpen},
    {41028, unsharp_mask},
    {41029, sobel},
    {41030, laplacian},
    {41034, one_pixel_line_correction},
    {41035, anti_aliasing},
    {41037, emboss},
    {41042, median},
    {41048, lines_from_brightness},
};

}  // namespace

std::span<const FilterAlgorithm> blur_algorithms() { return kBlurAlgorithms; }

}  // namespace qm::filters

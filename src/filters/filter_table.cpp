#include "filters/filter_table.h"

#include <array>
#include <vector>

namespace qm::filters {

namespace {

using P = PreviewMode;
using R = FilterRunner;

struct Row {
  int id;
  const char* name;
  const char* title;
  int dialog;
  P preview;
  int pw, ph;
  R runner;
  bool source_is_copy = false;
  bool whole_canvas = false;
};

constexpr Row dlg(int id, const char* name, const char* title, int dialog, P preview, R runner,
                  int pw = 160, int ph = 150) {
  return {id, name, title, dialog, preview, pw, ph, runner};
}
constexpr Row bare(int id, const char* name, R runner) {
  return {id, name, "", 0, P::kNone, 160, 150, runner};
}

constexpr P k0 = P::kNone, k1 = P::kCanvas, k2 = P::kPanel;
constexpr R kUi = R::kDialogThenUi, kWorker = R::kDialogThenWorker;

constexpr Row kRows[] = {
    dlg(41000, "brightness-contrast", "明度・コントラスト調整", 700, k1, kUi),
    dlg(41001, "gamma", "ガンマ補正", 701, k1, kUi),
    bare(41002, "levels", R::kOwnDialog),
    dlg(41003, "rgb-adjust", "RGB調整", 702, k1, kUi),
    dlg(41004, "hsv-adjust", "HSVカラー調整", 703, k1, kUi),
    bare(41005, "negative", R::kDirect),
    bare(41006, "greyscale", R::kDirect),
    bare(41007, "sepia", R::kDirect),
    bare(41008, "two-colour-tint", R::kDirect),
    dlg(41009, "threshold", "2値化", 704, k1, kUi),
    {41010, "colour-reduction", "減色", 705, k0, 160, 150, kWorker, false, true},
    bare(41011, "replace-colour", R::kOwnDialog),
    dlg(41012, "operate-with-layer", "他のレイヤと操作", 706, k0, kUi),
    dlg(41013, "lines", "ライン", 707, k2, kUi, 200, 200),
    dlg(41014, "tone", "トーン", 708, k2, kUi, 180, 180),
    dlg(41015, "checker", "チェック柄", 709, k2, kUi, 200, 200),
    dlg(41016, "outer-outline", "不透明部分を縁取り", 710, k0, kWorker),
    dlg(41017, "frame-line", "枠線", 711, k0, kUi),
    dlg(41018, "random-dots", "ランダム点", 712, k2, kWorker, 160, 160),
    dlg(41019, "mosaic", "モザイク", 713, k2, kWorker),
    dlg(41020, "crystal", "水晶", 714, k2, kWorker),
    dlg(41021, "halftone", "ハーフトーン", 715, k2, kWorker),
    dlg(41022, "blur", "ぼかし", 716, k2, kWorker),
    dlg(41023, "gaussian-blur", "ガウスぼかし", 717, k2, kWorker),
    dlg(41024, "radial-blur", "放射状ぼかし", 718, k2, kWorker),
    dlg(41025, "lens-blur", "レンズぼかし", 719, k2, kWorker),
    dlg(41026, "motion-blur", "モーションブラー", 720, k2, kWorker),
    dlg(41027, "sharpen", "シャープ", 721, k2, kWorker),
    dlg(41028, "unsharp-mask", "アンシャープマスク", 722, k2, kWorker),
    bare(41029, "sobel", R::kWorkerCopy),
    bare(41030, "laplacian", R::kWorkerCopy),
    dlg(41031, "wave", "波形", 723, k2, kWorker),
    dlg(41032, "polar-coordinates", "極座標", 724, k0, kWorker),
    dlg(41033, "radial-shift", "放射状ずらし", 725, k2, kWorker),
    bare(41034, "one-pixel-line-correction", R::kWorkerCopy),
    dlg(41035, "anti-aliasing", "アンチエイリアシング", 726, k2, kWorker),
    {41036, "shift", "シフト", 727, k1, 160, 150, kUi, true, false},
    dlg(41037, "emboss", "エンボス", 728, k2, kWorker),
    dlg(41038, "noise", "ノイズ", 729, k2, kUi),
    dlg(41039, "diffuse", "拡散", 730, k2, kWorker),
    dlg(41040, "scratch", "ひっかき", 731, k2, kWorker),
    dlg(41041, "shake-blur", "ぶれ", 733, k2, kWorker),
    dlg(41042, "median", "メディアン", 732, k2, kWorker),
    dlg(41043, "oil-paint", "油絵風", 734, k2, kWorker),
    dlg(41044, "3d-frame", "立体枠", 735, k0, kUi),
    dlg(41045, "posterise", "ﾎﾟｽﾀﾘｾﾞｰｼｮﾝ", 736, k2, kUi),
    dlg(41046, "clouds-detailed", "雲模様（詳細）", 737, k2, kWorker, 180, 180),
    dlg(41047, "rgb-shift", "RGBずらし", 738, k2, kWorker),
    bare(41048, "lines-from-brightness", R::kDirect),
    dlg(41049, "inner-outline", "不透明部分の内側を縁取り", 710, k0, kWorker),
    dlg(41050, "edging", "縁取り", 739, k2, kWorker),
    dlg(41051, "glow", "グロー", 740, k2, kWorker),
    bare(41800, "foreground-to-transparent", R::kDirect),
    bare(41801, "other-than-foreground-to-transparent", R::kDirect),
    bare(41802, "transparent-to-foreground", R::kDirect),
    bare(41803, "foreground-to-background", R::kDirect),
    bare(41810, "transparency-from-lightness", R::kDirect),
    bare(41811, "transparency-from-darkness", R::kDirect),
    bare(41812, "greyscale-from-alpha", R::kDirect),
    bare(41813, "all-opaque", R::kDirect),
    bare(41820, "clouds", R::kWorkerInPlace),
    bare(41821, "clouds-in-drawing-colours", R::kWorkerInPlace),
    bare(41822, "difference-clouds", R::kWorkerInPlace),
};
static_assert(std::size(kRows) == kTableFilterCount + 11);

const std::vector<FilterCommand>& table() {
  static const std::vector<FilterCommand> commands = [] {
    std::vector<FilterCommand> out;
    out.reserve(std::size(kRows));
    for (const Row& r : kRows)
      out.push_back({r.id, r.name, r.title, r.dialog, r.preview, r.pw, r.ph, r.runner,
                     r.source_is_copy, r.whole_canvas, find_algorithm(r.id)});
    return out;
  }();
  return commands;
}

}  // namespace

FilterCallback find_algorithm(int id) {
  for (auto group : {colour_algorithms, render_algorithms, blur_algorithms, distort_algorithms,
                     alpha_algorithms})
    for (const FilterAlgorithm& a : group())
      if (a.command_id == id && a.run) return a.run;
  return nullptr;
}

std::span<const FilterCommand> filter_commands() { return table(); }

const FilterCommand* find_filter_command(int id) {
  const std::vector<FilterCommand>& t = table();
  // The first 52 rows are indexed by id − 41000; the rest are few.
  const int index = id - kFirstTableFilter;
  if (index >= 0 && index < kTableFilterCount) return &t[size_t(index)];
  for (size_t i = kTableFilterCount; i < t.size(); ++i)
    if (t[i].id == id) return &t[i];
  return nullptr;
}

const FilterCommand* find_filter_by_name(std::string_view name) {
  for (const FilterCommand& c : table())
    if (name == c.cli_name) return &c;
  return nullptr;
}

}  // namespace qm::filters

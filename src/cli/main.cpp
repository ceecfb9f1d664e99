// quillmark2-cli: the engine from the command line, for batch work and for
// checking documents without a window.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_filter.h"
#include "cli/command_thumbnail.h"
#include "cli/picture_format.h"
#include "document/blend_modes.h"
#include "document/document.h"
#include "formats/document_io.h"
#include "formats/load_picture.h"
#include "formats/mapped_input.h"
#include "formats/psd_document.h"

namespace qm::cli {
namespace {

// Exit codes. A failed load exits with kExitLoadBase + its LoadResult (11 … 15).
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitLoadBase = 10;

constexpr int kDefaultPngLevel = 6;

constexpr const char* kHelp =
    "usage: quillmark2-cli COMMAND [OPTIONS] ARGS\n"
    "\n"
    "commands:\n"
    "  info FILE             format, canvas size and one line per layer (top first)\n"
    "  convert IN OUT        open IN and save it in the format of OUT's extension\n"
    "  flatten IN OUT.png    the visible layers flattened onto white (also .bmp .gif .jpg)\n"
    "  filters               every filter: name, id, dialog, parameters with ranges and defaults\n"
    "  filter NAME [param=value ...] [--rect x,y,w,h] [--layer N] [--seed N]\n"
    "         [--colour RRGGBB] [--other-colour RRGGBB] [--brush-alpha N] IN OUT\n"
    "                        runs a filter on one layer (default: the current one) and writes\n"
    "                        OUT (a flat picture, or the whole document for .qmd .lfw .psd);\n"
    "                        --colour and --other-colour are the drawing colour pair (default\n"
    "                        000000 and FFFFFF), --brush-alpha the density 0-255 (default 255)\n"
    "  thumbnail IN OUT.png SIZE\n"
    "                        the thumbnail stored in a .qmd, .lfw or .psd, fitted to SIZE pixels\n"
    "\n"
    "options:\n"
    "  --alpha               flatten: keep transparency instead of white paper\n"
    "  --level N             zlib level 0-9 for PNG output (default 6)\n"
    "  --quality N           quality 1-100 for JPEG output (default 85)\n"
    "  --subsample           JPEG output: 2 x 2 chroma subsampling\n"
    "  --transparent RRGGBB  PNG (without --alpha) and GIF output: the transparent colour\n"
    "  -h, --help            this text\n"
    "\n"
    "documents read: .qmd (native), .lfw (Lineforge versions 0 and 1), .psd (8-bit RGB);\n"
    "  pictures .png .bmp .gif .jpg .jpeg open as one layer\n"
    "written by convert: .qmd, .lfw, .psd, and flattened onto white .png .bmp .gif .jpg .jpeg\n"
    "\n"
    "exit codes: 0 success, 1 the output could not be written, 2 usage error,\n"
    "  11-15 the input could not be loaded: 10 + load result\n"
    "  (1 too large, 2 cannot open, 3 wrong format, 4 out of memory, 5 damaged)\n";

struct Options {
  std::string command;
  std::vector<std::string> args;
  bool alpha = false;
  std::optional<int> level;
  std::optional<int> quality;
  bool subsample = false;
  std::optional<uint32_t> transparent;
  bool help = false;
};

int usage_error(const std::string& message) {
  std::fprintf(stderr, "quillmark2-cli: %s (try --help)\n", message.c_str());
  return kExitUsage;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "quillmark2-cli: %s\n", message.c_str());
  return kExitFailed;
}

std::optional<int> parse_int(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Returns an exit code when parsing ends the run.
std::optional<int> parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    auto value = [&](std::optional<int>& out, int low, int high) -> std::optional<int> {
      if (i + 1 >= argc) return usage_error(std::string(a) + " needs a value");
      const std::optional<int> v = parse_int(argv[++i]);
      if (!v || *v < low || *v > high)
        return usage_error(std::string(a) + " takes a number from " + std::to_string(low) +
                           " to " + std::to_string(high));
      out = v;
      return std::nullopt;
    };
    if (a == "-h" || a == "--help") {
      o.help = true;
    } else if (a == "--alpha") {
      o.alpha = true;
    } else if (a == "--level") {
      if (auto r = value(o.level, 0, 9)) return r;
    } else if (a == "--quality") {
      if (auto r = value(o.quality, 1, 100)) return r;
    } else if (a == "--subsample") {
      o.subsample = true;
    } else if (a == "--transparent") {
      const std::string_view v = i + 1 < argc ? std::string_view(argv[++i]) : std::string_view();
      uint32_t colour = 0;
      bool ok = v.size() == 6;
      for (char c : v) {
        const int d = std::isxdigit(uint8_t(c)) ? (std::isdigit(uint8_t(c)) ? c - '0' : std::tolower(c) - 'a' + 10) : -1;
        ok = ok && d >= 0;
        colour = colour << 4 | uint32_t(d & 15);
      }
      if (!ok) return usage_error("--transparent takes a colour RRGGBB in hexadecimal");
      o.transparent = colour;
    } else if (a.size() > 1 && a[0] == '-') {
      return usage_error("unknown option " + std::string(a));
    } else if (o.command.empty()) {
      o.command = a;
    } else {
      o.args.emplace_back(a);
    }
  }
  return std::nullopt;
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (uint8_t(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", uint8_t(c));
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string_view mask_mode_name(int mode) {
  switch (mode) {
    case 0: return "none";
    case 1: return "transparent";
    case 2: return "opaque";
    case 3: return "alpha";
  }
  return "?";
}

std::string extension_of(const std::string& path);

// PSD files go by their extension; the layered formats of our own by content.
bool is_psd_path(const std::string& path) { return extension_of(path) == ".psd"; }

// Loads IN, or prints why not and gives the exit code.
std::unique_ptr<Document> load_or_report(const std::string& path, int& exit_code,
                                         DocumentFormat* format = nullptr) {
  LoadedDocument loaded;
  if (is_flat_picture_path(path)) {
    loaded.result = load_picture_document(path, loaded.document, nullptr, false);
  } else if (is_psd_path(path)) {
    auto doc = std::make_unique<Document>();
    loaded.result = LoadPsd(path, *doc, nullptr);
    if (loaded.result == LoadResult::Success) loaded.document = std::move(doc);
  } else {
    loaded = load_document(path, nullptr);
  }
  if (loaded.result != LoadResult::Success) {
    std::fprintf(stderr, "quillmark2-cli: cannot load '%s': %s (load result %d)\n", path.c_str(),
                 std::string(load_result_text(loaded.result)).c_str(), int(loaded.result));
    exit_code = kExitLoadBase + int(loaded.result);
    return nullptr;
  }
  if (format) *format = loaded.format;
  return std::move(loaded.document);
}

std::string extension_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot);
  for (char& c : ext) c = char(std::tolower(uint8_t(c)));
  return ext;
}

int run_info(const Options& o) {
  if (o.args.size() != 1) return usage_error("info takes one FILE");
  int code = kExitOk;
  DocumentFormat format = DocumentFormat::Unknown;
  const auto doc = load_or_report(o.args[0], code, &format);
  if (!doc) return code;
  std::printf("file: %s\n", o.args[0].c_str());
  const std::string picture = is_flat_picture_path(o.args[0]) ? describe_picture_format(o.args[0]) : "";
  std::printf("format: %s\n", is_psd_path(o.args[0]) ? "Photoshop document (.psd)"
                               : !picture.empty()     ? picture.c_str()
                                                      : std::string(document_format_name(format)).c_str());
  std::printf("canvas: %d x %d\n", doc->width(), doc->height());
  std::printf("layers: %d (current %d, name counter %d)\n", doc->layer_count(),
              doc->current_index(), doc->name_counter());
  for (int i = 0; i < doc->layer_count(); ++i) {
    const Layer& l = *doc->layer_at(i);
    std::printf("layer %d: name=%s blend=%d (%s) opacity=%d (%d%%) visible=%s mask=%s%s%s\n", i,
                quoted(l.name).c_str(), l.blend_mode,
                std::string(blend_mode_name(l.blend_mode)).c_str(), l.opacity,
                percent_from_opacity(l.opacity), l.visible() ? "yes" : "no",
                std::string(mask_mode_name(l.mask_mode)).c_str(),
                l.fill_reference() ? " fill-reference" : "", i == doc->current_index() ? " current" : "");
  }
  return kExitOk;
}

// A flat picture in the format of the path's extension (.png .bmp .gif .jpg .jpeg).
int write_flat_or_report(const std::string& path, const Document& doc, const Options& o) {
  FlatSaveOptions f;
  f.png_level = o.level.value_or(kDefaultPngLevel);
  f.png_alpha = o.alpha;
  f.transparent = o.transparent;
  f.jpeg_quality = o.quality.value_or(f.jpeg_quality);
  f.jpeg_subsample = o.subsample;
  if (!save_flat_picture(path, doc, f))
    return failure("cannot write '" + path + "' (the previous file, if any, is unchanged)");
  return kExitOk;
}

// Options that only some flat formats take.
std::optional<int> check_flat_options(const std::string& ext, const Options& o) {
  const bool png = ext == ".png", jpeg = ext == ".jpg" || ext == ".jpeg";
  if (o.level && !png) return usage_error("--level applies to PNG output only");
  if ((o.quality || o.subsample) && !jpeg) return usage_error("--quality and --subsample apply to JPEG output only");
  if (o.transparent && !png && ext != ".gif") return usage_error("--transparent applies to PNG and GIF output only");
  if (o.alpha && !png) return usage_error("--alpha applies to PNG output only");
  return std::nullopt;
}

int run_convert(const Options& o) {
  if (o.args.size() != 2) return usage_error("convert takes IN and OUT");
  const std::string& out = o.args[1];
  const std::string ext = extension_of(out);
  const bool flat = is_flat_picture_path(out);
  const DocumentFormat format = document_format_for_path(out);
  const bool psd = is_psd_path(out);
  if (!flat && !psd && format == DocumentFormat::Unknown)
    return usage_error("cannot write files of type '" + (ext.empty() ? out : ext) + "'");
  if (o.alpha) return usage_error("--alpha applies to flatten only");
  if (const auto bad = check_flat_options(flat ? ext : "", o)) return *bad;
  int code = kExitOk;
  const auto doc = load_or_report(o.args[0], code);
  if (!doc) return code;
  if (flat) return write_flat_or_report(out, *doc, o);
  if (psd ? !SavePsd(out, *doc, nullptr) : !save_document(out, *doc, nullptr))
    return failure("cannot write '" + out + "' (the previous file, if any, is unchanged)");
  return kExitOk;
}

int run_flatten(const Options& o) {
  if (o.args.size() != 2) return usage_error("flatten takes IN and OUT.png");
  if (!is_flat_picture_path(o.args[1])) return usage_error("flatten writes .png, .bmp, .gif or .jpg files");
  if (const auto bad = check_flat_options(extension_of(o.args[1]), o)) return *bad;
  int code = kExitOk;
  const auto doc = load_or_report(o.args[0], code);
  if (!doc) return code;
  return write_flat_or_report(o.args[1], *doc, o);
}

int run(int argc, char** argv) {
  // Input pictures are mapped rather than copied; one that changes under us
  // ends the run as a file that could not be read. Nothing is being written
  // while a mapping lives: every command has finished reading before it saves.
  enable_mapped_input("quillmark2-cli: the input file changed or could not be read while it was being loaded\n",
                      kExitLoadBase + int(LoadResult::CannotOpen));
  if (argc >= 2 && (std::string_view(argv[1]) == "filter" || std::string_view(argv[1]) == "filters"))
    return run_filter_command(argc, argv);
  Options o;
  if (const auto code = parse(argc, argv, o)) return *code;
  if (o.help || o.command == "help") {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (o.command.empty()) return usage_error("no command given");
  if (o.command == "info") return run_info(o);
  if (o.command == "convert") return run_convert(o);
  if (o.command == "flatten") return run_flatten(o);
  if (o.command == "thumbnail") return run_thumbnail(o.args);
  return usage_error("unknown command '" + o.command + "'");
}

}  // namespace
}  // namespace qm::cli

int main(int argc, char** argv) { return qm::cli::run(argc, argv); }

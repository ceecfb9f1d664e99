// `filters` lists every filter with its parameters (from the same dialog
// records the program builds its dialogs from); `filter` runs one on a layer
// of a document, headless, through the same run path as the program.
#include "cli/command_filter.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/document.h"
#include "filters/dialog_source.h"
#include "filters/filter_run.h"
#include "formats/document_io.h"
#include "formats/load_picture.h"
#include "formats/psd_document.h"
#include "paint/random.h"

namespace qm::cli {
namespace {

using namespace qm::filters;

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitLoadBase = 10;

int usage(const std::string& message) {
  std::fprintf(stderr, "quillmark2-cli: %s (try --help)\n", message.c_str());
  return kExitUsage;
}

// The parameter names of a dialog: its table names, and always the generic
// n1 … n5, c1 c2, l1 l2.
std::string param_name(const DialogSource* src, size_t index) {
  return src && index < src->controls.size() ? src->controls[index].name : std::string();
}

std::string generic_name(const DialogControl& c) {
  std::string out(1, c.is_value() ? 'n' : c.kind == ControlKind::kCheck ? 'c' : 'l');
  out += std::to_string(c.slot + 1);
  return out;
}

std::string dimension_text(const DialogControl& c) {
  std::string d = (c.flags & kFlagTarget) ? "target-" : "canvas-";
  d += (c.flags & kFlagHeight) ? "height" : "width";
  return d;
}

void print_control(const DialogControl& c, const std::string& name) {
  std::printf("  %s (%s)", name.c_str(), generic_name(c).c_str());
  switch (c.kind) {
    case ControlKind::kInteger:
    case ControlKind::kFixed: {
      const char* unit = c.kind == ControlKind::kFixed ? " hundredths" : "";
      std::string max = c.has_flags ? dimension_text(c) + "-1" : std::to_string(c.maximum);
      std::string def = c.has_flags && (c.flags & kFlagHalfDefault) ? dimension_text(c) + "/2"
                                                                     : std::to_string(c.default_value);
      std::printf(" integer%s %d..%s default %s", unit, c.minimum, max.c_str(), def.c_str());
      break;
    }
    case ControlKind::kCheck:
      std::printf(" 0..1 default %d", c.initial);
      break;
    case ControlKind::kList:
      std::printf(" list 0..%d default %d:", int(c.items.size()) - 1, c.initial);
      for (size_t i = 0; i < c.items.size(); ++i) std::printf(" %zu=%s", i, c.items[i].c_str());
      break;
    case ControlKind::kLayers:
      std::printf(" layer index (0 = top) default %s", c.initial ? "the one below the current"
                                                                  : "the current");
      break;
  }
  std::printf("  \"%s\"\n", c.label.c_str());
}

int list_filters() {
  for (const FilterCommand& f : filter_commands()) {
    std::printf("%s  id=%d", f.cli_name, f.id);
    if (f.has_dialog()) std::printf(" dialog=%d \"%s\"", f.dialog_id, f.title);
    if (f.runner == FilterRunner::kOwnDialog) std::printf(" own-dialog");
    if (!f.available()) std::printf(" (not available yet)");
    std::printf("\n");
    const DialogDescription* d = f.has_dialog() ? filter_dialog(f.dialog_id) : nullptr;
    const DialogSource* src = f.has_dialog() ? find_dialog_source(f.dialog_id) : nullptr;
    if (d)
      for (size_t i = 0; i < d->controls.size(); ++i) print_control(d->controls[i], param_name(src, i));
  }
  return kExitOk;
}

std::optional<long> parse_number(std::string_view t) {
  if (t.empty() || t.size() > 10) return std::nullopt;
  const std::string s(t);
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (!end || *end != 0) return std::nullopt;
  return v;
}

// RRGGBB in hexadecimal, as the other colour options take it.
std::optional<uint32_t> parse_colour(std::string_view t) {
  if (t.size() != 6) return std::nullopt;
  uint32_t colour = 0;
  for (char c : t) {
    const int d = std::isdigit(uint8_t(c)) ? c - '0'
                  : std::isxdigit(uint8_t(c)) ? std::tolower(uint8_t(c)) - 'a' + 10
                                              : -1;
    if (d < 0) return std::nullopt;
    colour = colour << 4 | uint32_t(d);
  }
  return colour;
}

std::unique_ptr<Document> load(const std::string& path, int& code) {
  LoadedDocument loaded;
  const std::string ext = picture_extension(path);
  if (is_flat_picture_path(path)) {
    loaded.result = load_picture_document(path, loaded.document, nullptr);
  } else if (ext == "psd") {
    auto doc = std::make_unique<Document>();
    loaded.result = LoadPsd(path, *doc, nullptr);
    if (loaded.result == LoadResult::Success) loaded.document = std::move(doc);
  } else {
    loaded = load_document(path, nullptr);
  }
  if (loaded.result != LoadResult::Success) {
    std::fprintf(stderr, "quillmark2-cli: cannot load '%s': %s (load result %d)\n", path.c_str(),
                 std::string(load_result_text(loaded.result)).c_str(), int(loaded.result));
    code = kExitLoadBase + int(loaded.result);
    return nullptr;
  }
  return std::move(loaded.document);
}

bool save(const std::string& path, const Document& doc) {
  if (is_flat_picture_path(path)) return save_flat_picture(path, doc, FlatSaveOptions{});
  if (picture_extension(path) == "psd") return SavePsd(path, doc, nullptr);
  return save_document(path, doc, nullptr);
}

int run_one(int argc, char** argv) {
  std::string name;
  std::vector<std::pair<std::string, std::string>> params;
  std::vector<std::string> files;
  std::optional<Rect> rect;
  std::optional<long> layer, seed;
  // The program's defaults: black drawing colour, white other colour, full density.
  FilterEnvironment env;
  for (int i = 2; i < argc; ++i) {
    const std::string_view a = argv[i];
    auto next = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string_view(argv[++i]);
    };
    if (a == "--rect") {
      const auto v = next();
      int x, y, w, h;
      char tail;
      if (!v || std::sscanf(std::string(*v).c_str(), "%d,%d,%d,%d%c", &x, &y, &w, &h, &tail) != 4)
        return usage("--rect takes x,y,w,h");
      rect = Rect{x, y, w, h};
    } else if (a == "--layer" || a == "--seed") {
      const auto v = next();
      const auto n = v ? parse_number(*v) : std::nullopt;
      if (!n || *n < 0 || *n > 0xFFFFFFFFL) return usage(std::string(a) + " takes a number");
      (a == "--layer" ? layer : seed) = n;
    } else if (a == "--colour" || a == "--other-colour") {
      const auto v = next();
      const auto c = v ? parse_colour(*v) : std::nullopt;
      if (!c) return usage(std::string(a) + " takes a colour RRGGBB in hexadecimal");
      (a == "--colour" ? env.drawing_colour : env.other_colour) = *c;
    } else if (a == "--brush-alpha") {
      const auto v = next();
      const auto n = v ? parse_number(*v) : std::nullopt;
      if (!n || *n < 0 || *n > 255) return usage("--brush-alpha takes a number from 0 to 255");
      env.brush_alpha = int(*n);
    } else if (a.size() > 1 && a[0] == '-' && a.find('=') == std::string_view::npos) {
      return usage("unknown option " + std::string(a));
    } else if (name.empty()) {
      name = a;
    } else if (const size_t eq = a.find('='); eq != std::string_view::npos) {
      params.emplace_back(std::string(a.substr(0, eq)), std::string(a.substr(eq + 1)));
    } else {
      files.emplace_back(a);
    }
  }
  if (name.empty() || files.size() != 2) return usage("filter takes NAME [param=value ...] IN OUT");
  const FilterCommand* command = find_filter_by_name(name);
  if (!command) return usage("unknown filter '" + name + "' (see: quillmark2-cli filters)");
  if (!command->available()) {
    std::fprintf(stderr, "quillmark2-cli: filter '%s' is not available yet\n", name.c_str());
    return kExitFailed;
  }
  int code = kExitOk;
  std::unique_ptr<Document> doc = load(files[0], code);
  if (!doc) return code;
  if (layer) {
    if (*layer >= doc->layer_count()) return usage("--layer: the document has " + std::to_string(doc->layer_count()) + " layers");
    doc->select(int(*layer));
  }
  const Rect target = intersect(rect.value_or(doc->bounds()), doc->bounds());

  // Values: the dialog's defaults, then the parameters given.
  FilterValues values;
  if (command->has_dialog()) {
    const DialogDescription* d = filter_dialog(command->dialog_id);
    const DialogSource* src = find_dialog_source(command->dialog_id);
    if (!d) return usage("filter '" + name + "' has no readable dialog");
    const DialogContext ctx = dialog_context(*doc, target);
    values = initial_values(*d, ctx);
    for (const auto& [key, text] : params) {
      const DialogControl* c = nullptr;
      for (size_t i = 0; i < d->controls.size(); ++i)
        if (key == param_name(src, i) || key == generic_name(d->controls[i])) c = &d->controls[i];
      if (!c) return usage("filter '" + name + "' has no parameter '" + key + "'");
      const auto v = parse_number(text);
      int low = 0, high = 0;
      if (c->is_value()) {
        const ValueRange r = resolve_range(*c, ctx);
        low = r.minimum;
        high = r.maximum;
      } else if (c->kind == ControlKind::kCheck) {
        high = 1;
      } else if (c->kind == ControlKind::kList) {
        high = int(c->items.size()) - 1;
      } else {
        high = doc->layer_count() - 1;
      }
      if (!v || *v < low || *v > high)
        return usage(key + " takes a number from " + std::to_string(low) + " to " + std::to_string(high));
      auto& slot = c->is_value() ? values.numeric[size_t(c->slot)]
                   : c->kind == ControlKind::kCheck ? values.check[size_t(c->slot)]
                                                    : values.list[size_t(c->slot)];
      slot = int(*v);
    }
  } else if (!params.empty()) {
    // Filters without a generic dialog take the generic names only.
    for (const auto& [key, text] : params) {
      const auto v = parse_number(text);
      const int index = key.size() == 2 ? key[1] - '1' : -1;
      int* slot = !v || index < 0 ? nullptr
                  : key[0] == 'n' && index < 5 ? &values.numeric[size_t(index)]
                  : key[0] == 'c' && index < 2 ? &values.check[size_t(index)]
                  : key[0] == 'l' && index < 2 ? &values.list[size_t(index)]
                                               : nullptr;
      if (!slot || *v < -32768 || *v > 32767) return usage("bad parameter '" + key + "=" + text + "'");
      *slot = int(*v);
    }
  }

  if (seed) seed_shared_random(uint32_t(*seed));
  else seed_shared_random_from_clock();
  env.document = doc.get();
  const FilterStatus status = apply_filter(*command, *doc, values, env, target, nullptr);
  if (status == FilterStatus::kOutOfMemory) {
    std::fprintf(stderr, "quillmark2-cli: out of memory, nothing changed\n");
    return kExitFailed;
  }
  if (status == FilterStatus::kNothing) std::fprintf(stderr, "quillmark2-cli: empty target, nothing changed\n");
  if (!save(files[1], *doc)) {
    std::fprintf(stderr, "quillmark2-cli: cannot write '%s' (the previous file, if any, is unchanged)\n",
                 files[1].c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int run_filter_command(int argc, char** argv) {
  if (std::string_view(argv[1]) == "filters") return argc == 2 ? list_filters() : usage("filters takes no arguments");
  return run_one(argc, argv);
}

}  // namespace qm::cli

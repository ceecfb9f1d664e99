#include "formats/layer_name.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "document/layer.h"

namespace qm {
namespace {

void append_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | cp >> 6);
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | cp >> 12);
    out += char(0x80 | (cp >> 6 & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | cp >> 18);
    out += char(0x80 | (cp >> 12 & 0x3F));
    out += char(0x80 | (cp >> 6 & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

std::atomic<int> g_code_page{932};

const char* code_page_name(int cp) { return cp == 949 ? "CP949" : "CP932"; }

// The length of the legacy character starting with `c`.
size_t legacy_char_length(uint8_t c, int cp) {
  if (cp == 949) return c >= 0x81 && c <= 0xFE ? 2 : 1;
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
}

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != iconv_t(-1); }
  // One whole character; false when it does not convert.
  bool one(std::string_view in, std::string& out) {
    char buf[16];
    char* in_ptr = const_cast<char*>(in.data());
    size_t in_left = in.size();
    char* out_ptr = buf;
    size_t out_left = sizeof buf;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) == size_t(-1) || in_left != 0)
      return false;
    out.assign(buf, size_t(out_ptr - buf));
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

bool is_valid_utf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t c = uint8_t(text[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      n = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= text.size()) return false;  // cut short
    for (size_t k = 1; k <= n; ++k) {
      const uint8_t cc = uint8_t(text[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = cp << 6 | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) ||
        (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
      return false;
    i += n + 1;
  }
  return true;
}

void set_legacy_code_page(int code_page) { g_code_page = code_page == 949 ? 949 : 932; }
int legacy_code_page() { return g_code_page; }

std::string legacy_to_utf8(std::string_view text) {
  const int cp = legacy_code_page();
  Converter conv("UTF-8", code_page_name(cp));
  std::string out, one;
  size_t pos = 0;
  while (pos < text.size()) {
    const uint8_t c = uint8_t(text[pos]);
    if (c < 0x80) {
      out += char(c);
      ++pos;
      continue;
    }
    // One character at a time, so a bad byte costs only itself.
    const size_t len = std::min(legacy_char_length(c, cp), text.size() - pos);
    if (conv.ok() && conv.one(text.substr(pos, len), one)) {
      out += one;
      pos += len;
    } else {
      out += '?';
      pos += 1;
    }
  }
  return out;
}

bool utf8_to_legacy(std::string_view utf8, size_t max_bytes, std::string& out) {
  Converter conv(code_page_name(legacy_code_page()), "UTF-8");
  out.clear();
  bool exact = true;
  std::string one;
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t end = pos + 1;
    while (end < utf8.size() && (uint8_t(utf8[end]) & 0xC0) == 0x80) ++end;
    const std::string_view ch = utf8.substr(pos, end - pos);
    if (uint8_t(ch[0]) < 0x80) {
      one.assign(1, ch[0]);
    } else if (!conv.ok() || !conv.one(ch, one)) {
      one.assign(1, '?');
      exact = false;
    }
    if (out.size() + one.size() > max_bytes) return false;
    out.append(one.data(), one.size());
    pos = end;
  }
  return exact;
}

bool encode_name_field(const std::string& name, uint8_t (&field)[kNameFieldBytes]) {
  std::memset(field, 0, sizeof field);
  std::string legacy;
  const bool exact = utf8_to_legacy(fit_layer_name(name), kNameFieldBytes - 1, legacy);
  std::memcpy(field, legacy.data(), std::min(legacy.size(), kNameFieldBytes - 1));
  return exact;
}

std::string decode_name_field(const uint8_t* field, size_t size) {
  size_t len = 0;
  const size_t limit = std::min(size, kNameFieldBytes - 1);
  while (len < limit && field[len] != 0) ++len;
  return fit_layer_name(legacy_to_utf8(std::string_view(reinterpret_cast<const char*>(field), len)));
}

bool decode_utf8_name(const uint8_t* bytes, size_t size, std::string& out) {
  size_t len = 0;
  while (len < size && bytes[len] != 0) ++len;
  const std::string_view text(reinterpret_cast<const char*>(bytes), len);
  if (!is_valid_utf8(text)) return false;
  out = fit_layer_name(std::string(text));
  return true;
}

std::string utf16le_to_utf8(const uint8_t* data, size_t units) {
  std::string out;
  for (size_t i = 0; i < units; ++i) {
    uint32_t u = uint32_t(data[2 * i]) | uint32_t(data[2 * i + 1]) << 8;
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const uint32_t lo = uint32_t(data[2 * i + 2]) | uint32_t(data[2 * i + 3]) << 8;
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        ++i;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
    append_utf8(out, u);
  }
  return out;
}

}  // namespace qm

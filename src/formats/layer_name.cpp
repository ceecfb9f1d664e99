#include "formats/layer_name.h"

#include <iconv.h>

#include <algorithm>
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

std::string cp932_to_utf8(std::string_view text) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == iconv_t(-1)) {
    // No converter: keep what is plain ASCII.
    std::string out;
    for (char c : text) out += (uint8_t(c) < 0x80) ? c : '?';
    return out;
  }
  std::string out;
  char buf[8];
  size_t pos = 0;
  while (pos < text.size()) {
    // One character at a time, so a bad byte costs only itself.
    const size_t len = (uint8_t(text[pos]) >= 0x81 && uint8_t(text[pos]) <= 0x9F) ||
                               (uint8_t(text[pos]) >= 0xE0 && uint8_t(text[pos]) <= 0xFC)
                           ? 2
                           : 1;
    char in[2] = {text[pos], pos + 1 < text.size() ? text[pos + 1] : '\0'};
    char* in_ptr = in;
    size_t in_left = std::min(len, text.size() - pos);
    char* out_ptr = buf;
    size_t out_left = sizeof buf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == size_t(-1) || in_left != 0) {
      out += '?';
      pos += 1;
    } else {
      out.append(buf, size_t(out_ptr - buf));
      pos += std::min(len, text.size() - pos);
    }
  }
  iconv_close(cd);
  return out;
}

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

void encode_name_field(const std::string& name, uint8_t (&field)[kNameFieldBytes]) {
  std::memset(field, 0, sizeof field);
  const std::string fitted = fit_layer_name(name);
  std::memcpy(field, fitted.data(), std::min(fitted.size(), kNameFieldBytes - 1));
}

std::string decode_name_field(const uint8_t* field, size_t size) {
  size_t len = 0;
  const size_t limit = std::min(size, kNameFieldBytes - 1);
  while (len < limit && field[len] != 0) ++len;
  const std::string_view raw(reinterpret_cast<const char*>(field), len);
  return fit_layer_name(is_valid_utf8(raw) ? std::string(raw) : cp932_to_utf8(raw));
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

#include "app/TextUtil.h"

#include <cfloat>
#include <charconv>
#include <cstdlib>
#include <system_error>

namespace text {
namespace {

// Decodes one code point; on a malformed byte returns it as Latin-1 and advances by one.
char32_t Next(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  auto cont = [&](size_t k) { return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; };
  if (c < 0x80) { ++i; return c; }
  // Overlong forms are malformed: "\xC0\x8A" must not become a line feed inside a text.
  if ((c & 0xE0) == 0xC0 && cont(1)) {
    char32_t cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
    if (cp >= 0x80) {
      i += 2;
      return cp;
    }
  }
  if ((c & 0xF0) == 0xE0 && cont(1) && cont(2)) {
    char32_t cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
    if (cp >= 0x800) {
      i += 3;
      return cp;
    }
  }
  if ((c & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
    char32_t cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      i += 4;
      return cp;
    }
  }
  ++i;
  return c;
}

void Append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t FoldLower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}
char32_t FoldUpper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  return c;
}

template <class F>
std::string Map(std::string_view s, F f) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) Append(out, f(Next(s, i)));
  return out;
}

}  // namespace

std::string Lower(std::string_view s) { return Map(s, FoldLower); }
std::string Upper(std::string_view s) { return Map(s, FoldUpper); }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (FoldLower(Next(a, i)) != FoldLower(Next(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

namespace {
// Bytes of s that match prefix ignoring letter case, or npos.
size_t PrefixNoCase(std::string_view s, std::string_view prefix) {
  size_t i = 0, j = 0;
  while (j < prefix.size()) {
    if (i >= s.size()) return std::string_view::npos;
    if (FoldLower(Next(s, i)) != FoldLower(Next(prefix, j))) return std::string_view::npos;
  }
  return i;
}
}  // namespace

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return PrefixNoCase(s, prefix) != std::string_view::npos;
}

size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from, size_t* matched) {
  if (matched) *matched = 0;
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  for (size_t p = from; p < hay.size(); ++p) {
    // Only start at character boundaries.
    if ((static_cast<unsigned char>(hay[p]) & 0xC0) == 0x80) continue;
    const size_t n = PrefixNoCase(hay.substr(p), needle);
    if (n == std::string_view::npos) continue;
    if (matched) *matched = n;
    return p;
  }
  return std::string_view::npos;
}

std::string ReplaceNoCase(std::string_view s, std::string_view what, std::string_view with) {
  if (what.empty()) return std::string(s);
  std::string out;
  size_t pos = 0;
  while (true) {
    size_t matched = 0;
    size_t hit = FindNoCase(s, what, pos, &matched);
    if (hit == std::string_view::npos) break;
    out.append(s.substr(pos, hit - pos));
    out.append(with);
    pos = hit + matched;
  }
  out.append(s.substr(pos));
  return out;
}

std::string Replace(std::string_view s, std::string_view what, std::string_view with) {
  if (what.empty()) return std::string(s);
  std::string out;
  size_t pos = 0;
  while (true) {
    size_t hit = s.find(what, pos);
    if (hit == std::string_view::npos) break;
    out.append(s.substr(pos, hit - pos));
    out.append(with);
    pos = hit + what.size();
  }
  out.append(s.substr(pos));
  return out;
}

std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return std::string(s.substr(b));
}
std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] == ' ') --e;
  return std::string(s.substr(0, e));
}
std::string Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (true) {
    size_t hit = s.find(sep, pos);
    if (hit == std::string_view::npos) { out.emplace_back(s.substr(pos)); break; }
    out.emplace_back(s.substr(pos, hit - pos));
    pos = hit + 1;
  }
  return out;
}

std::string Hex(uint32_t v) {
  char buf[16];
  std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, 16);
  return Upper(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
}

std::string Fixed(double v, int decimals) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

int32_t ParseInt(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) { neg = s[i] == '-'; ++i; }
  // Wraps like a 32-bit reader: the value modulo 2^32.
  uint32_t v = 0;
  bool any = false;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    any = true;
    v = v * 10u + static_cast<uint32_t>(s[i] - '0');
    ++i;
  }
  if (!any) return 0;
  if (neg) v = 0u - v;
  return static_cast<int32_t>(v);
}

double LeadingFixed(std::string_view s) {
  size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  const size_t start = i;
  bool nonZeroWhole = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) nonZeroWhole = nonZeroWhole || s[i] != '0';
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  }
  double v = 0.0;
  if (i > start && !(i == start + 1 && s[start] == '.')) {
    auto r = std::from_chars(s.data() + start, s.data() + i, v, std::chars_format::fixed);
    // Out of range is an overflow only when the whole part is not zero; "0.000…1" underflows.
    if (r.ec == std::errc::result_out_of_range) v = nonZeroWhole ? DBL_MAX : 0.0;
    else if (r.ec != std::errc()) v = 0.0;
  }
  return neg ? -v : v;
}

std::string FromUtf16LE(std::string_view b) {
  std::string out;
  out.reserve(b.size() / 2);
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    char32_t u = static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < b.size()) {
      char32_t lo = static_cast<unsigned char>(b[i + 2]) | (static_cast<unsigned char>(b[i + 3]) << 8);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
        i += 2;
      }
    }
    Append(out, u);
  }
  return out;
}

std::string ToUtf16LE(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  auto put = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (size_t i = 0; i < s.size();) {
    char32_t cp = Next(s, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

std::string FromWindows1252(std::string_view b) {
  static const char32_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                    0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  std::string out;
  out.reserve(b.size());
  for (unsigned char c : b) {
    if (c >= 0x80 && c < 0xA0) Append(out, high[c - 0x80]);
    else Append(out, c);
  }
  return out;
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

size_t CharCount(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace text

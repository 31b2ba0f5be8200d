#include "access/Templates.h"

#include "app/TextUtil.h"

std::string FormatTime(int64_t seconds, const std::string& tmpl, const std::string& h, const std::string& m,
                       const std::string& s) {
  int64_t hours = seconds / 3600, rest = seconds % 3600;
  int64_t minutes = rest / 60, secs = rest % 60;
  std::string out, rem = tmpl;
  while (true) {
    size_t p = rem.find('[');
    size_t q = p == std::string::npos ? std::string::npos : rem.find(']', p);
    if (p == std::string::npos || q == std::string::npos) {
      out += rem;
      break;
    }
    std::string section = rem.substr(p + 1, q - p - 1);
    std::string low = text::Lower(section);
    bool drop = (hours == 0 && low.find("%" + text::Lower(h)) != std::string::npos) ||
                (hours == 0 && minutes == 0 && low.find("%" + text::Lower(m)) != std::string::npos) ||
                (hours == 0 && minutes == 0 && secs == 0 && low.find("%" + text::Lower(s)) != std::string::npos);
    out += rem.substr(0, p);
    if (!drop) out += section;
    rem = rem.substr(q + 1);
  }
  out = text::ReplaceNoCase(out, "%" + h, std::to_string(hours));
  out = text::ReplaceNoCase(out, "%" + m, std::to_string(minutes));
  out = text::ReplaceNoCase(out, "%" + s, std::to_string(secs));
  return out;
}

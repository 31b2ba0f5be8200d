#include "access/Templates.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "access/Speech.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {
bool WordByte(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80;
}

// Every tag (any letter case) becomes the value. After a 1, the unit word that follows (at
// most one space away) is said in the singular: "1 minute", "1 seconde", not "1 minutes". Only
// words of three letters or more lose their final "s": "%sss" stays "1s".
std::string ReplaceUnit(const std::string& text, const std::string& tag, int64_t value) {
  const std::string number = std::to_string(value);
  std::string out;
  out.reserve(text.size());
  size_t at = 0, matched = 0;
  for (size_t p = text::FindNoCase(text, tag, 0, &matched); p != std::string::npos;
       p = text::FindNoCase(text, tag, at, &matched)) {
    out.append(text, at, p - at);
    out += number;
    at = p + matched;
    if (value != 1) continue;
    size_t word = at < text.size() && text[at] == ' ' ? at + 1 : at;
    size_t end = word;
    while (end < text.size() && WordByte(text[end])) ++end;
    if (end - word >= 3 && (text[end - 1] == 's' || text[end - 1] == 'S')) {
      out.append(text, at, end - 1 - at);
      at = end;
    }
  }
  out.append(text, at, std::string::npos);
  return out;
}
}  // namespace

std::string FormatTime(int64_t seconds, const std::string& tmpl, const std::string& h, const std::string& m,
                       const std::string& s) {
  int64_t hours = seconds / 3600, rest = seconds % 3600;
  int64_t minutes = rest / 60, secs = rest % 60;
  const std::string hTag = "%" + text::Lower(h), mTag = "%" + text::Lower(m), sTag = "%" + text::Lower(s);
  // One pass by position: a template of any size costs time in proportion to its length.
  std::string out;
  out.reserve(tmpl.size());
  size_t at = 0;
  while (true) {
    size_t p = tmpl.find('[', at);
    size_t q = p == std::string::npos ? std::string::npos : tmpl.find(']', p);
    if (p == std::string::npos || q == std::string::npos) {
      out.append(tmpl, at, std::string::npos);
      break;
    }
    std::string_view section(tmpl.data() + p + 1, q - p - 1);
    out.append(tmpl, at, p - at);
    bool drop = false;
    if (hours == 0 && section.find('%') != std::string_view::npos) {
      std::string low = text::Lower(section);
      drop = low.find(hTag) != std::string::npos ||
             (minutes == 0 && low.find(mTag) != std::string::npos) ||
             (minutes == 0 && secs == 0 && low.find(sTag) != std::string::npos);
    }
    if (!drop) out.append(section);
    at = q + 1;
  }
  out = ReplaceUnit(out, "%" + h, hours);
  out = ReplaceUnit(out, "%" + m, minutes);
  out = ReplaceUnit(out, "%" + s, secs);
  return out;
}

namespace {

StatusSource*& Source() {
  static StatusSource* s = nullptr;
  return s;
}

std::string FilePart(const std::string& path) {
  size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? path : path.substr(p + 1);
}

// Leading digits after leading spaces; saturates instead of overflowing.
int64_t LeadingInt(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  int64_t v = 0;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max() / 16;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = v >= kMax ? kMax : v * 10 + (s[i] - '0');
  return v;
}

int64_t Saturate(double v) {
  constexpr double kMax = 4e15;  // far beyond any length, far inside int64
  if (!(v == v)) return 0;
  if (v > kMax) return static_cast<int64_t>(kMax);
  if (v < -kMax) return -static_cast<int64_t>(kMax);
  return static_cast<int64_t>(std::llround(v));
}

int64_t SafeMul(int64_t a, int64_t b) { return Saturate(static_cast<double>(a) * static_cast<double>(b)); }

}  // namespace

std::string SecondsText(double seconds) { return text::Fixed(seconds, 1) + " " + Lang("Time.Second"); }

std::string FrequencyText(double hertz) {
  if (hertz < 1000) return text::Fixed(hertz, 0) + " Hz";
  std::string k = text::Fixed(hertz / 1000, 1);
  if (k.size() > 2 && k.compare(k.size() - 2, 2, ".0") == 0) k.erase(k.size() - 2);
  return k + " KHz";
}

StatusSource& TheStatusSource() {
  static StatusSource none;
  return Source() ? *Source() : none;
}

void SetStatusSource(StatusSource* source) { Source() = source; }

std::string FormatStatus(const std::string& tmpl, const StatusPosition& pos) {
  // A stream without a known length has no remaining time: shown as 0, not negative.
  int64_t remaining = pos.length > pos.position ? pos.length - pos.position : 0;
  std::string t = FormatTime(pos.position, tmpl, "hh", "ii", "ss");
  t = FormatTime(remaining, t, "rh", "ri", "rs");
  t = FormatTime(pos.length, t, "th", "ti", "ts");

  StatusSource& src = TheStatusSource();
  StatusTrack track = src.OutputTrack();
  std::string title = !track.streamTitle.empty() ? track.streamTitle
                      : !track.alias.empty()     ? track.alias
                                                 : FilePart(track.file);
  struct Placeholder {
    const char* tag;
    bool anyCase;
    std::string value;
  };
  const Placeholder table[] = {
      {"%PC", false, std::to_string(pos.percent)},
      {"%VL", false, GetMWValue(setting::OutputVolume)},
      {"%OE", false, src.OutputEffectName()},
      {"%ME", false, src.MonitorEffectName()},
      {"%PN", false, src.ProfileName()},
      {"%CT", true, std::to_string(src.TrackCount())},
      {"%PT", true, std::to_string(src.SelectedLine())},
      {"%SN", false, FilePart(track.file)},
      {"%ST", false, title},
      {"%SA", false, track.alias.empty() ? FilePart(track.file) : track.alias},
      // The default information template has always carried "%NM" for the track's name;
      // spoken as written it would read out "percent N M" on every status request.
      {"%NM", false, title},
      {"%CH", false, src.ChapterTitle()},
  };
  // One pass over the text, earlier placeholders of the table first at each place; what is
  // put in is never scanned again.
  std::string out;
  for (size_t i = 0; i < t.size();) {
    bool hit = false;
    if (t[i] == '%') {
      for (const auto& p : table) {
        std::string_view here(t.data() + i, std::min<size_t>(3, t.size() - i));
        if (p.anyCase ? text::EqualsNoCase(here, p.tag) : here == p.tag) {
          out += p.value;
          i += 3;
          hit = true;
          break;
        }
      }
    }
    if (!hit) out += t[i++];
  }
  return out;
}

int64_t ParseTimeExpression(const std::string& input, int64_t position, int64_t length) {
  std::string t = text::Lower(text::Trim(input));
  int sign = 0;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    sign = t[0] == '+' ? 1 : -1;
    t = text::Trim(t.substr(1));
  }
  int64_t value = 0;
  size_t pc = t.find('%');
  if (pc != std::string::npos) {
    std::string num = t.substr(0, pc);
    size_t i = 0;
    std::string digits;
    while (i < num.size() && num[i] >= '0' && num[i] <= '9') digits += num[i++];
    if (i < num.size() && num[i] == '.') {
      digits += num[i++];
      while (i < num.size() && num[i] >= '0' && num[i] <= '9') digits += num[i++];
    }
    double n = digits.empty() || digits == "." ? 0.0 : std::strtod(digits.c_str(), nullptr);
    value = Saturate(n * static_cast<double>(length) / 100.0);
  } else if (t.find(':') != std::string::npos) {
    auto fields = text::Split(t, ':');
    size_t n = std::min<size_t>(fields.size() - 1, 2);
    value = LeadingInt(fields[n]);
    value += SafeMul(LeadingInt(fields[n - 1]), 60);
    if (n == 2) value += SafeMul(LeadingInt(fields[0]), 3600);
  } else {
    std::string rest = t;
    const std::pair<char, int64_t> units[] = {{'h', 3600}, {'m', 60}, {'s', 1}};
    for (const auto& [letter, mult] : units) {
      size_t p = rest.find(letter);
      if (p == std::string::npos) continue;
      value += SafeMul(LeadingInt(rest.substr(0, p)), mult);
      rest = rest.substr(p + 1);
    }
    value += LeadingInt(rest);
  }
  value = Saturate(static_cast<double>(value));
  int64_t target = sign > 0 ? position + value : sign < 0 ? position - value : value;
  if (target < 0) target = 0;
  if (target > length) target = position;
  if (target > length) target = length;
  return target;
}

void SayStatus() {
  StatusPosition pos = TheStatusSource().OutputPosition();
  const std::string tmpl = TemplateText(setting::DisplayInfos);
  std::string text = FormatStatus(tmpl, pos);
  // In a book the time alone does not tell where the reader is: the chapter goes with it,
  // unless the user's template already names it.
  const std::string chapter = tmpl.find("%CH") == std::string::npos ? TheStatusSource().ChapterText() : std::string();
  if (!chapter.empty()) text += ", " + chapter;
  const std::string sleep = TheStatusSource().SleepTimerText();
  if (!sleep.empty()) text += ", " + sleep;
  Speak(text);
}

namespace {
// The language's text of a template setting still at its registered default; "" when the
// setting is not a template or the language has no text for it.
std::string LanguageTemplate(const Setting& s) {
  using namespace setting;
  if (s.Id != PlayingStatus && s.Id != NormalStatus && s.Id != DisplayInfos && s.Id != DisplayTime && s.Id != SayTime)
    return {};
  std::string text = Lang(s.Name);
  return text == s.Name ? std::string() : text;
}
}  // namespace

std::string TemplateText(int32_t settingId) {
  const Setting* s = FindSetting(settingId);
  if (!s) return {};
  if (s->Value == s->Default) {
    std::string text = LanguageTemplate(*s);
    if (!text.empty()) return text;
  }
  return s->Value;
}

std::string TemplateToStore(int32_t settingId, const std::string& shown) {
  const Setting* s = FindSetting(settingId);
  if (s && !shown.empty() && shown == LanguageTemplate(*s)) return s->Default;
  return shown;
}

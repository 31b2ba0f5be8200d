#include "access/DialogLayout.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "app/TextUtil.h"

namespace {

// Row counts and shifts beyond this are typing errors; they must not overflow the pixels.
constexpr long long kMaxRows = 1000;

bool ReadInteger(const std::string& token, long long& value) {
  auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ec != std::errc() || end != token.data() + token.size()) return false;
  return std::to_string(value) == token;  // "+3", "03" and "-0" are not integers here
}

bool IsColumnRange(std::string_view t) {
  static const std::string_view ranges[] = {"ABCDE", "ABCD", "BCDE", "ABC", "BCD", "CDE", "AB", "BC",
                                            "CD",    "DE",   "A",    "B",   "C",   "D",   "E"};
  return std::find(std::begin(ranges), std::end(ranges), t) != std::end(ranges);
}

}  // namespace

int LayoutRow(const std::string& rowLayout, LayoutState& st, bool noLabel) {
  st.labelAlign = kLabelRight;
  st.controlX = st.controlY = st.controlW = st.controlH = 0;
  st.labelX = st.labelY = st.labelW = st.labelH = 0;
  int controlRowOffset = 0, rows = 1, shift = 0;
  int controlFirst = 2, controlSpan = 3;
  int labelFirst = 0, labelSpan = 0, labelRows = 0;  // labelRows 0: same as the row
  bool range = false, vertical = false;

  for (const auto& token : text::Split(rowLayout, ' ')) {
    if (token.empty()) continue;
    long long n = 0;
    if (ReadInteger(token, n)) {
      if (n > 0) rows = static_cast<int>(std::min(n, kMaxRows));
      if (n < 0) shift = static_cast<int>(std::max(n, -kMaxRows));
      continue;
    }
    std::string up = text::Upper(token);
    if (!noLabel) {
      switch (up[0]) {
        case 'A':
          labelSpan = 5;
          labelRows = 1;
          controlRowOffset = 1;
          st.labelAlign = kLabelCentred;
          break;
        case 'B': labelSpan = 1; break;
        case 'C': labelSpan = 2; break;
        case 'D': labelSpan = 3; break;
        case 'E': labelSpan = 4; break;
        case 'V': vertical = true; break;
        default: break;
      }
    }
    if (IsColumnRange(up)) {
      controlFirst = up[0] - 'A';
      controlSpan = static_cast<int>(up.size());
      range = true;
    }
  }
  if (!range) {
    controlFirst = 2;
    controlSpan = 3;
    labelSpan = 2;
  }
  if (vertical) {
    labelFirst = controlFirst;
    labelSpan = controlSpan;
    labelRows = 1;
    controlRowOffset = 1;
  }

  const int colW = (st.areaWidth - st.widthReduction - 6 * st.margin) / 5;
  const int step = st.rowHeight + st.rowGap;
  auto width = [&](int span) { return span > 0 ? span * (colW + st.margin) - st.margin : 0; };
  st.controlX = st.margin + controlFirst * (colW + st.margin);
  st.labelX = st.margin + labelFirst * (colW + st.margin);
  st.labelY = st.currentY + shift * step;
  if (st.labelY < 0) st.labelY = st.currentY;
  st.controlY = st.labelY + controlRowOffset * step;
  st.controlW = width(controlSpan);
  st.labelW = width(labelSpan);
  st.labelH = (labelRows ? labelRows : rows) * step - st.rowGap;
  st.controlH = rows * step - st.rowGap;
  st.currentY = std::max(st.controlY + st.controlH + st.rowGap, st.labelY + st.labelH + st.rowGap);
  st.maxY = std::max(st.maxY, st.currentY);
  return st.currentY;
}

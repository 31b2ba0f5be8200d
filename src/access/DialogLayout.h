// The five-column row layout every dialog is built with.
#pragma once
#include <string>

struct LayoutState {
  // Set by the caller.
  int margin = 5;          // around and between the columns
  int rowGap = 5;          // between rows
  int rowHeight = 22;
  int areaWidth = 0;
  int widthReduction = 0;  // 0, or twice the margin inside a panel
  int currentY = 0;        // top of the next row; each row advances it
  int maxY = 0;            // largest row bottom so far
  // Set by LayoutRow for the row just laid out.
  int controlX = 0, controlY = 0, controlW = 0, controlH = 0;
  int labelX = 0, labelY = 0, labelW = 0, labelH = 0;
  int labelAlign = 2;      // 2 right-aligned beside the control, 1 centred above it
};

inline constexpr int kLabelRight = 2;
inline constexpr int kLabelCentred = 1;

// rowLayout: tokens separated by spaces: a column range ("CDE", "AB"…, any case), a row count n,
// a shift -k (k rows higher, beside the previous control), a token starting with "V" (label
// above the control). The first letter of a token places the label unless noLabel.
// Returns the new current y.
int LayoutRow(const std::string& rowLayout, LayoutState& state, bool noLabel = false);

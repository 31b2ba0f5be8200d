// Keyboard operations on sliders and spin controls: a tenth of the range per step, and a
// value remembered in the control to go back to.
#pragma once

struct SliderControl {
  enum Kind { Slider, Spin, Other } kind = Slider;
  int minimum = 0, maximum = 100, value = 0;
  int data = 0;  // the remembered value; 0 until something is remembered
};

void SliderStepDown(SliderControl& c);
void SliderStepUp(SliderControl& c);
void SliderReset(SliderControl& c);
void SliderRemember(SliderControl& c);

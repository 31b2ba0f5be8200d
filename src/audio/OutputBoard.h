// The Output board: the Output's volume, tempo, pitch and effect set in one small window,
// each change applied at once; Cancel puts back what the window changed.
#pragma once
#include <array>
#include <string>
#include <vector>

struct SliderControl;

enum BoardControl { kBoardVolume = 0, kBoardTempo = 1, kBoardPitch = 2, kBoardEffect = 3, kBoardControlCount = 4 };

class OutputBoard {
 public:
  // Reads the current values (the window opens) and remembers them.
  OutputBoard();

  int Value(int control) const { return controls_[Index(control)].value; }
  int Minimum(int control) const { return controls_[Index(control)].minimum; }
  int Maximum(int control) const { return controls_[Index(control)].maximum; }
  int Remembered(int control) const { return controls_[Index(control)].remembered; }
  // Tempo and pitch can be changed (the profile allows it, or a book plays).
  bool SpinnersEnabled() const { return spinnersEnabled_; }
  bool IsEnabled(int control) const;

  // A change by hand, applied at once. Returns the value the control shows afterwards (the
  // volume stops at the Output's maximum, the pitch at its limits).
  int Change(int control, int value);
  // Page Up / Page Down: a tenth of the control's range; F1: back to the value it had when the
  // window opened. The effect chooser is left alone. Return the value shown afterwards.
  int StepUp(int control);
  int StepDown(int control);
  int Reset(int control);

  // "12 %", "-2.5 semitones": the texts beside the spinners.
  std::string TempoText() const;
  std::string PitchText() const;
  // The chooser's entries: the no-effect set, then the nine sets of the user.
  std::vector<std::string> EffectNames() const;

  // A player key changed the Output while the window is open: the controls show the values
  // now in force (what the window remembers stays).
  void Refresh();

  // Tab / Right (direction 1) and Shift+Tab / Left (-1): the next enabled control, round.
  int NextControl(int control, int direction) const;

  // OK: in the Book profile the playing book keeps its tempo and pitch in its play-list entry.
  void Ok();
  // Cancel or Escape: what the window changed goes back, and the remembered effect set is
  // applied again.
  void Cancel();

 private:
  struct Control {
    int minimum = 0, maximum = 0, value = 0, remembered = 0;
    bool changed = false;
  };
  // A key's slider operation on the volume, tempo or pitch, applied like a change by hand.
  int Step(int control, void (*operation)(SliderControl&));
  static size_t Index(int control) {
    return control >= 0 && control < kBoardControlCount ? static_cast<size_t>(control) : 0;
  }
  std::array<Control, kBoardControlCount> controls_;
  bool spinnersEnabled_ = false;
  // The values stored before the window opened (the spinners show the effective ones, which
  // are 0 while tempo and pitch are switched off).
  float storedTempo_ = 0, storedPitch_ = 0;
};

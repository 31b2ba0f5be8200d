#include "audio/OutputBoard.h"

#include <cmath>
#include <cstdio>

#include "access/Sliders.h"
#include "app/Commands.h"
#include "audio/OutputControls.h"
#include "audio/Playback.h"
#include "effects/EffectChain.h"
#include "effects/EffectHooks.h"
#include "effects/EffectSets.h"
#include "lang/Lang.h"
#include "playlist/PlayListView.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

// One step of the pitch spinner is half a semitone.
constexpr float kPitchStep = 0.5f;

float& StoredTempo() { return IsBookProfile() ? OutputChannel().Track.Tempo : OutputState().GlobalTempo; }
float& StoredPitch() { return IsBookProfile() ? OutputChannel().Track.Pitch : OutputState().GlobalPitch; }

void ChooseOutputEffect(int index) {
  ChooseDeviceEffect(kOutputEffectBase, kOutputEffectBase + index, true, false);
  ApplyDeviceEffect(kEffectDeviceOutput);
}

}  // namespace

OutputBoard::OutputBoard() {
  controls_[kBoardVolume] = {0, 100, GetMWNumber(setting::OutputVolume), 0, false};
  controls_[kBoardTempo] = {-50, 100, static_cast<int>(std::lround(EffectiveTempo())), 0, false};
  controls_[kBoardPitch] = {-50, 100, static_cast<int>(std::lround(EffectivePitch() / kPitchStep)), 0, false};
  controls_[kBoardEffect] = {0, kEffectSetCount - 1, OutputEffectIndex(), 0, false};
  for (auto& c : controls_) c.remembered = c.value;
  spinnersEnabled_ = IsFeatureAllowed(cmd::EnableTempoPitch) || (IsBookProfile() && OutputChannel().Handle != 0);
  storedTempo_ = StoredTempo();
  storedPitch_ = StoredPitch();
}

void OutputBoard::Refresh() {
  controls_[kBoardVolume].value = GetMWNumber(setting::OutputVolume);
  controls_[kBoardTempo].value = static_cast<int>(std::lround(EffectiveTempo()));
  controls_[kBoardPitch].value = static_cast<int>(std::lround(EffectivePitch() / kPitchStep));
  controls_[kBoardEffect].value = OutputEffectIndex();
}

bool OutputBoard::IsEnabled(int control) const {
  return (control != kBoardTempo && control != kBoardPitch) || spinnersEnabled_;
}

int OutputBoard::Change(int control, int value) {
  Control& c = controls_[Index(control)];
  if (!IsEnabled(control)) return c.value;
  switch (control) {
    case kBoardVolume:
      SetOutputVolume(value, 0, true);
      c.value = GetMWNumber(setting::OutputVolume);
      break;
    case kBoardTempo:
      c.value = static_cast<int>(std::lround(SetTempo(static_cast<float>(value), 0, true)));
      break;
    case kBoardPitch:
      // The spinner's range is wider than the pitch's: it follows what was applied.
      c.value = static_cast<int>(std::lround(SetPitch(static_cast<float>(value) * kPitchStep, 0, true) / kPitchStep));
      break;
    case kBoardEffect:
      if (value < 0 || value >= kEffectSetCount) return c.value;
      ChooseOutputEffect(value);
      c.value = OutputEffectIndex();
      break;
    default: return c.value;
  }
  c.changed = true;
  return c.value;
}

int OutputBoard::Step(int control, void (*operation)(SliderControl&)) {
  const Control& c = controls_[Index(control)];
  if (control != kBoardVolume && control != kBoardTempo && control != kBoardPitch) return c.value;
  SliderControl s;
  s.kind = control == kBoardVolume ? SliderControl::Slider : SliderControl::Spin;
  s.minimum = c.minimum;
  s.maximum = c.maximum;
  s.value = c.value;
  s.data = c.remembered;
  operation(s);
  return Change(control, s.value);
}

int OutputBoard::StepUp(int control) { return Step(control, SliderStepUp); }
int OutputBoard::StepDown(int control) { return Step(control, SliderStepDown); }
int OutputBoard::Reset(int control) { return Step(control, SliderReset); }

std::string OutputBoard::TempoText() const { return std::to_string(Value(kBoardTempo)) + " %"; }

std::string OutputBoard::PitchText() const {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f", static_cast<double>(Value(kBoardPitch)) * kPitchStep);
  return std::string(b) + " " + Lang("Unit.SemiTone");
}

std::vector<std::string> OutputBoard::EffectNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < kEffectSetCount; ++i) names.push_back(EffectSetName(i));
  return names;
}

int OutputBoard::NextControl(int control, int direction) const {
  int c = static_cast<int>(Index(control));
  for (int i = 0; i < kBoardControlCount; ++i) {
    c = (c + (direction < 0 ? kBoardControlCount - 1 : 1)) % kBoardControlCount;
    if (IsEnabled(c)) return c;
  }
  return control;
}

void OutputBoard::Ok() {
  if (!IsBookProfile()) return;
  const ::Track& playing = OutputChannel().Track;
  if (::Track* entry = FindTrack(playing.ID); entry && OutputChannel().Handle != 0) {
    entry->Tempo = playing.Tempo;
    entry->Pitch = playing.Pitch;
    RefreshRow(entry->ID);
  }
}

void OutputBoard::Cancel() {
  // Only what the window changed goes back: re-applying an unchanged spinner would put its
  // shown value (0 while tempo and pitch are off) over the value the user had stored.
  if (controls_[kBoardVolume].changed) SetOutputVolume(controls_[kBoardVolume].remembered, 0, true);
  if (controls_[kBoardTempo].changed) SetTempo(storedTempo_, 0, true);
  if (controls_[kBoardPitch].changed) SetPitch(storedPitch_, 0, true);
  ChooseOutputEffect(controls_[kBoardEffect].remembered);
  for (auto& c : controls_) {
    c.value = c.remembered;
    c.changed = false;
  }
}

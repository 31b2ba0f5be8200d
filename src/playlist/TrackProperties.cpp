#include "playlist/TrackProperties.h"

#include <algorithm>

#include "access/Templates.h"
#include "app/FileUtil.h"
#include "lang/Lang.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayerPort.h"
#include "playlist/Track.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {
void SetTimeField(SliderControl& c, int32_t maximum, int32_t value) {
  c.kind = SliderControl::Spin;
  c.minimum = 0;
  c.maximum = std::max<int32_t>(0, maximum);
  c.value = std::clamp<int32_t>(value, 0, c.maximum);
  SliderRemember(c);
}

std::string SpokenTime(int32_t seconds) { return FormatTime(seconds, TemplateText(setting::SayTime)); }
}  // namespace

SliderControl* TrackPropertiesForm::TimeField(PropertyField field) {
  if (field == PropertyField::Start) return &start;
  if (field == PropertyField::End) return &end;
  return nullptr;
}

std::string TrackPropertiesForm::StartText() const { return SpokenTime(start.value); }

std::string TrackPropertiesForm::EndLengthText() const { return SpokenTime(end.maximum); }

std::string TrackPropertiesForm::EndText() const {
  return end.value >= end.maximum ? std::string() : SpokenTime(end.value);
}

bool FillTrackProperties(TrackPropertiesForm& form, int32_t id) {
  const Track* t = FindTrack(id);
  if (!t) return false;
  form.id = id;
  form.title = Lang("Property\\Title.Edit", t->Name);
  form.alias = t->Alias;
  form.description = Lang("Property\\Desc.File", fileutil::FilePart(t->File)) + "\n" +
                     Lang("Property\\Desc.Path", fileutil::FolderPart(t->File)) + "\n" +
                     Lang("Property\\Desc.Duration", FormatTime(std::max<int32_t>(0, t->Length), "%hh:%ii:%ss"));
  // A stream has no length (-1): both fields stay at 0 rather than taking a range upside down.
  SetTimeField(form.start, t->Length - 1, t->Start);
  SetTimeField(form.end, t->Length, t->End);
  return true;
}

PropertiesAction TrackPropertiesCommand(TrackPropertiesForm& form, int32_t command, PropertyField focused,
                                        bool* handled) {
  bool used = true;
  PropertiesAction action = PropertiesAction::None;
  SliderControl* field = form.TimeField(focused);
  switch (command) {
    case propcmd::Cancel: action = PropertiesAction::Cancel; break;
    case propcmd::Confirm:
      action = focused == PropertyField::Cancel ? PropertiesAction::Cancel : PropertiesAction::Confirm;
      break;
    case propcmd::PreListen:
      if (field) PreListenTrackProperties(form, focused);
      else used = false;
      break;
    case propcmd::Reset:
    case propcmd::StepUp:
    case propcmd::StepDown:
    case propcmd::SecondUp:
    case propcmd::SecondDown:
      if (!field) {
        used = false;
        break;
      }
      if (command == propcmd::Reset) SliderReset(*field);
      else if (command == propcmd::StepUp) SliderStepUp(*field);
      else if (command == propcmd::StepDown) SliderStepDown(*field);
      else field->value = std::clamp(field->value + (command == propcmd::SecondUp ? 1 : -1), field->minimum, field->maximum);
      break;
    default: used = false; break;
  }
  if (handled) *handled = used;
  return action;
}

bool ApplyTrackProperties(const TrackPropertiesForm& form) {
  Track* t = FindTrack(form.id);
  if (!t) return false;
  // No order between start and end is imposed: the user may be setting one before the other.
  t->Alias = CleanText(form.alias);
  t->Start = form.start.value;
  t->End = form.end.value;
  return true;
}

int PreListenTrackProperties(const TrackPropertiesForm& form, PropertyField focused) {
  const SliderControl* field = focused == PropertyField::Start ? &form.start
                               : focused == PropertyField::End ? &form.end
                                                                : nullptr;
  if (!field) return 0;
  return Player().MonitorPreListen(form.id, field->value);
}

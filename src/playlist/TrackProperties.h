// The track properties window without its screen: the fields filled from one play list track,
// the keys that step and reset the time fields, pre-listening at the chosen point, and the
// confirmation that writes the track. The window only shows these fields and forwards keys.
#pragma once
#include <cstdint>
#include <string>

#include "access/Sliders.h"

// Window number of the properties window and its own key commands.
inline constexpr int kPropertiesWindow = 3800;
namespace propcmd {
inline constexpr int32_t Cancel = 3812;    // Escape
inline constexpr int32_t PreListen = 3814;  // Space
inline constexpr int32_t Reset = 3816;     // F1
inline constexpr int32_t Confirm = 3818;   // Return
inline constexpr int32_t StepUp = 3820;    // Page Up
inline constexpr int32_t StepDown = 3822;  // Page Down
// The arrows of a time field: one second per press.
inline constexpr int32_t SecondUp = 20001;
inline constexpr int32_t SecondDown = 20002;
}  // namespace propcmd

// The window's fields in tab order.
enum class PropertyField { Alias, Description, Start, End, Ok, Cancel };

enum class PropertiesAction { None, Confirm, Cancel };

struct TrackPropertiesForm {
  int32_t id = 0;  // the track the description field stands for
  std::string title;
  std::string alias;
  std::string description;  // three lines separated by "\n"
  SliderControl start{SliderControl::Spin};
  SliderControl end{SliderControl::Spin};

  // The time field of `field`, or null for the other fields.
  SliderControl* TimeField(PropertyField field);
  // What a time field shows: its value as spoken time; the end field is empty at its maximum
  // (the track plays to its end).
  std::string StartText() const;
  std::string EndText() const;
  // The end field's maximum as spoken time: what an empty end field stands for.
  std::string EndLengthText() const;
};

// Fills the form from the play list's track; false when there is no such track.
bool FillTrackProperties(TrackPropertiesForm& form, int32_t id);
// One key command of the window, with the field that has the focus. Keys that do not apply to
// the focused field answer None and leave the form as it was; *handled says whether the key was
// used (a Space in the alias field is the user's space, not a pre-listen).
PropertiesAction TrackPropertiesCommand(TrackPropertiesForm& form, int32_t command, PropertyField focused,
                                        bool* handled = nullptr);
// Writes alias (cleaned), start and end to the play list's track; false when it is gone.
bool ApplyTrackProperties(const TrackPropertiesForm& form);
// Plays the form's track on the Monitor from the focused time field's value; 1 when it plays.
int PreListenTrackProperties(const TrackPropertiesForm& form, PropertyField focused);

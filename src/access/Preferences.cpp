#include "access/Preferences.h"

#include "access/Shortcuts.h"
#include "access/Templates.h"
#include "app/AppState.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

bool IsShortcut(const Setting& s) { return s.Type == kSettingShortcut || s.Type == kSettingHotkey; }

int Ask(ShortcutEditorState& s, const std::string& title, const std::string& text, int flags) {
  if (s.ask) return s.ask(title, text, flags);
  return TheShell().MessageRequester(title, text, flags);
}

std::string Line(const ShortcutWorkEntry& e) { return Lang(e.key) + "=" + KeyName(text::ParseInt(e.value)); }

void FillKey(ShortcutEditorState& s) { s.keys = ShortcutKeyList(); }

void FillList(ShortcutEditorState& s) {
  s.work = ShortcutWorkList();
  s.lines.clear();
  for (const auto& e : s.work) s.lines.push_back(Line(e));
  s.selected = s.work.empty() ? -1 : 0;
}

void SetCheckBox(ShortcutEditorState& s) {
  if (s.selected < 0 || s.selected >= static_cast<int>(s.work.size())) return;
  int32_t code = text::ParseInt(s.work[static_cast<size_t>(s.selected)].value);
  s.alt = code & kModAlt;
  s.ctrl = code & kModCtrl;
  s.shift = code & kModShift;
  s.win = code & kModWin;
  s.keyIndex = -1;
  for (size_t i = 0; i < s.keys.size(); ++i)
    if (s.keys[i].code == (code & 0xFF)) {
      s.keyIndex = static_cast<int>(i);
      break;
    }
}

void Change(ShortcutEditorState& s) {
  if (s.selected < 0 || s.selected >= static_cast<int>(s.work.size())) return;
  ShortcutWorkEntry& entry = s.work[static_cast<size_t>(s.selected)];
  int32_t mods = (s.alt ? kModAlt : 0) + (s.ctrl ? kModCtrl : 0) + (s.shift ? kModShift : 0) + (s.win ? kModWin : 0);
  int32_t key = s.keyIndex >= 0 && s.keyIndex < static_cast<int>(s.keys.size())
                    ? s.keys[static_cast<size_t>(s.keyIndex)].code
                    : 0;
  if (key == 0 && mods != 0) {
    Ask(s, Lang("Msg.Error"), Lang("Msg.NoKeySelected"), kRequesterOk | kRequesterError);
    return;
  }
  int32_t code = mods + key;
  if (code != 0) {
    for (const auto& other : s.work) {
      if (other.command == entry.command || text::ParseInt(other.value) != code) continue;
      Ask(s, Lang("Msg.Error"), Lang("Msg.ExistShortcut") + "\r\n" + Lang(other.key), kRequesterOk | kRequesterError);
      return;
    }
  }
  entry.value = std::to_string(code);
  s.lines[static_cast<size_t>(s.selected)] = Line(entry);
  s.focusList = true;
  s.changed = true;
  if (entry.kind == kSettingHotkey && !IsGlobalCapable(code))
    Ask(s, Lang("Msg.Warning"), Lang("Msg.NotGlobalShortcut"), kRequesterOk | kRequesterWarning);
}

void Update(const ShortcutEditorState& s) {
  for (const auto& e : s.work) SetMWValue(e.command, e.value);
}

}  // namespace

const std::vector<PrefRow>& PreferenceRows() {
  using namespace setting;
  static const std::vector<PrefRow> rows = {
      {PrefRow::Language, 0, 0, "Pref\\General.Lang", "CDE"},
      {PrefRow::Text, 0, MyMusicFolder, "Pref\\MainPlay.MyMusicFolder", "CDE"},
      {PrefRow::Check, 0, ToogleShortcutSystrayOut, "Pref\\General.ToogleShortcutSystrayOut", "ABCDE"},
      {PrefRow::FontButton, 0, 0, "Pref\\General.EditionFont", "BCD"},
      {PrefRow::Text, 1, PlayingStatus, "Pref\\Display.PlayingStatus", "CDE"},
      {PrefRow::Text, 1, NormalStatus, "Pref\\Display.NormalStatus", "CDE"},
      {PrefRow::Text, 1, DisplayInfos, "Pref\\Display.Info", "CDE"},
      {PrefRow::Text, 1, DisplayTime, "Pref\\Display.Time", "CDE"},
      {PrefRow::Text, 1, SayTime, "Pref\\Display.SayTime", "CDE"},
      {PrefRow::Check, 1, TitleNameInFirst, "Pref\\Display.TitleNameInFirst", "ABCDE"},
      {PrefRow::Check, 2, AutoNextPlay, "Pref\\MainPlay.AutoNextPlay", "ABCDE"},
      {PrefRow::Check, 2, OnlyGoodExtension, "Pref\\MainPlay.OnlyGoodExtension", "ABCDE"},
      {PrefRow::Check, 2, ExamineBeforeAdd, "Pref\\MainPlay.ExamineBeforeAdd", "ABCDE"},
      {PrefRow::Check, 2, StartWithOldTracks, "Pref\\MainPlay.StartWithOldTracks", "ABCDE"},
  };
  return rows;
}

std::vector<ShortcutWorkEntry> ShortcutWorkList() {
  std::vector<ShortcutWorkEntry> out;
  for (int32_t kind : {kSettingShortcut, kSettingHotkey})
    for (const auto& s : SettingsList())
      if (IsShortcut(s) && s.Type == kind && s.Window == 0) out.push_back({s.Id, s.Name, s.Type, s.Value});
  return out;
}

std::vector<KeyChoice> ShortcutKeyList() {
  std::vector<KeyChoice> out;
  out.push_back({Lang("Key.NoKey"), 0});
  for (int32_t vk = 0; vk <= 255; ++vk) {
    std::string name = KeyName(vk);
    if (!name.empty()) out.push_back({name, vk});
  }
  return out;
}

void ShortcutEditor(const std::string& action, ShortcutEditorState& s) {
  std::string a = text::Lower(action);
  if (a == "fillkey") FillKey(s);
  else if (a == "filllist") FillList(s);
  else if (a == "setcheckbox") SetCheckBox(s);
  else if (a == "change") Change(s);
  else if (a == "update") Update(s);
}

void SplitFontText(const std::string& font, std::string& name, int& size) {
  size_t semi = font.find(';');
  name = font.substr(0, semi);
  size = semi == std::string::npos ? 0 : text::ParseInt(font.substr(semi + 1));
}

std::string FontText(const std::string& name, int size) { return name + ";" + std::to_string(size); }

void OpenPreferencesForm(PreferencesForm& form) {
  form.languageInUse = App.MainLang;
  form.fontInUse = GetMWValue(setting::FontEdit);
  form.font = form.fontInUse;
  form.texts.clear();
  form.checks.clear();
  for (const auto& row : PreferenceRows()) {
    if (row.kind == PrefRow::Text) form.texts[row.id] = TemplateText(row.id);
    else if (row.kind == PrefRow::Check) form.checks[row.id] = GetMWFlag(row.id);
  }
  form.languages = LanguageNames();
  form.language = LanguageIndex(form.languages, App.MainLang);
  ShortcutEditor("FillKey", form.shortcuts);
  ShortcutEditor("Filllist", form.shortcuts);
  ShortcutEditor("SetCheckBox", form.shortcuts);
}

PrefConfirmResult ConfirmPreferences(PreferencesForm& form) {
  PrefConfirmResult r;
  for (const auto& [id, value] : form.texts) SetMWValue(id, TemplateToStore(id, value));
  for (const auto& [id, on] : form.checks) SetMWFlag(id, on);
  // No language files found: the one in use stays.
  if (form.language >= 0 && form.language < static_cast<int>(form.languages.size()))
    App.MainLang = form.languages[static_cast<size_t>(form.language)];
  if (text::Lower(App.MainLang) != text::Lower(form.languageInUse)) {
    r.languageChanged = true;
    Ask(form.shortcuts, Lang("Msg.Info"), Lang("Msg.ChangeLang"), kRequesterOk | kRequesterInfo);
  }
  if (form.shortcuts.changed) {
    RemoveWindowShortcuts(0);
    ShortcutEditor("Update", form.shortcuts);
    InstallMainShortcuts();
    r.shortcutsInstalled = true;
  }
  if (form.font != form.fontInUse) {
    SetMWValue(setting::FontEdit, form.font);
    r.fontChanged = true;
  }
  Pref_Save(true);
  return r;
}

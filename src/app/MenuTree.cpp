#include "app/MenuTree.h"

#include "app/Commands.h"
#include "lang/Lang.h"

namespace {

MenuNode Item(int id, const std::string& key, bool check = false) {
  MenuNode n;
  n.id = id;
  n.text = Lang(key);
  n.checkable = check;
  return n;
}
MenuNode ItemText(int id, const std::string& text, bool check = false) {
  MenuNode n;
  n.id = id;
  n.text = text;
  n.checkable = check;
  return n;
}
MenuNode Sub(const std::string& key, std::vector<MenuNode> children) {
  MenuNode n;
  n.kind = MenuNode::Submenu;
  n.text = Lang(key);
  n.children = std::move(children);
  return n;
}
MenuNode Sep() {
  MenuNode n;
  n.kind = MenuNode::Separator;
  return n;
}
std::vector<MenuNode> Numbered(int first, int count, bool check) {
  std::vector<MenuNode> v;
  for (int i = 0; i < count; ++i) v.push_back(ItemText(first + i, Lang("Menu\\Effects.Number", std::to_string(i)), check));
  return v;
}
std::vector<MenuNode> Recent(int first) {
  std::vector<MenuNode> v;
  for (int i = 0; i < 20; ++i) {
    MenuNode n = ItemText(first + i, "");
    n.enabled = false;
    v.push_back(n);
  }
  return v;
}

}  // namespace

std::vector<MenuNode> MainMenuTree(bool whatsNew) {
  using namespace cmd;
  std::vector<MenuNode> bar;
  bar.push_back(Sub("Menu.File", {
      Sub("Menu\\File.Open", {Item(OpenFile, "Menu\\File.OpenFile"), Item(OpenFolder, "Menu\\File.OpenFolder"),
                              Item(OpenURL, "Menu\\File.OpenURL")}),
      Sub("Menu\\File.Add", {Item(AddFile, "Menu\\File.AddFile"), Item(AddFolder, "Menu\\File.AddFolder"),
                             Item(AddURL, "Menu\\File.AddURL")}),
      Item(Explore, "Menu\\File.Explore"),
      Item(ExploreMyMusic, "Menu\\File.ExploreMyMusic"),
      Sub("Menu\\File.Save", {Item(SavePlayList, "Menu\\File.SavePlayList"),
                              Item(SavePlayedList, "Menu\\File.SavePlayedList")}),
      Sep(),
      Sub("Menu\\File.RecentFiles", Recent(RecentFileFirst)),
      Sub("Menu\\File.RecentPlayFiles", Recent(RecentPlayFileFirst)),
      Item(Quit, "Menu\\File.Quit"),
  }));
  bar.push_back(Sub("Menu.PlayList", {
      Sub("Menu\\PlayList.Profil", {Item(ProfilDefault, "Profil.Default", true), Item(ProfilMusik, "Profil.Musik", true),
                                    Item(ProfilBook, "Profil.Book", true), Item(ProfilRadio, "Profil.Radio", true)}),
      Item(PreviousTrack, "Menu\\PlayList.PreviousTrack"),
      Item(NextTrack, "Menu\\PlayList.NextTrack"),
      Item(Property, "Menu\\PlayList.Property"),
      Sep(),
      Item(Fading, "Menu\\PlayList.Fading", true),
      Item(Looping, "Menu\\PlayList.Looping", true),
      Item(Random, "Menu\\PlayList.Random", true),
      Item(RemovePlayed, "Menu\\PlayList.RemovePlayed", true),
  }));
  std::vector<MenuNode> outFx = Numbered(OutputEffectFirst, 10, true);
  outFx.push_back(Item(NoKeepEffect, "Menu\\Output.NoKeepEffect", true));
  bar.push_back(Sub("Menu.Output", {
      Item(Play, "Menu\\Output.Play"),
      Item(Pause, "Menu\\Output.Pause", true),
      Item(Stop, "Menu\\Output.Stop"),
      Sep(),
      Item(GoToPosition, "Menu\\Output.GoToPosition"),
      Item(PositionBackward, "Menu\\Output.PositionBackward"),
      Item(PositionForward, "Menu\\Output.PositionFordward"),
      Item(PreviousChapter, "Menu\\Output.PreviousChapter"),
      Item(NextChapter, "Menu\\Output.NextChapter"),
      Item(SleepTimer, "Menu\\Output.SleepTimer"),
      Sep(),
      Item(ParamEQ, "Menu\\Output.ParamEQ"),
      Sub("Menu\\Output.Volume", {Item(VolumeUp, "More"), Item(VolumeDown, "Less"),
                                  Item(VolumeMute, "Menu\\Output.VolumeMute", true)}),
      Sub("Menu\\Output.TempoPitch", {Item(TempoUp, "Menu\\Output.TempoUp"), Item(TempoDown, "Menu\\Output.TempoDown"),
                                      Item(PitchUp, "Menu\\Output.PitchUp"), Item(PitchDown, "Menu\\Output.PitchDown"),
                                      Item(EnableTempoPitch, "Menu\\Output.EnableTempoPitch", true),
                                      Item(NoKeepTempoPitch, "Menu\\Output.NoKeepTempoPitch", true)}),
      Sub("Menu\\Effects.OnOutput", outFx),
      Item(Board, "Menu\\Output.Board"),
  }));
  std::vector<MenuNode> monitor = {Item(MonitorPlay, "Menu\\Monitor.Play"),
                                   Item(MonitorPause, "Menu\\Monitor.Pause", true),
                                   Item(MonitorStop, "Menu\\Monitor.Stop"),
                                   Sep(),
                                   Item(MonitorLowVolume, "Menu\\Monitor.LowVolume", true),
                                   Item(MonitorHighVolume, "Menu\\Monitor.HighVolume", true),
                                   Sep(),
                                   Sub("Menu\\Effects.OnMonitor", Numbered(MonitorEffectFirst, 10, true))};
  bar.push_back(Sub("Menu.Monitor", monitor));
  bar.push_back(Sub("Menu.Config", {
      Item(ConfigOutput, "Menu\\Config.Output"),
      Item(ConfigMonitor, "Menu\\Config.Monitor"),
      Sub("Menu\\Effects.Config", Numbered(EffectsConfigFirst, 10, false)),
      Sep(),
      Item(EditPref, "Menu\\File.EditPref"),
  }));
  std::vector<MenuNode> about = {Item(Help, "Menu\\About.Help")};
  if (whatsNew) about.push_back(Item(WhatNews, "Menu\\About.WhatNews"));
  about.push_back(Item(CheckNewVersion, "Menu\\About.CheckNewVersion"));
  about.push_back(Item(Info, "Menu\\About.Info"));
  about.push_back(Item(About, "Menu\\About.About"));
  bar.push_back(Sub("Menu.About", about));
  return bar;
}

std::vector<MenuNode> SystrayMenuTree() {
  using namespace cmd;
  MenuNode info = ItemText(SystrayInfoItem, "");
  info.enabled = false;
  return {ItemText(OnTopOrSystrayOut, Lang("Systray\\Menu.OnTop") + "Tondrial"),
          info,
          Item(HotkeyPause, "Systray\\Menu.Pause", true),
          Item(HotkeyForward, "Systray\\Menu.Forward"),
          Item(HotkeyBackward, "Systray\\Menu.BackWard"),
          Sep(),
          Item(HotkeyVolumeUp, "Systray\\Menu.VolumeUp"),
          Item(HotkeyVolumeDown, "Systray\\Menu.VolumeDown"),
          Item(HotkeyVolumeMute, "Systray\\Menu.VolumeMute", true),
          Sep(),
          Item(HotkeyNextTrack, "Systray\\Menu.NextTrack"),
          Item(HotkeyPrevTrack, "Systray\\Menu.PrevTrack"),
          Item(HotkeyInfo, "Systray\\Menu.Info"),
          Sep(),
          ItemText(SystrayQuit, "Quitter Tondrial")};
}

std::vector<MenuNode> MenuItems(const std::vector<MenuNode>& tree) {
  std::vector<MenuNode> out;
  for (const auto& n : tree) {
    if (n.kind == MenuNode::Item) out.push_back(n);
    if (n.kind == MenuNode::Submenu) {
      auto sub = MenuItems(n.children);
      out.insert(out.end(), sub.begin(), sub.end());
    }
  }
  return out;
}

MainLayout LayoutMainWindow(int W, int H) {
  constexpr int kMargin = 5, kSpacing = 3, kButtonH = 40, kVolumeW = 100, kPositionH = 25;
  const int B = (W - kVolumeW - 4 * kSpacing) / 2;
  const int col = kMargin + kVolumeW + kMargin;  // 110
  MainLayout l;
  l.volumeLabel = {kMargin, kSpacing, kVolumeW, 20};
  l.volume = {kMargin + (kVolumeW - 30) / 2, 23, 30, 94};
  l.play = {col, kSpacing, B, kButtonH};
  l.pause = {col + B + kMargin, kSpacing, B, kButtonH};
  l.stop = {col, 46, B, kButtonH};
  l.record = {col + B + kMargin, 46, B, kButtonH};
  l.position = {col, 89, W - 115, kPositionH};
  l.playList = {kMargin, 119, W - 10, H - 124};
  // Columns: five of width s, the name column takes the rest. s is (L - 50) / 10 rounded
  // to nearest with halves to even, in integers so that 2.5 is not 2.5000000001.
  const int L = W - 10;
  int q = (L - 50) / 10, r = (L - 50) % 10;
  if (r < 0) { r += 10; --q; }
  if (r > 5 || (r == 5 && (q % 2 != 0))) ++q;
  const int s = q;
  for (int c = 0; c < 6; ++c) l.columns[c] = s;
  l.columns[1] = L - 50 - 4 * s;
  return l;
}

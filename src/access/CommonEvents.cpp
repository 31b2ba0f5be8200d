#include "access/CommonEvents.h"

#include "access/Shortcuts.h"
#include "access/Templates.h"

namespace {
CommonCommands*& Registered() {
  static CommonCommands* c = nullptr;
  return c;
}

bool HandleMonitorCommand(CommonCommands& c, int32_t command) {
  switch (command) {
    case 210: c.MonitorPlaySelected(); return true;
    case 211: c.MonitorTogglePause(); return true;
    case 212: c.MonitorStop(); return true;
    case 213: c.MonitorLowVolume(); return true;
    case 214: c.MonitorHighVolume(); return true;
    default: return false;
  }
}
}  // namespace

CommonCommands& TheCommonCommands() {
  static CommonCommands none;
  return Registered() ? *Registered() : none;
}

void SetCommonCommands(CommonCommands* commands) { Registered() = commands; }

bool HandleCommonEvent(const CommonEvent& event, bool fromMainWindow) {
  CommonCommands& c = TheCommonCommands();
  if (event.kind == CommonEvent::Timer) {
    if (event.id == kTimerMonitorRepeat) {
      c.CountDownMonitorRepeat();
      return true;
    }
    if (event.id == kTimerSyncEvents) {
      c.ProcessSyncEvents();
      return true;
    }
    return false;
  }
  if (event.kind != CommonEvent::Menu) return false;
  if (HandleMonitorCommand(c, event.id)) return true;
  switch (event.id) {
    case 203: c.ChangePitch(-0.5); break;
    case 202: c.ChangePitch(0.5); break;
    case 201: c.ChangeTempo(-1.0); break;
    case 200: c.ChangeTempo(1.0); break;
    case 198: c.ToggleTempoPitch(); break;
    case 190: SayStatus(); break;
    case 192:
    case 223: c.TogglePause(); break;
    case 193:
    case 224: c.StopOutput(); break;
    case 207:
    case 228: c.JumpPosition(-10); break;
    case 206:
    case 227: c.JumpPosition(10); break;
    case 197: c.ToggleMute(); break;
    case 196:
    case 226: c.StepVolume(-10); break;
    case 195:
    case 225: c.StepVolume(10); break;
    case 183:
      if (fromMainWindow) c.OpenPlayedListWindow();
      else c.ReplayLastPlayed();
      break;
    case 184:
      c.SwitchLoopingOff();
      c.StartNextTrack();
      break;
    default: return false;
  }
  return true;
}

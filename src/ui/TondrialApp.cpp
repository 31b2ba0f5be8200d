#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/msgdlg.h>
#include <wx/timer.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <memory>

#include "access/Shortcuts.h"
#include "access/Speech.h"
#include "app/AppHooks.h"
#include "audio/Playback.h"
#include "audio/Wiring.h"
#include "app/AppState.h"
#include "app/Commands.h"
#include "app/Dispatch.h"
#include "app/ListModel.h"
#include "app/Shell.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#ifdef __WXGTK__
#include "mpris/MprisBus.h"
#endif
#include "platform/Platform.h"
#include "playlist/PlayListView.h"
#include "settings/Settings.h"
#include "ui/HotkeyGrabber.h"
#include "ui/GtkAccess.h"
#include "ui/MainFrame.h"
#include "ui/Run.h"
#include "ui/Windows.h"
#include "ui/WxShell.h"

namespace {

std::atomic<bool> g_quitSignal{false};

void OnQuitSignal(int) { g_quitSignal = true; }

#if wxUSE_EVENTLOOP_SOURCE
// Short enough that a second start seems to bring the window back at once.
constexpr int kHandOverPollMs = 200;

class HandOverTimer : public wxTimer {
 public:
  void Notify() override { PollMainWindowHook(); }
};

// Wakes the main loop only when another copy calls, so an idle program does not poll.
class HandOverWatch : public wxEventLoopSourceHandler {
 public:
  std::unique_ptr<wxEventLoopSource> source;
  void OnReadWaiting() override { Serve(); }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override { Serve(); }

 private:
  void Serve() {
    // Closed at shut-down while the loop still runs: stop watching what its number may now be.
    if (MainWindowHookHandle() < 0) {
      source.reset();
      return;
    }
    PollMainWindowHook();
  }
};
#endif

}  // namespace

class TondrialApp : public wxApp {
 public:
  bool OnInit() override {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i].utf8_str());
    std::string programFile = platform::ProgramFile();
    InstallWindows();
    InstallGlobalHotkeys();
    WireProgram({.singleInstance = CheckSingleInstance, .openWindow = OpenWindowCommand});
    // The audio library's thread asks for the queued end-of-track events to be handled now:
    // post to the main loop, never block there.
    SetSyncWakeUp([] {
      if (wxTheApp) wxTheApp->CallAfter([] { MainWindowTimer(timer::SyncEvents); });
    });
    StartUpLogic(args, programFile);
    StartSpeechThread();
    std::signal(SIGTERM, OnQuitSignal);
    std::signal(SIGINT, OnQuitSignal);

    gtkaccess::NoSelectOnFocus();
    frame_ = new MainFrame(PlayListRows());
    shell_ = std::make_unique<WxShell>(frame_);
    SetShell(shell_.get());
    frame_->StartTimers();
    frame_->InstallShortcuts();
    // A second copy started later finds this window and asks it to come back.
    if (InstallMainWindowHook()) {
#if wxUSE_EVENTLOOP_SOURCE
      handOverWatch_.source.reset(
          wxEventLoopBase::AddSourceForFD(MainWindowHookHandle(), &handOverWatch_, wxEVENT_SOURCE_INPUT));
      if (!handOverWatch_.source) handOver_.Start(kHandOverPollMs);
#else
      // Windows: the channel is a window of this thread, whose WM_COPYDATA the toolkit's
      // message loop dispatches; the first poll gives it its handler.
      PollMainWindowHook();
#endif
    }
    if (Hooks().startAudio) Hooks().startAudio();
    // Media keys and remote controls of the desktop: Raise as the hand-over of a second start
    // does, Quit as a desktop logout does (the next timer turn quits in order).
#ifdef __WXGTK__
    mpris::StartRemoteControl({[] { RestoreFromSystray(); }, [] { App.QuitRequested = true; }});
#endif
    if (App.HiddenInSystray) {
      frame_->Hide();
    } else {
      frame_->Show(true);
      frame_->Gadget(gadget::PlayList)->SetFocus();
    }
    SetTopWindow(frame_);
    return true;
  }

  int OnExit() override {
#if wxUSE_EVENTLOOP_SOURCE
    handOver_.Stop();
    handOverWatch_.source.reset();
#endif
#ifdef __WXGTK__
    mpris::StopRemoteControl();
#endif
    SetSyncWakeUp(nullptr);
    StopSpeechThread();
    UnwireProgram();
    SetShell(nullptr);
    shell_.reset();
    return wxApp::OnExit();
  }

 private:
  MainFrame* frame_ = nullptr;
  std::unique_ptr<WxShell> shell_;
#if wxUSE_EVENTLOOP_SOURCE
  HandOverTimer handOver_;
  HandOverWatch handOverWatch_;
#endif
};

wxIMPLEMENT_APP_NO_MAIN(TondrialApp);

bool QuitSignalled() { return g_quitSignal; }

void FatalCreationError(int code) {
  wxMessageBox(wxString::FromUTF8(FatalCreationErrorText(code, "")), wxString::FromUTF8(kFatalTitle),
               wxOK | wxICON_ERROR);
  std::_Exit(0);
}

int RunUi(int argc, char** argv) {
#ifdef __WXMSW__
  // Windows' own wide command line: the C runtime's argv holds the ANSI code page's rendering,
  // which loses any character outside it.
  (void)argc;
  (void)argv;
  return wxEntry();
#else
  return wxEntry(argc, argv);
#endif
}

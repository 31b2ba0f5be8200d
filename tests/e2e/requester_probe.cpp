// Opens one requester over a small frame, prints how it ended, and exits:
//   requester_probe DATA_DIR message FLAGS TEXT
//   requester_probe DATA_DIR input OPTIONS DEFAULT
// The playback keys pressed inside print "common ...", and the frame's timers 2 and 3 count
// their ticks while the requester is open.
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "access/CommonEvents.h"
#include "access/ShortcutTable.h"
#include "app/AppState.h"
#include "lang/Lang.h"
#include "ui/Requesters.h"

namespace {
void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

class PrintedCommands : public CommonCommands {
 public:
  void TogglePause() override { Say("common pause"); }
  void StepVolume(int step) override { Say("common volume " + std::to_string(step)); }
};

class ProbeFrame : public wxFrame {
 public:
  ProbeFrame() : wxFrame(nullptr, wxID_ANY, "Requester probe", wxDefaultPosition, wxSize(500, 400)) {
    for (int id : {2, 3}) {
      timers_[id] = std::make_unique<wxTimer>(this, id);
      timers_[id]->Start(id == 2 ? 500 : 300);
    }
    Bind(wxEVT_TIMER, [this](wxTimerEvent& e) { ++ticks[e.GetId()]; });
  }
  ~ProbeFrame() override {
    for (auto& t : timers_) t.second->Stop();
  }
  std::map<int, int> ticks;

 private:
  std::map<int, std::unique_ptr<wxTimer>> timers_;
};

// Shows control characters so the test can read them.
std::string Visible(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c < 32) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}
}  // namespace

class ProbeApp : public wxApp {
 public:
  bool OnInit() override {
    if (argc < 5) {
      std::fprintf(stderr, "usage: requester_probe DATA_DIR message|input FLAGS TEXT\n");
      return false;
    }
    App.MainPath = std::string(argv[1].utf8_str()) + "/";
    LoadLanguage("");
    RegisterShortcutSettings();
    SetCommonCommands(&commands_);
    mode_ = std::string(argv[2].utf8_str());
    number_ = std::atoi(argv[3].utf8_str());
    text_ = std::string(argv[4].utf8_str());
    // "\t" in the argument stands for a tab.
    for (size_t at; (at = text_.find("\\t")) != std::string::npos;) text_.replace(at, 2, "\t");
    frame_ = new ProbeFrame;
    frame_->Show();
    CallAfter([this] { RunRequester(); });
    return true;
  }

 private:
  void RunRequester() {
    frame_->ticks.clear();
    if (mode_ == "message") {
      int r = MessageRequester(frame_, "Question", text_, number_);
      Say("result " + std::to_string(r));
    } else {
      InputEnd how = InputEnd::Closed;
      std::string a = InputRequester(frame_, "Saisie", "Votre choix :", text_, number_, &how);
      Say("answer [" + Visible(a) + "] " +
          (how == InputEnd::Accepted ? "accepted" : how == InputEnd::Escaped ? "escaped" : "closed"));
    }
    Say("timer2 " + std::to_string(frame_->ticks[2]) + " timer3 " + std::to_string(frame_->ticks[3]));
    SetCommonCommands(nullptr);
    frame_->Destroy();
  }

  PrintedCommands commands_;
  ProbeFrame* frame_ = nullptr;
  std::string mode_, text_;
  int number_ = 0;
};

wxIMPLEMENT_APP(ProbeApp);

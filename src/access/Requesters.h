// The keyboard behaviour and geometry of the message and input requesters, kept apart from
// the toolkit so every rule runs without a display. The UI window drives a RequesterKeys
// object with what happens (keys, clicks, activation, time) and shows its focus.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/Shell.h"

// Button sets of MessageRequester.
inline constexpr int kButtonsYesNoCancel = 3;
inline constexpr int kButtonsYesNo = 4;
inline constexpr int kButtonsOk = 0;  // any other value
// The Shell's requester flags in terms of button sets.
int ButtonSetFromFlags(int flags);

struct RequesterRect {
  int x = 0, y = 0, w = 0, h = 0;
};

enum class RequesterControl { Message, Yes, No, Cancel };  // Yes stands for OK too

struct MessageRequesterGeometry {
  int width = 300, height = 0;
  int lines = 3;      // rows of the message, 3 to 20
  RequesterRect message;
  std::vector<std::pair<RequesterControl, RequesterRect>> buttons;  // in focus order
  RequesterControl defaultButton = RequesterControl::Yes;
};
MessageRequesterGeometry MessageRequesterLayout(const std::string& message, int buttonSet);

// Language key of a button's text.
const char* RequesterButtonKey(RequesterControl button, int buttonSet);

// Commands the requester window's keys send (kept clear of the player's command numbers).
inline constexpr int32_t kReqCmdYes = 9001;
inline constexpr int32_t kReqCmdNo = 9002;
inline constexpr int32_t kReqCmdCancel = 9003;
inline constexpr int32_t kReqCmdNext = 9004;
inline constexpr int32_t kReqCmdPrevious = 9005;
inline constexpr int32_t kReqCmdActivate = 9006;
inline constexpr int32_t kReqCmdEscape = 9007;

class RequesterKeys {
 public:
  explicit RequesterKeys(int buttonSet);

  // Installs the keys on the window: Return, Escape, arrows, Tab/Shift+Tab, and each
  // button's letter with and without Alt. Call after SetupChildWindow so they win.
  void InstallKeys(int window) const;
  // One command of the window (a key above, or a button click as kReqCmdYes/No/Cancel).
  void Command(int32_t command, int64_t nowMs);
  void Next();
  void Previous();
  void Activate();
  void Escape();
  void Click(RequesterControl button);
  void Closed();
  // The window is shown or comes back to the front: the message is focused and read first.
  void Activated(int64_t nowMs);
  // Called on every turn of the loop: 300 ms after activation the focus goes to the first
  // button, once, unless the user already moved it to a button.
  void Tick(int64_t nowMs);

  RequesterControl Focus() const { return focus_; }
  bool Answered() const { return result_ != 0; }
  int Result() const { return result_; }  // 6 yes/OK, 7 no, 2 cancel; 0 while open
  bool HasButton(RequesterControl b) const;

 private:
  std::vector<RequesterControl> order_;  // message first, then the buttons
  int set_;
  RequesterControl focus_ = RequesterControl::Message;
  int result_ = 0;
  int64_t deadline_ = 0;
  bool moved_ = true;  // the move to the first button is done for this activation
};

// Input requester options: bits 0-7 the maximum length (0 none), and these flags.
inline constexpr int kInputPassword = 65536;
inline constexpr int kInputDigits = 131072;
inline constexpr int kInputEscapeGives27 = 262144;

struct InputRequesterSetup {
  bool dropDown = false;             // the default held tabs: an editable list
  std::vector<std::string> choices;  // its entries, the first selected
  std::string text;                  // the field's text (whole text selected)
  int maxLength = 0;                 // characters, 0 = no limit
  bool password = false, digitsOnly = false;
  RequesterRect prompt{10, 8, 380, 50}, field{10, 61, 380, 20}, ok{170, 89, 60, 23};
  int width = 400, height = 120;
};
InputRequesterSetup PrepareInputRequester(const std::string& defaultText, int options);
// A field limited to digits takes only these characters.
bool InputAcceptsChar(int options, char32_t c);

enum class InputEnd { Accepted, Escaped, Closed };
// The answer text for how the requester ended.
std::string InputRequesterAnswer(InputEnd how, const std::string& fieldText, int options);

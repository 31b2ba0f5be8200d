#include "access/Requesters.h"

#include <algorithm>

#include "access/Shortcuts.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"

int ButtonSetFromFlags(int flags) {
  switch (flags & 15) {
    case kRequesterYesNo: return kButtonsYesNo;
    case kRequesterYesNoCancel: return kButtonsYesNoCancel;
    default: return kButtonsOk;
  }
}

MessageRequesterGeometry MessageRequesterLayout(const std::string& message, int set) {
  MessageRequesterGeometry g;
  int lf = static_cast<int>(std::count(message.begin(), message.end(), '\n'));
  g.lines = std::clamp(lf, 3, 20);
  g.message = {10, 10, 280, g.lines * 22};
  int y = g.lines * 22;
  if (set == kButtonsYesNo || set == kButtonsYesNoCancel) {
    g.buttons.push_back({RequesterControl::Yes, {10, y, 86, 22}});
    g.buttons.push_back({RequesterControl::No, {106, y, 86, 22}});
    if (set == kButtonsYesNoCancel) g.buttons.push_back({RequesterControl::Cancel, {202, y, 86, 22}});
  } else {
    g.buttons.push_back({RequesterControl::Yes, {106, y, 86, 22}});
  }
  g.height = g.lines * 22 + 44;
  return g;
}

const char* RequesterButtonKey(RequesterControl b, int set) {
  switch (b) {
    case RequesterControl::Yes:
      return set == kButtonsYesNo || set == kButtonsYesNoCancel ? "RequestButton.Yes" : "RequestButton.Ok";
    case RequesterControl::No: return "RequestButton.No";
    case RequesterControl::Cancel: return "RequestButton.Cancel";
    default: return "";
  }
}

RequesterKeys::RequesterKeys(int set) : set_(set) {
  order_.push_back(RequesterControl::Message);
  for (const auto& b : MessageRequesterLayout("", set).buttons) order_.push_back(b.first);
}

bool RequesterKeys::HasButton(RequesterControl b) const {
  return b != RequesterControl::Message && std::find(order_.begin(), order_.end(), b) != order_.end();
}

void RequesterKeys::InstallKeys(int window) const {
  AddWindowShortcut(window, 13, kReqCmdActivate);
  AddWindowShortcut(window, 27, kReqCmdEscape);
  for (int32_t k : {40, 39, 9}) AddWindowShortcut(window, k, kReqCmdNext);
  for (int32_t k : {38, 37, kModShift + 9}) AddWindowShortcut(window, k, kReqCmdPrevious);
  for (size_t i = 1; i < order_.size(); ++i) {
    int32_t cmd = order_[i] == RequesterControl::Yes ? kReqCmdYes
                  : order_[i] == RequesterControl::No ? kReqCmdNo
                                                      : kReqCmdCancel;
    AddMnemonicShortcut(Lang(RequesterButtonKey(order_[i], set_)), window, cmd);
  }
}

void RequesterKeys::Command(int32_t command, int64_t nowMs) {
  switch (command) {
    case kReqCmdYes: Click(RequesterControl::Yes); break;
    case kReqCmdNo: Click(RequesterControl::No); break;
    case kReqCmdCancel: Click(RequesterControl::Cancel); break;
    case kReqCmdNext: Next(); break;
    case kReqCmdPrevious: Previous(); break;
    case kReqCmdActivate: Activate(); break;
    case kReqCmdEscape: Escape(); break;
    default: break;
  }
  Tick(nowMs);
}

void RequesterKeys::Next() {
  auto it = std::find(order_.begin(), order_.end(), focus_);
  focus_ = (it == order_.end() || it + 1 == order_.end()) ? order_.front() : *(it + 1);
}

void RequesterKeys::Previous() {
  auto it = std::find(order_.begin(), order_.end(), focus_);
  focus_ = (it == order_.end() || it == order_.begin()) ? order_.back() : *(it - 1);
}

void RequesterKeys::Activate() {
  if (focus_ == RequesterControl::Cancel) result_ = kAnswerCancel;
  else if (focus_ == RequesterControl::No) result_ = kAnswerNo;
  else result_ = kAnswerYes;
}

void RequesterKeys::Escape() {
  if (HasButton(RequesterControl::Cancel)) result_ = kAnswerCancel;
}

void RequesterKeys::Click(RequesterControl b) {
  if (!HasButton(b)) return;  // a letter of a button this requester does not have
  result_ = b == RequesterControl::Yes ? kAnswerYes : b == RequesterControl::No ? kAnswerNo : kAnswerCancel;
}

void RequesterKeys::Closed() { result_ = kAnswerCancel; }

void RequesterKeys::Activated(int64_t nowMs) {
  focus_ = RequesterControl::Message;
  deadline_ = nowMs + 300;
  moved_ = false;
}

void RequesterKeys::Tick(int64_t nowMs) {
  if (moved_ || nowMs < deadline_) return;
  moved_ = true;
  if (focus_ == RequesterControl::Message) focus_ = order_[1];
}

InputRequesterSetup PrepareInputRequester(const std::string& def, int options) {
  InputRequesterSetup s;
  s.maxLength = options & 255;
  s.password = (options & kInputPassword) != 0;
  s.digitsOnly = (options & kInputDigits) != 0;
  std::string text = def;
  if (s.maxLength > 0 && text::CharCount(text) > static_cast<size_t>(s.maxLength)) {
    // Cut at a character boundary: the text is UTF-8.
    size_t chars = 0, i = 0;
    while (i < text.size() && chars < static_cast<size_t>(s.maxLength)) {
      ++i;
      while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
      ++chars;
    }
    text.resize(i);
  }
  if (text.find('\t') != std::string::npos) {
    s.dropDown = true;
    s.choices = text::Split(text, '\t');
    s.text = s.choices.front();
  } else {
    s.text = text;
  }
  return s;
}

bool InputAcceptsChar(int options, char32_t c) {
  if (!(options & kInputDigits)) return true;
  return c >= U'0' && c <= U'9';
}

std::string InputRequesterAnswer(InputEnd how, const std::string& fieldText, int options) {
  switch (how) {
    case InputEnd::Accepted: return fieldText;
    case InputEnd::Escaped: return (options & kInputEscapeGives27) ? std::string(1, '\x1b') : std::string();
    case InputEnd::Closed: return {};
  }
  return {};
}

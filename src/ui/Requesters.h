// The program's own message and input boxes: every one behaves the same for a screen-reader
// user (message read first, then the default button; letters, arrows and Tab; playback keys
// keep working while it is open).
#pragma once
#include <string>

#include "access/Requesters.h"

class wxWindow;

// flags: the Shell's requester flags (button set in the low bits). Returns 6 (Yes/OK), 7 (No)
// or 2 (Cancel, Escape with a Cancel button, or the window closed).
int MessageRequester(wxWindow* parent, const std::string& title, const std::string& text, int flags);

// options: maximum length in bits 0-7, kInputPassword, kInputDigits, kInputEscapeGives27.
// A default holding tabs offers its parts in an editable drop-down list. how (optional) tells
// whether the answer was accepted, escaped or the window closed.
std::string InputRequester(wxWindow* parent, const std::string& title, const std::string& prompt,
                           const std::string& defaultText, int options, InputEnd* how = nullptr);

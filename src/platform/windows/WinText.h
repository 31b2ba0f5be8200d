// UTF-8 to UTF-16 and back: every Windows call here takes wide text, so no path depends on the
// system's ANSI code page.
#pragma once
#include <string>

namespace platform::win {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
std::string Utf8(const wchar_t* wide);
// Back slashes turned into the forward ones the rest of the program joins paths with.
std::string ForwardSlashes(std::string path);

}  // namespace platform::win

// Names of the audio library's error codes, and the one check after calls into it.
#pragma once
#include <string>

std::string BassErrorName(int code);
void LogBassError(const std::string& context);

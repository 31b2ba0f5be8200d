// The audio library's error codes as the names the event log shows.
#pragma once
#include <string>

// The name of an error code; an unknown code gives "BASS_ERROR No " and the code in decimal.
std::string BassErrorName(int code);
// The check after a call into the audio library: when it reports an error, logs
// "! " name ". " context. Returns the error code (0 when there is none).
int LogBassError(const std::string& context);

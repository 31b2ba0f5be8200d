#include "audio/AudioErrors.h"

#include "app/EventLog.h"
#include "audiolib/AudioLib.h"

std::string BassErrorName(int code) {
  // The log readers know these texts, odd spellings included: they stay as they are.
  switch (code) {
    case 0: return "BASS_OK";
    case 1: return "BASS_ERROR_MEM";
    case 2: return "BASS_ERROR_FILEOPEN";
    case 3: return "BASS_ERROR_DRIVER";
    case 4: return "BASS_ERROR_BUFLOST";
    case 5: return "BASS_ERROR_HANDLE";
    case 6: return "BASS_ERROR_FORMAT";
    case 7: return "BASS_ERROR_POSITION";
    case 8: return "BASS_ERROR_INIT";
    case 9: return "BASS_ERROR_START";
    case 14: return "BASS_ERROR_ALREADY";
    case 18: return "BASS_ERROR_NOCHAN";
    case 19: return "BASS_ERROR_ILLTYPE";
    case 20: return "BASS_ERROR_ILLPARAM";
    case 21: return "BASS_ERROR_NO3D";
    case 22: return "BASS_ERROR_NOEAX";
    case 23: return "BASS_ERROR_DEVICE";
    case 24: return "BASS_ERROR_NOPLAY";
    case 25: return "BASS_ERROR_FREQ";
    case 27: return "BASS_ERROR_NOTFILE";
    case 29: return "BASS_ERROR_NOHW";
    case 31: return "BASS_ERROR_EMPTY";
    case 32: return "BASS_ERROR_NONET";
    case 33: return "BASS_ERROR_CREATE";
    case 34: return "BASS_ERROR_NOFX";
    case 37: return "BASS_ERROR_NOTAVAIL";
    case 38: return "BASS_ERROR_DECODE";
    case 39: return "BASS_ERROR_DX";
    case 40: return "BASS_ERROR_TIMEOUT";
    case 41: return "BASS_ERROR_FILEFORM";
    case 42: return "BASS_ERROR_SPEAKER";
    case 43: return "BASS_ERROR_VERSION";
    case 44: return "BASS_ERROR_CODEC";
    case 45: return "BASS_ERROR_ENDED";
    case 46: return "BASS_ERROR_BUSY";
    case -1: return "BASS_ERROR_UNKNOWN";
    case 1000: return "The file is Protected";
    case 1001: return "Windows Media (9 Or above) is Not installed";
    case 1002: return "Wccess denied (user/pass is invalid)";
    case 1004: return " Iindividualization is needed";
    case 4000: return "Not a decoding channel";
    case 4001: return "BPM/Beat detection is in use";
    default: return "BASS_ERROR No " + std::to_string(code);
  }
}

int LogBassError(const std::string& context) {
  int code = alib::ErrorGetCode();
  if (code != 0) AddLog("! " + BassErrorName(code) + ". " + context);
  return code;
}

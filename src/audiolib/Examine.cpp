// Lengths of files without streams, for examining many files at once.
#include "audiolib/Core.h"

namespace alib {

using detail::Fail;

int64_t FileGetLength(const char* path) {
  if (!path || !*path) return Fail(kErrorFileOpen, int64_t(-1));
  Decoder dec;
  int64_t frames = -1;
  if (int rc = dec.ProbeLength(path, frames); rc != kOk) return Fail(rc, int64_t(-1));
  if (frames < 0) return Fail(kErrorNotAvail, int64_t(-1));
  return Fail(kOk, frames * 8);
}

}  // namespace alib

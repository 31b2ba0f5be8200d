// A live device's stream straight to a PulseAudio server (Linux), used instead of SDL when the
// server is reachable. The server keeps a deep queue (kPulseQueueMs) so that neither our
// threads nor its own running late leave the sink without audio, yet keys act at once: only a
// few milliseconds past the server's read point are ever final. Everything after that is a
// preview of what the mix will give if nothing changes, written again from that point whenever
// something does (a play, pause, stop, seek, volume or effect change).
//
// The device contract stays: the writer thread calls MixDevice for the frames it makes final, as
// the SDL callback does, so positions, slides and syncs move once audio is final, a few
// milliseconds before it is heard.
#pragma once
#include <chrono>
#include <memory>
#include <string>

namespace alib::detail {

struct Device;

inline constexpr int kPulseQueueMs = 250;  // audio the server holds ahead of the sink
// A stream whose server went away is made again as soon as the server is back; gone this long,
// the device counts as lost.
inline constexpr std::chrono::milliseconds kLostAfter{3000};

class PulseOut {
 public:
  // Connects to the sink described as dev.name and starts the writer thread; null when the server
  // or the sink cannot be reached (the caller falls back to SDL). Without any lock of dev.
  static std::shared_ptr<PulseOut> Open(Device& dev);
  // Closing the stream waits for the writer thread; the device's mix lock must not be held.
  virtual ~PulseOut() = default;
  // A quiet device pauses its stream (the sound card can sleep); playing resumes it.
  virtual void SetIdle(bool idle) = 0;
  // Something the mix will play changed: what is queued past the final point is written again.
  // Called with the mix lock held; never blocks.
  virtual void Wake() = 0;
  // The server went away more than kLostAfter ago and the stream is not back yet. Meanwhile
  // nothing is mixed: the channels keep their positions and play on from there.
  virtual bool Lost() const = 0;
};

#ifdef ALIB_HAVE_PULSE
// False when the environment asks for SDL on PulseAudio too (ALIB_PULSE=0), for comparisons.
bool PulseWanted();
// Ends the connection shared by the streams (after every device closed).
void PulseShutdown();
#else
inline bool PulseWanted() { return false; }
inline void PulseShutdown() {}
inline std::shared_ptr<PulseOut> PulseOut::Open(Device&) { return nullptr; }
#endif

}  // namespace alib::detail

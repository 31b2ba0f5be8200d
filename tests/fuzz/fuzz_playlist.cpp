// Play list files with their extension lines: read, written, read back.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "playlist/PlayListFile.h"
#include "playlist/Track.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetTracks();
  const std::string path = fuzz::WriteInput("list.m3u", data, size);
  std::vector<Track> read;
  const int n = LoadPlayListFile(path, read, kLoadKeepTempoPitch);
  if (n != static_cast<int>(read.size())) std::abort();
  std::vector<const Track*> tracks;
  for (const Track& t : read) {
    // Every number read is one the writer can write.
    if (!std::isfinite(t.Pitch)) std::abort();
    tracks.push_back(&t);
  }
  const std::string text = PlayListText(tracks, path);
  fuzz::WriteInput("again.m3u", reinterpret_cast<const uint8_t*>(text.data()), text.size());
  std::vector<Track> again;
  LoadPlayListFile(fuzz::Scratch() + "again.m3u", again, kLoadKeepTempoPitch);
  if (again.size() > read.size()) std::abort();
  Track t;
  ParseExtensionFields(std::string(reinterpret_cast<const char*>(data), size), t);
  ExtensionFields(t);
  return 0;
}

// Chapter marks of a file, read from the container's header without decoding anything.
#include <algorithm>
#include <cstring>

#include "audiolib/Core.h"
#include "audiolib/Decoder.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace alib {

using detail::Fail;

namespace {
constexpr AVRational kOutBase{1, kOutRate};

struct FormatCloser {
  AVFormatContext* fmt = nullptr;
  ~FormatCloser() {
    if (fmt) avformat_close_input(&fmt);
  }
};
}  // namespace

bool FileGetChapters(const char* path, std::vector<ChapterInfo>* chapters) {
  if (!chapters) return Fail(kErrorIllParam, false);
  chapters->clear();
  if (!path || !*path) return Fail(kErrorFileOpen, false);
  InitFfmpegOnce();
  FormatCloser c;
  const int rc = avformat_open_input(&c.fmt, path, nullptr, nullptr);
  if (rc < 0) {
    c.fmt = nullptr;  // freed by FFmpeg on failure
    return Fail(rc == AVERROR_INVALIDDATA ? kErrorFileForm : kErrorFileOpen, false);
  }
  // Positions count from the audio's first sample, as the decoder's do.
  int64_t origin = 0;
  int64_t fileEnd = -1;
  if (c.fmt->duration > 0) fileEnd = av_rescale_q(c.fmt->duration, AVRational{1, AV_TIME_BASE}, kOutBase);
  const int best = av_find_best_stream(c.fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (best >= 0) {
    const AVStream* st = c.fmt->streams[best];
    if (st->start_time != AV_NOPTS_VALUE) origin = av_rescale_q(st->start_time, st->time_base, kOutBase);
    // Some readers (Ogg) know only the stream's duration before any packet is read.
    if (fileEnd < 0 && st->duration > 0) fileEnd = av_rescale_q(st->duration, st->time_base, kOutBase);
  }
  std::vector<ChapterInfo> found;
  for (unsigned i = 0; i < c.fmt->nb_chapters; ++i) {
    const AVChapter* ch = c.fmt->chapters[i];
    if (!ch || ch->time_base.num <= 0 || ch->time_base.den <= 0) continue;
    ChapterInfo info;
    info.start = std::max<int64_t>(0, av_rescale_q(ch->start, ch->time_base, kOutBase) - origin);
    info.end = ch->end > ch->start ? av_rescale_q(ch->end, ch->time_base, kOutBase) - origin : -1;
    if (const AVDictionaryEntry* t = av_dict_get(ch->metadata, "title", nullptr, 0)) info.title = t->value;
    found.push_back(std::move(info));
  }
  std::stable_sort(found.begin(), found.end(), [](const ChapterInfo& a, const ChapterInfo& b) { return a.start < b.start; });
  // Marks the container leaves open or lets overlap end where the next one starts.
  for (size_t i = 0; i < found.size(); ++i) {
    const int64_t next = i + 1 < found.size() ? found[i + 1].start : fileEnd;
    if (next >= 0 && (found[i].end < 0 || found[i].end > next)) found[i].end = next;
    if (found[i].end < found[i].start) found[i].end = found[i].start;
  }
  for (auto& f : found) {
    f.start *= 8;
    f.end *= 8;
  }
  *chapters = std::move(found);
  return Fail(kOk, true);
}

}  // namespace alib

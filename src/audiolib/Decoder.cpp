#include "audiolib/Decoder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "audiolib/AudioLib.h"
#include "audiolib/FrameScan.h"
#include "platform/Files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace alib {

namespace {

constexpr double kSeekPrerollSeconds = 0.3;
// Beyond these the resampler's set-up alone costs seconds and hundreds of megabytes; no real
// recording comes near them, so such a file is treated as malformed.
constexpr int kMaxSourceRate = 768000;
constexpr int kMaxSourceChannels = 64;
// Byte positions are frames * 8 in an int64; a claimed length beyond this (millennia) is bogus.
constexpr int64_t kMaxLengthFrames = int64_t(1) << 56;
constexpr AVRational kMicroseconds{1, AV_TIME_BASE};  // AV_TIME_BASE_Q is a C compound literal
const char* const kCaBundle = "/etc/ssl/certs/ca-certificates.crt";

using Clock = std::chrono::steady_clock;

struct InterruptState {
  const std::atomic<bool>* abort = nullptr;
  const std::atomic<bool>* cancel = nullptr;  // while opening only
  Clock::time_point openDeadline{};
  bool opening = false;
};

int InterruptCallback(void* opaque) {
  auto* st = static_cast<InterruptState*>(opaque);
  if (st->abort && st->abort->load()) return 1;
  if (st->cancel && st->cancel->load()) return 1;
  if (st->opening && Clock::now() > st->openDeadline) return 1;
  return 0;
}

// Timestamps come from the file: add and subtract without signed overflow.
int64_t SatAdd(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}
int64_t SatSub(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_sub_overflow(a, b, &r)) return b < 0 ? INT64_MAX : INT64_MIN;
  return r;
}

bool SaneFormat(int rate, int channels) {
  return rate > 0 && rate <= kMaxSourceRate && channels >= 0 && channels <= kMaxSourceChannels;
}

bool FileExists(const char* path) { return platform::IsRegularFile(path); }

// Turns "a: b\nc: d\n" (or CRLF) into zero-separated entries ended by an empty one.
std::string LinesToEntries(const char* text) {
  std::string out;
  std::string line;
  for (const char* p = text;; ++p) {
    if (*p == '\n' || *p == '\r' || *p == 0) {
      if (!line.empty()) {
        out += line;
        out.push_back('\0');
        line.clear();
      }
      if (*p == 0) break;
    } else {
      line.push_back(*p);
    }
  }
  out.push_back('\0');
  return out;
}

void AppendDict(std::string& out, const AVDictionary* dict, bool upperKeys) {
  const AVDictionaryEntry* e = nullptr;
  while ((e = av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
    std::string key = e->key;
    // Vorbis comment names are written in capitals by convention.
    if (upperKeys)
      for (char& c : key)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    out += key;
    out.push_back('=');
    out += e->value;
    out.push_back('\0');
  }
}

}  // namespace

void InitFfmpegOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    av_log_set_level(AV_LOG_FATAL);
    // A header may declare any size for what follows it; no buffer a player needs comes near
    // this, and a larger request fails the open instead of taking the machine's memory.
    av_max_alloc(64 << 20);
    avformat_network_init();
  });
}

struct Decoder::Impl {
  AVFormatContext* fmt = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* swr = nullptr;
  AVPacket* pkt = nullptr;
  AVFrame* frame = nullptr;
  int stream = -1;
  AVRational tb{1, 1};
  int64_t startPts = 0;
  InterruptState interrupt;
  bool network = false;
  bool isOgg = false;
  bool isAsf = false;
  bool draining = false;   // the demuxer is at its end; the codec gives its last frames
  bool flushed = false;    // the resampler gave its last frames
  // Resampler input as configured.
  int swrRate = 0;
  int swrFormat = -1;
  AVChannelLayout swrLayout{};
  // After a seek: drop source samples before this index (source rate), -1 when not seeking.
  int64_t dropBeforeSrc = -1;
  int64_t nextSrc = 0;  // source sample index of the next decoded frame when it has no pts
  bool trimEnd = false;  // nothing past the length plays (see Probe)

  ~Impl() {
    av_channel_layout_uninit(&swrLayout);
    swr_free(&swr);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&codec);
    avformat_close_input(&fmt);
  }
};

Decoder::Decoder() : impl_(std::make_unique<Impl>()) {}
Decoder::~Decoder() = default;

namespace {

// Encoder delay and padding an MP3 file's LAME (or FFmpeg) tag gives, and its frame count.
struct Mp3Gapless {
  int64_t frames = 0;
  int samplesPerFrame = 0;
  int rate = 0;
  int delay = 0;
  int padding = 0;
};

// Reads the tag from the first frame after any ID3v2 block. False when the file has none.
bool ReadMp3Gapless(const std::string& path, Mp3Gapless& g) {
  std::FILE* f = platform::OpenFile(path, "rb");
  if (!f) return false;
  unsigned char b[4096];
  size_t n = std::fread(b, 1, 10, f);
  long start = 0;
  if (n == 10 && std::memcmp(b, "ID3", 3) == 0) {
    start = 10 + ((long(b[6] & 0x7f) << 21) | (long(b[7] & 0x7f) << 14) | (long(b[8] & 0x7f) << 7) | long(b[9] & 0x7f));
    if (b[5] & 0x10) start += 10;  // footer
  }
  bool ok = std::fseek(f, start, SEEK_SET) == 0;
  n = ok ? std::fread(b, 1, sizeof b, f) : 0;
  std::fclose(f);
  for (size_t i = 0; i + 4 <= n; ++i) {
    if (b[i] != 0xFF || (b[i + 1] & 0xE0) != 0xE0) continue;
    const int version = (b[i + 1] >> 3) & 3;  // 3 = MPEG 1, 2 = MPEG 2, 0 = MPEG 2.5
    const int layer = (b[i + 1] >> 1) & 3;    // 1 = layer III
    if (version == 1 || layer != 1 || (b[i + 2] >> 4) == 15 || ((b[i + 2] >> 2) & 3) == 3) continue;
    const bool mono = (b[i + 3] >> 6) == 3;
    const size_t side = version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    size_t p = i + 4 + side;
    if (p + 8 > n) return false;
    if (std::memcmp(b + p, "Xing", 4) != 0 && std::memcmp(b + p, "Info", 4) != 0) return false;
    const unsigned flags = (unsigned(b[p + 4]) << 24) | (unsigned(b[p + 5]) << 16) | (unsigned(b[p + 6]) << 8) | b[p + 7];
    p += 8;
    if (!(flags & 1) || p + 4 > n) return false;
    g.frames = (int64_t(b[p]) << 24) | (int64_t(b[p + 1]) << 16) | (int64_t(b[p + 2]) << 8) | b[p + 3];
    p += 4;
    if (flags & 2) p += 4;
    if (flags & 4) p += 100;
    if (flags & 8) p += 4;
    if (p + 24 > n) return false;
    // The same encoders the demuxer trusts for its own trimming.
    if (std::memcmp(b + p, "LAME", 4) != 0 && std::memcmp(b + p, "Lavf", 4) != 0 &&
        std::memcmp(b + p, "Lavc", 4) != 0)
      return false;
    g.delay = (b[p + 21] << 4) | (b[p + 22] >> 4);
    g.padding = ((b[p + 22] & 0x0f) << 8) | b[p + 23];
    g.samplesPerFrame = version == 3 ? 1152 : 576;
    static const int kRates[3] = {44100, 48000, 32000};
    g.rate = kRates[(b[i + 2] >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    return g.frames > 0;
  }
  return false;
}

// Encoder delay and source length an iTunes gapless tag gives: hexadecimal fields
// " 00000000 00000840 000001C0 0000000000A3F2C0 ...", the third the padding.
struct ItunesGapless {
  int64_t delay = 0;
  int64_t samples = 0;
};

bool ParseItunesGapless(const char* text, ItunesGapless& g) {
  int64_t fields[4] = {};
  const char* p = text;
  for (int64_t& field : fields) {
    while (*p == ' ') ++p;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(p, &end, 16);
    if (end == p || errno != 0 || v < 0 || (*end != ' ' && *end != '\0')) return false;
    field = v;
    p = end;
  }
  g.delay = fields[1];
  g.samples = fields[3];
  // The demuxer skips no delay this long, so neither is the length taken from the tag.
  return g.samples > 0 && g.delay < 16384;
}

// Container names whose header already gives every codec parameter and the length, so
// reading packets to learn them (avformat_find_stream_info) is not needed.
bool HeaderIsComplete(const AVFormatContext* fmt, const AVStream* st) {
  const char* name = fmt->iformat->name;
  static const char* const kNames[] = {"wav", "flac", "ogg", "mp3", "aiff", "mov,mp4,m4a,3gp,3g2,mj2", "w64"};
  bool known = false;
  for (const char* k : kNames) known = known || std::strcmp(name, k) == 0;
  const AVCodecParameters* par = st->codecpar;
  return known && par->codec_id != AV_CODEC_ID_NONE && par->sample_rate > 0 && par->ch_layout.nb_channels > 0 &&
         st->duration != AV_NOPTS_VALUE && st->duration > 0;
}

// Demuxer guessed from the file name, used when the file starts as that format does: most
// files are named for what they are, and probing by content reads and scores far more than
// the header. A misnamed file is probed as usual.
const AVInputFormat* FormatFromExtension(const std::string& location) {
  size_t dot = location.rfind('.');
  if (dot == std::string::npos || location.find('/', dot) != std::string::npos) return nullptr;
  std::string ext = location.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  static const struct {
    const char* ext;
    const char* format;
  } kHints[] = {{"mp3", "mp3"}, {"wav", "wav"}, {"flac", "flac"}, {"ogg", "ogg"}, {"oga", "ogg"},
                {"opus", "ogg"}, {"m4a", "mov"}, {"m4b", "mov"}, {"mp4", "mov"}, {"aif", "aiff"},
                {"aiff", "aiff"}, {"aac", "aac"}};
  const char* format = nullptr;
  for (const auto& h : kHints)
    if (ext == h.ext) format = h.format;
  if (!format) return nullptr;
  unsigned char b[12] = {};
  std::FILE* f = platform::OpenFile(location, "rb");
  if (!f) return nullptr;
  size_t n = std::fread(b, 1, sizeof b, f);
  const bool tagged = std::strcmp(format, "mp3") == 0 || std::strcmp(format, "aac") == 0;
  if (n == sizeof b && tagged && std::memcmp(b, "ID3", 3) == 0) {
    // Look past the tag: other formats hide behind ID3 too (FLAC).
    long skip = 10 + ((long(b[6] & 0x7f) << 21) | (long(b[7] & 0x7f) << 14) | (long(b[8] & 0x7f) << 7) | long(b[9] & 0x7f));
    if (b[5] & 0x10) skip += 10;
    n = std::fseek(f, skip, SEEK_SET) == 0 ? std::fread(b, 1, sizeof b, f) : 0;
  }
  std::fclose(f);
  if (n < sizeof b) return nullptr;
  auto at = [&](size_t off, const char* magic) { return std::memcmp(b + off, magic, std::strlen(magic)) == 0; };
  const std::string fmt = format;
  bool matches = false;
  if (fmt == "wav") matches = at(0, "RIFF") && at(8, "WAVE");
  else if (fmt == "aiff") matches = at(0, "FORM") && (at(8, "AIFF") || at(8, "AIFC"));
  else if (fmt == "flac") matches = at(0, "fLaC");
  else if (fmt == "ogg") matches = at(0, "OggS");
  else if (fmt == "mov") matches = at(4, "ftyp");
  else if (fmt == "mp3") matches = b[0] == 0xFF && (b[1] & 0xE0) == 0xE0;
  else if (fmt == "aac") matches = b[0] == 0xFF && (b[1] & 0xF6) == 0xF0;
  return matches ? av_find_input_format(format) : nullptr;
}

}  // namespace

// What opening a file or URL learned, before any codec is set up.
struct Decoder::Probe {
  int64_t length = -1;   // output frames, -1 when unknown
  bool canSeek = false;
  bool trimEnd = false;  // the container says where the audio ends: nothing after length plays
};

int Decoder::OpenFormat(const std::string& location, bool network, const NetOptions& net, bool lengthOnly,
                        Probe& probe) {
  Impl& d = *impl_;
  d.fmt = avformat_alloc_context();
  if (!d.fmt) return kErrorMem;
  d.fmt->interrupt_callback.callback = InterruptCallback;
  d.fmt->interrupt_callback.opaque = &d.interrupt;

  AVDictionary* opts = nullptr;
  if (network) {
    if (!net.agent.empty()) av_dict_set(&opts, "user_agent", net.agent.c_str(), 0);
    // FFmpeg refuses (and fails the open on) a socket time-out beyond INT_MAX microseconds.
    const int64_t readTimeoutUs = std::min<int64_t>(int64_t(net.readTimeoutMs) * 1000, INT_MAX);
    av_dict_set_int(&opts, "rw_timeout", readTimeoutUs, 0);
    av_dict_set_int(&opts, "timeout", readTimeoutUs, 0);
    av_dict_set(&opts, "icy", "1", 0);
    // FFmpeg accepts any certificate unless told otherwise.
    av_dict_set(&opts, "tls_verify", "1", 0);
    if (FileExists(kCaBundle)) av_dict_set(&opts, "ca_file", kCaBundle, 0);
  }
  const AVInputFormat* hint = network ? nullptr : FormatFromExtension(location);
  int rc = avformat_open_input(&d.fmt, location.c_str(), hint, &opts);
  if (hint && (rc < 0 || d.fmt->nb_streams == 0)) {
    if (rc >= 0) avformat_close_input(&d.fmt);
    // Misnamed file: let the content decide.
    av_dict_free(&opts);
    d.fmt = avformat_alloc_context();
    if (!d.fmt) return kErrorMem;
    d.fmt->interrupt_callback.callback = InterruptCallback;
    d.fmt->interrupt_callback.opaque = &d.interrupt;
    rc = avformat_open_input(&d.fmt, location.c_str(), nullptr, nullptr);
  }
  av_dict_free(&opts);
  if (rc < 0) {
    // avformat_open_input frees the context on failure.
    d.fmt = nullptr;
    if (network) {
      if (rc == AVERROR_EXIT || rc == AVERROR(ETIMEDOUT)) return kErrorTimeout;
      if (rc == AVERROR_INVALIDDATA) return kErrorFileForm;
      return kErrorFileOpen;
    }
    if (rc == AVERROR_INVALIDDATA) return kErrorFileForm;
    return kErrorFileOpen;
  }
  int best = av_find_best_stream(d.fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  // MPEG audio without a Xing frame and ADTS carry no length: without a stream to decode, the
  // frame headers give it exactly, and with it the rate, so no packets need be read.
  // Only the length wanted of a raw MPEG audio or ADTS file: the LAME tag or else the frame
  // headers give it exactly, with the rate, so no packets need be read (the demuxer leaves rate
  // and channels for packets to tell). A raw file holds a single stream.
  FrameCount walked;
  Mp3Gapless gapless;
  bool walkedAll = false;
  if (lengthOnly && d.fmt->nb_streams == 1 && d.fmt->streams[0]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
    const char* demuxer = d.fmt->iformat->name;
    const AVCodecID id = d.fmt->streams[0]->codecpar->codec_id;
    const bool mp3 = id == AV_CODEC_ID_MP3 && std::strcmp(demuxer, "mp3") == 0;
    const bool adts = id == AV_CODEC_ID_AAC && std::strcmp(demuxer, "aac") == 0;
    if (mp3 && ReadMp3Gapless(location, gapless)) {
      walked.samples = gapless.frames * gapless.samplesPerFrame - gapless.delay - gapless.padding;
      walked.rate = gapless.rate;
      walkedAll = walked.samples > 0;
    } else if (mp3 || adts) {
      walkedAll = ScanFrames(location, mp3 ? FrameKind::kMp3 : FrameKind::kAdts, Id3v2Size(location), walked);
    }
  }
  if (!walkedAll && (network || best < 0 || !HeaderIsComplete(d.fmt, d.fmt->streams[best]))) {
    if (avformat_find_stream_info(d.fmt, nullptr) < 0) return kErrorFileForm;
  }
  d.stream = walkedAll ? 0 : av_find_best_stream(d.fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (d.stream < 0) return d.stream == AVERROR_DECODER_NOT_FOUND ? kErrorCodec : kErrorFileForm;
  AVStream* st = d.fmt->streams[d.stream];
  for (unsigned i = 0; i < d.fmt->nb_streams; ++i)
    if (int(i) != d.stream) d.fmt->streams[i]->discard = AVDISCARD_ALL;
  d.tb = st->time_base;
  d.startPts = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
  d.isOgg = std::strcmp(d.fmt->iformat->name, "ogg") == 0;
  d.isAsf = std::strcmp(d.fmt->iformat->name, "asf") == 0;
  // Some readers (WAV) probe the first packets again in case the declared codec is wrong,
  // reading megabytes; the codec is fixed by now, so the header's word stands.
  if (!network) d.fmt->probesize = 32;

  if (!SaneFormat(walkedAll ? walked.rate : st->codecpar->sample_rate, st->codecpar->ch_layout.nb_channels))
    return kErrorFileForm;

  probe.canSeek = d.fmt->pb && (d.fmt->pb->seekable & AVIO_SEEKABLE_NORMAL);
  const AVCodecParameters* par = st->codecpar;
  const int srcRate = par->sample_rate > 0 ? par->sample_rate : kOutRate;
  int64_t lengthPts = -1;
  int64_t lengthSrc = -1;  // in source samples, when the header counts them exactly
  int lengthSrcRate = srcRate;
  // PCM has a fixed size per sample, so a length from its bitrate is exact.
  const bool fixedRate = av_get_exact_bits_per_sample(par->codec_id) > 0;
  if (walkedAll) {
    lengthSrc = walked.samples;
    lengthSrcRate = walked.rate;
  } else if (!network && par->codec_id == AV_CODEC_ID_MP3 && ReadMp3Gapless(location, gapless)) {
    // The demuxer trims the encoder delay and padding but counts them in the duration.
    lengthSrc = gapless.frames * gapless.samplesPerFrame - gapless.delay - gapless.padding;
    probe.trimEnd = true;
  } else if (!network && probe.canSeek && !fixedRate &&
             (st->duration == AV_NOPTS_VALUE || st->duration <= 0 ||
              av_fmt_ctx_get_duration_estimation_method(d.fmt) == AVFMT_DURATION_FROM_BITRATE)) {
    // A length guessed from the first bitrate is wrong for VBR files without a header: read
    // every packet (no decoding) for the true length. The generic index this builds also
    // makes later seeks exact.
    // Raw frames: bytes after the last one come out as packets that decode to nothing.
    const bool rawMp3 = par->codec_id == AV_CODEC_ID_MP3 && std::strcmp(d.fmt->iformat->name, "mp3") == 0;
    const bool rawAdts = par->codec_id == AV_CODEC_ID_AAC && std::strcmp(d.fmt->iformat->name, "aac") == 0;
    int64_t end = -1;
    while (av_read_frame(d.fmt, d.pkt) >= 0) {
      const bool sound = !(rawMp3 || rawAdts) ||
                         PacketIsFrame(rawMp3 ? FrameKind::kMp3 : FrameKind::kAdts, d.pkt->data, size_t(d.pkt->size));
      if (d.pkt->stream_index == d.stream && d.pkt->pts != AV_NOPTS_VALUE && sound)
        end = std::max(end, SatAdd(d.pkt->pts, d.pkt->duration));
      av_packet_unref(d.pkt);
    }
    if (end > d.startPts) lengthPts = SatSub(end, d.startPts);
    if (av_seek_frame(d.fmt, d.stream, d.startPts, AVSEEK_FLAG_BACKWARD) < 0) return kErrorFileForm;
  } else if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
    lengthPts = st->duration;
    if (par->codec_id == AV_CODEC_ID_OPUS && d.isOgg && par->initial_padding > 0) {
      // Granule positions count the pre-skip, which the codec never gives out.
      lengthPts -= av_rescale_q(par->initial_padding, AVRational{1, 48000}, d.tb);
      probe.trimEnd = true;
    }
    // An edit list gives the playable length; the codec's last frame runs past it.
    if (std::strcmp(d.fmt->iformat->name, "mov,mp4,m4a,3gp,3g2,mj2") == 0) {
      probe.trimEnd = true;
      // Without one (the duration still counts the encoder delay), an iTunes gapless tag
      // may: the demuxer then skips the delay it names but plays the padding after the last
      // sample.
      ItunesGapless g;
      const AVDictionaryEntry* tag = av_dict_get(d.fmt->metadata, "iTunSMPB", nullptr, 0);
      if (tag && ParseItunesGapless(tag->value, g) && d.tb.num == 1 && d.tb.den == srcRate &&
          st->duration >= g.delay + g.samples)
        lengthSrc = g.samples;
    }
  } else if (d.fmt->duration != AV_NOPTS_VALUE && d.fmt->duration > 0) {
    lengthPts = av_rescale_q(d.fmt->duration, kMicroseconds, d.tb);
  }
  if (!(network && !probe.canSeek)) {
    int64_t frames = -1;
    if (lengthSrc > 0)
      frames = av_rescale_rnd(lengthSrc, kOutRate, lengthSrcRate, AV_ROUND_NEAR_INF);
    else if (lengthPts > 0)
      frames = av_rescale_q_rnd(lengthPts, d.tb, AVRational{1, kOutRate}, AVRounding(AV_ROUND_NEAR_INF));
    // av_rescale gives INT64_MIN when the result does not fit.
    if (frames > 0 && frames <= kMaxLengthFrames) probe.length = frames;
  }
  if (probe.length <= 0) probe.trimEnd = false;
  return kOk;
}

int Decoder::Open(const std::string& location, bool network, const NetOptions& net,
                  const std::atomic<bool>* abort, const std::atomic<bool>* cancel) {
  impl_->interrupt.cancel = cancel;
  const int rc = OpenStream(location, network, net, abort);
  impl_->interrupt.cancel = nullptr;  // the caller's flag need not outlive the call
  return rc;
}

int Decoder::OpenStream(const std::string& location, bool network, const NetOptions& net,
                        const std::atomic<bool>* abort) {
  InitFfmpegOnce();
  Impl& d = *impl_;
  d.network = network;
  d.interrupt.abort = abort;
  d.interrupt.opening = true;
  d.interrupt.openDeadline = Clock::now() + std::chrono::milliseconds(std::max(net.connectTimeoutMs, 100));
  d.pkt = av_packet_alloc();
  d.frame = av_frame_alloc();
  if (!d.pkt || !d.frame) return kErrorMem;
  Probe probe;
  if (int rc = OpenFormat(location, network, net, false, probe); rc != kOk) return rc;
  d.interrupt.opening = false;
  AVStream* st = d.fmt->streams[d.stream];

  const AVCodec* dec = avcodec_find_decoder(st->codecpar->codec_id);
  if (!dec) return kErrorCodec;
  d.codec = avcodec_alloc_context3(dec);
  if (!d.codec) return kErrorMem;
  if (avcodec_parameters_to_context(d.codec, st->codecpar) < 0) return kErrorCodec;
  // Without it the codec cannot move timestamps past skipped priming samples.
  d.codec->pkt_timebase = st->time_base;
  if (avcodec_open2(d.codec, dec, nullptr) < 0) return kErrorCodec;
  if (!SaneFormat(d.codec->sample_rate, d.codec->ch_layout.nb_channels)) return kErrorFileForm;

  length_ = probe.length;
  d.trimEnd = probe.trimEnd;
  seekable_ = probe.canSeek && length_ > 0;
  if (seekable_) {
    // Positions count from the first sample the codec gives; some codecs (WMA) start their
    // timestamps later than the stream says. Learn where, so seeks agree with plain decoding.
    int64_t first = AV_NOPTS_VALUE;
    bool gotFrame = false;
    for (int packets = 0; packets < 500 && !gotFrame; ++packets) {
      if (av_read_frame(d.fmt, d.pkt) < 0) break;
      if (d.pkt->stream_index == d.stream && avcodec_send_packet(d.codec, d.pkt) >= 0) {
        while (avcodec_receive_frame(d.codec, d.frame) >= 0) {
          if (!gotFrame) first = d.frame->best_effort_timestamp;
          gotFrame = true;
          av_frame_unref(d.frame);
        }
      }
      av_packet_unref(d.pkt);
    }
    if (first != AV_NOPTS_VALUE) d.startPts = first;
    if (av_seek_frame(d.fmt, d.stream, st->start_time != AV_NOPTS_VALUE ? st->start_time : 0,
                      AVSEEK_FLAG_BACKWARD) < 0)
      return kErrorFileForm;
    avcodec_flush_buffers(d.codec);
    // Going back can lose the demuxer's note of the priming samples to skip (Opus pre-skip):
    // drop whatever comes before the first sample the codec gave.
    d.dropBeforeSrc = 0;
  }
  if (network) {
    uint8_t* meta = nullptr;
    if (av_opt_get(d.fmt->pb, "icy_metadata_packet", AV_OPT_SEARCH_CHILDREN, &meta) >= 0 && meta) {
      icyMeta_ = reinterpret_cast<char*>(meta);
      av_free(meta);
    }
  }
  if (d.isOgg) st->event_flags &= ~AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
  return kOk;
}

int Decoder::ProbeLength(const std::string& path, int64_t& frames) {
  InitFfmpegOnce();
  Impl& d = *impl_;
  d.pkt = av_packet_alloc();
  if (!d.pkt) return kErrorMem;
  NetOptions net;
  Probe probe;
  if (int rc = OpenFormat(path, false, net, true, probe); rc != kOk) return rc;
  // The same test a stream makes: a file whose sound cannot be decoded does not play.
  if (!avcodec_find_decoder(d.fmt->streams[d.stream]->codecpar->codec_id)) return kErrorCodec;
  frames = probe.length;
  return kOk;
}

bool Decoder::SetupResampler(void* framePtr) {
  Impl& d = *impl_;
  auto* f = static_cast<AVFrame*>(framePtr);
  AVChannelLayout in{};
  if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || f->ch_layout.nb_channels == 0) {
    int n = f->ch_layout.nb_channels > 0 ? f->ch_layout.nb_channels : d.codec->ch_layout.nb_channels;
    av_channel_layout_default(&in, n > 0 ? n : 2);
  } else if (av_channel_layout_copy(&in, &f->ch_layout) < 0) {
    return false;
  }
  if (d.swr && d.swrRate == f->sample_rate && d.swrFormat == f->format &&
      av_channel_layout_compare(&in, &d.swrLayout) == 0) {
    av_channel_layout_uninit(&in);
    return true;
  }
  swr_free(&d.swr);
  AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
  int rc = swr_alloc_set_opts2(&d.swr, &out, AV_SAMPLE_FMT_FLT, kOutRate, &in,
                               AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
  if (rc < 0 || swr_init(d.swr) < 0) {
    av_channel_layout_uninit(&in);
    swr_free(&d.swr);
    return false;
  }
  av_channel_layout_uninit(&d.swrLayout);
  d.swrLayout = in;
  d.swrRate = f->sample_rate;
  d.swrFormat = f->format;
  return true;
}

bool Decoder::FeedFrame(void* framePtr, std::vector<float>& out) {
  Impl& d = *impl_;
  auto* f = static_cast<AVFrame*>(framePtr);
  if (f->sample_rate <= 0 || f->nb_samples <= 0) return true;
  // A stream may change its format mid-way; the limits hold for every frame.
  if (!SaneFormat(f->sample_rate, f->ch_layout.nb_channels)) return false;
  if (!SetupResampler(f)) return false;
  int64_t s0 = d.nextSrc;
  int64_t pts = f->best_effort_timestamp;
  if (pts != AV_NOPTS_VALUE) s0 = av_rescale_q(SatSub(pts, d.startPts), d.tb, AVRational{1, f->sample_rate});
  d.nextSrc = SatAdd(s0, f->nb_samples);
  int skip = 0;
  if (d.dropBeforeSrc >= 0) {
    if (d.nextSrc <= d.dropBeforeSrc) return true;  // still before the target
    if (s0 < d.dropBeforeSrc) {
      skip = int(d.dropBeforeSrc - s0);
    } else {
      // Landed after the target: report where we really are.
      next_ = av_rescale(s0, kOutRate, f->sample_rate);
    }
    d.dropBeforeSrc = -1;
  }
  const int bps = av_get_bytes_per_sample(AVSampleFormat(f->format));
  const bool planar = av_sample_fmt_is_planar(AVSampleFormat(f->format));
  const int channels = f->ch_layout.nb_channels > 0 ? f->ch_layout.nb_channels : 1;
  // One pointer per plane: a planar frame may hold more planes than AVFrame::data.
  const uint8_t* in[kMaxSourceChannels] = {};
  if (planar) {
    for (int c = 0; c < channels; ++c)
      in[c] = f->extended_data[c] + size_t(skip) * bps;
  } else {
    in[0] = f->extended_data[0] + size_t(skip) * bps * channels;
  }
  const int inCount = f->nb_samples - skip;
  const int maxOut = swr_get_out_samples(d.swr, inCount);
  if (maxOut <= 0) return true;
  const size_t base = out.size();
  out.resize(base + size_t(maxOut) * 2);
  uint8_t* o = reinterpret_cast<uint8_t*>(out.data() + base);
  int got = swr_convert(d.swr, &o, maxOut, in, inCount);
  if (got < 0) got = 0;
  if (d.trimEnd && next_ + got > length_) got = int(std::max<int64_t>(0, length_ - next_));
  out.resize(base + size_t(got) * 2);
  next_ += got;
  return true;
}

bool Decoder::DecodeMore(std::vector<float>& out, uint32_t& events) {
  Impl& d = *impl_;
  events = kTagEventNone;
  if (!d.fmt || d.flushed) return false;
  const size_t before = out.size();
  for (;;) {
    // Take every frame the codec has ready.
    for (;;) {
      int rc = avcodec_receive_frame(d.codec, d.frame);
      if (rc == AVERROR(EAGAIN)) break;
      if (rc == AVERROR_EOF) {
        // Last samples held back by the resampler.
        if (d.swr) {
          int maxOut = swr_get_out_samples(d.swr, 0);
          if (maxOut > 0) {
            size_t base = out.size();
            out.resize(base + size_t(maxOut) * 2);
            uint8_t* o = reinterpret_cast<uint8_t*>(out.data() + base);
            int got = swr_convert(d.swr, &o, maxOut, nullptr, 0);
            if (got < 0) got = 0;
            if (d.trimEnd && next_ + got > length_) got = int(std::max<int64_t>(0, length_ - next_));
            out.resize(base + size_t(got) * 2);
            next_ += got;
          }
        }
        d.flushed = true;
        return out.size() > before;
      }
      if (rc < 0) {
        if (d.draining) {  // a codec that cannot flush cleanly: treat as the end
          d.flushed = true;
          return out.size() > before;
        }
        break;  // a bad frame: skip it and go on
      }
      bool ok = FeedFrame(d.frame, out);
      av_frame_unref(d.frame);
      if (!ok) {
        failed_ = true;
        return false;
      }
    }
    if (out.size() > before) return true;
    if (d.draining) {
      // The codec was flushed but gave nothing more.
      continue;
    }
    int rc = av_read_frame(d.fmt, d.pkt);
    if (rc < 0) {
      if (rc != AVERROR_EOF && d.network) failed_ = true;
      d.draining = true;
      avcodec_send_packet(d.codec, nullptr);
      continue;
    }
    if (d.pkt->stream_index == d.stream) {
      PollTags(events, d.pkt);
      int src = avcodec_send_packet(d.codec, d.pkt);
      (void)src;  // a corrupt packet is skipped; the stream goes on
    }
    av_packet_unref(d.pkt);
  }
}

void Decoder::PollTags(uint32_t& events, void* packet) {
  Impl& d = *impl_;
  auto* pkt = static_cast<AVPacket*>(packet);
  if (d.network && d.fmt->pb) {
    uint8_t* meta = nullptr;
    if (av_opt_get(d.fmt->pb, "icy_metadata_packet", AV_OPT_SEARCH_CHILDREN, &meta) >= 0 && meta) {
      if (icyMeta_ != reinterpret_cast<char*>(meta)) {
        icyMeta_ = reinterpret_cast<char*>(meta);
        if (!icyMeta_.empty()) events |= kTagEventMeta;
      }
      av_free(meta);
    }
  }
  if (d.isOgg) {
    AVStream* st = d.fmt->streams[d.stream];
    size_t sz = 0;
    bool update = av_packet_get_side_data(pkt, AV_PKT_DATA_METADATA_UPDATE, &sz) != nullptr;
    if (st->event_flags & AVSTREAM_EVENT_FLAG_METADATA_UPDATED) {
      st->event_flags &= ~AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
      update = true;
    }
    // The first logical stream announces its comments too; only later ones are changes.
    if (update && next_ > 0) events |= kTagEventOgg;
  }
}

bool Decoder::Seek(int64_t target) {
  Impl& d = *impl_;
  if (!seekable_ || target < 0 || (length_ >= 0 && target > length_)) return false;
  // Start early and decode up to the target: decoders need a run-in after a jump.
  double t = double(target) / kOutRate - kSeekPrerollSeconds;
  if (t < 0) t = 0;
  int64_t ts = SatAdd(d.startPts, av_rescale_q(std::llround(t * AV_TIME_BASE), kMicroseconds, d.tb));
  if (av_seek_frame(d.fmt, d.stream, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
      avformat_seek_file(d.fmt, d.stream, INT64_MIN, ts, ts, 0) < 0)
    return false;
  avcodec_flush_buffers(d.codec);
  if (d.swr) {
    swr_free(&d.swr);
    d.swrRate = 0;
  }
  d.draining = false;
  d.flushed = false;
  failed_ = false;
  const int srcRate = d.codec->sample_rate > 0 ? d.codec->sample_rate : kOutRate;
  d.dropBeforeSrc = av_rescale(target, srcRate, kOutRate);
  d.nextSrc = av_rescale_q(SatSub(ts, d.startPts), d.tb, AVRational{1, srcRate});
  next_ = target;
  return true;
}

bool Decoder::IcyHeaders(std::string& out) const {
  const Impl& d = *impl_;
  if (!d.network || !d.fmt || !d.fmt->pb) return false;
  uint8_t* h = nullptr;
  if (av_opt_get(d.fmt->pb, "icy_metadata_headers", AV_OPT_SEARCH_CHILDREN, &h) < 0 || !h) return false;
  bool any = h[0] != 0;
  if (any) out = LinesToEntries(reinterpret_cast<char*>(h));
  av_free(h);
  return any;
}

bool Decoder::HttpHeaders(std::string& out) const {
  const Impl& d = *impl_;
  if (!d.network || !d.fmt || !d.fmt->pb) return false;
  std::string text;
  uint8_t* v = nullptr;
  if (av_opt_get(d.fmt->pb, "mime_type", AV_OPT_SEARCH_CHILDREN, &v) >= 0 && v) {
    if (v[0]) text += std::string("Content-Type: ") + reinterpret_cast<char*>(v) + "\n";
    av_free(v);
  }
  v = nullptr;
  if (av_opt_get(d.fmt->pb, "icy_metadata_headers", AV_OPT_SEARCH_CHILDREN, &v) >= 0 && v) {
    text += reinterpret_cast<char*>(v);
    av_free(v);
  }
  if (text.empty()) return false;
  out = LinesToEntries(text.c_str());
  return true;
}

bool Decoder::OggComments(std::string& out) const {
  const Impl& d = *impl_;
  if (!d.fmt || !d.isOgg) return false;
  out.clear();
  AppendDict(out, d.fmt->metadata, true);
  AppendDict(out, d.fmt->streams[d.stream]->metadata, true);
  out.push_back('\0');
  return true;
}

bool Decoder::WmaTags(std::string& out) const {
  const Impl& d = *impl_;
  if (!d.fmt || !d.isAsf) return false;
  out.clear();
  AppendDict(out, d.fmt->metadata, false);
  AppendDict(out, d.fmt->streams[d.stream]->metadata, false);
  out.push_back('\0');
  return true;
}

bool PlaylistFirstLink(const std::string& url, const NetOptions& net, const std::atomic<bool>* abort,
                       const std::atomic<bool>* cancel, std::string& link) {
  InitFfmpegOnce();
  constexpr size_t kMaxPlaylist = 64 * 1024;  // a playlist is small; anything larger is not one
  InterruptState interrupt;
  interrupt.abort = abort;
  interrupt.cancel = cancel;
  interrupt.opening = true;
  interrupt.openDeadline = Clock::now() + std::chrono::milliseconds(std::max(net.connectTimeoutMs, 100));
  AVIOInterruptCB cb{InterruptCallback, &interrupt};
  AVDictionary* opts = nullptr;
  if (!net.agent.empty()) av_dict_set(&opts, "user_agent", net.agent.c_str(), 0);
  av_dict_set_int(&opts, "rw_timeout", std::min<int64_t>(int64_t(net.readTimeoutMs) * 1000, INT_MAX), 0);
  av_dict_set(&opts, "tls_verify", "1", 0);
  if (FileExists(kCaBundle)) av_dict_set(&opts, "ca_file", kCaBundle, 0);
  AVIOContext* io = nullptr;
  int rc = avio_open2(&io, url.c_str(), AVIO_FLAG_READ, &cb, &opts);
  av_dict_free(&opts);
  if (rc < 0 || !io) return false;
  std::string text;
  std::vector<unsigned char> buf(4096);
  while (text.size() < kMaxPlaylist) {
    int n = avio_read(io, buf.data(), int(buf.size()));
    if (n <= 0) break;
    text.append(reinterpret_cast<char*>(buf.data()), size_t(n));
  }
  avio_closep(&io);
  if (text.size() >= kMaxPlaylist) return false;
  auto isLink = [](const std::string& s) {
    auto starts = [&](const char* p) { return av_strncasecmp(s.c_str(), p, std::strlen(p)) == 0; };
    return starts("http://") || starts("https://") || starts("ftp://");
  };
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos) continue;
    line = line.substr(b, line.find_last_not_of(" \t") - b + 1);
    if (line.empty() || line[0] == '#') continue;
    // PLS: FileN=link
    if (av_strncasecmp(line.c_str(), "file", 4) == 0) {
      size_t eq = line.find('=');
      if (eq != std::string::npos && isLink(line.substr(eq + 1))) {
        link = line.substr(eq + 1);
        return true;
      }
      continue;
    }
    if (isLink(line)) {
      link = line;
      return true;
    }
  }
  return false;
}

}  // namespace alib

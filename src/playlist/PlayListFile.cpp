#include "playlist/PlayListFile.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "app/FileUtil.h"
#include "app/ListModel.h"
#include "app/PathTools.h"
#include "app/TextUtil.h"
#include "platform/Files.h"
#include "playlist/PlayListView.h"

bool IsURL(const std::string& s) {
  size_t colon = s.find(':');
  // Without a ":" there is no scheme: a file named "http" stays a file.
  if (colon == std::string::npos) return false;
  std::string scheme = text::Lower(text::Trim(std::string_view(s).substr(0, colon)));
  return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "itpc";
}

std::string CleanText(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u == 0 || u >= 32) out += c;
  }
  return text::Trim(out);
}

std::string TempoText(float tempo) {
  // nearbyint rounds halves to even in the default rounding mode; clamp keeps the cast defined.
  double r = std::nearbyint(static_cast<double>(tempo));
  if (!(r == r)) r = 0;
  r = std::fmax(-2147483648.0, std::fmin(2147483647.0, r));
  return std::to_string(static_cast<int64_t>(r));
}

std::string PitchText(float pitch) {
  // to_chars ignores the locale: the separator is always ".".
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(pitch), std::chars_format::fixed, 1);
  if (res.ec != std::errc()) return "0.0";
  return std::string(buf, res.ptr);
}

std::string ExtensionFields(const Track& t) {
  std::string f;
  if (t.Start > 0) f += "Start=" + std::to_string(t.Start) + ";";
  if (t.End < t.Length) f += "End=" + std::to_string(t.End) + ";";
  if (t.Length > 0) f += "Ln=" + std::to_string(t.Length) + ";";
  if (t.Tempo != 0) f += "Tempo=" + TempoText(t.Tempo) + ";";
  if (t.Pitch != 0) f += "Pitch=" + PitchText(t.Pitch) + ";";
  if (t.Flags & kTrackFlagLoop) f += "Loop;";
  if (!t.Alias.empty()) f += "Alias=" + text::Replace(t.Alias, ";", "") + ";";
  return f;
}

std::string PlayListText(const std::vector<const Track*>& tracks, const std::string& fileName) {
  std::string base = fileutil::FolderPart(fileName);
  std::string body;
  bool anyFields = false;
  for (const Track* t : tracks) {
    std::string fields = ExtensionFields(*t);
    if (!fields.empty()) {
      anyFields = true;
      body += "#extrem:" + fields + "\r\n";
    }
    // Paths below the list's own folder are stored relative to it, so the folder can move.
    if (!base.empty() && t->File.size() >= base.size() && text::StartsWithNoCase(t->File, base)) {
      std::string relative = t->File.substr(base.size());
      // Other readers take any line starting with "#" for a comment.
      if (!relative.empty() && relative[0] == '#') body += "./";
      body += relative;
    } else {
      body += t->File;
    }
    body += "\r\n";
  }
  return anyFields ? "#EXTM3U\r\n" + body : body;
}

int SavePlayListFile(const std::string& fileName) {
  std::vector<const Track*> tracks;
  ListModel& rows = PlayListRows();
  for (int r = 0; r < rows.Count(); ++r)
    if (const Track* t = FindTrack(static_cast<int32_t>(rows.Data(r)))) tracks.push_back(t);
  return fileutil::WriteFileAtomic(fileName, PlayListText(tracks, fileName)) > 0 ? 1 : 0;
}

int SavePlayedListFile(const std::string& fileName) {
  std::vector<const Track*> tracks;
  for (const Track& t : PlayedList()) tracks.push_back(&t);
  return fileutil::WriteFileAtomic(fileName, PlayListText(tracks, fileName)) > 0 ? 1 : 0;
}

namespace {

// Pitch steps stop here; a value a float cannot hold takes the limit of its sign.
constexpr float kPitchLimit = 10.0f;

float ParsePitch(std::string_view v) {
  double d = text::LeadingFixed(v);
  if (d > FLT_MAX) return kPitchLimit;
  if (d < -FLT_MAX) return -kPitchLimit;
  return static_cast<float>(d);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsFileUri(const std::string& line) { return text::StartsWithNoCase(line, "file://"); }

std::string FileUriPath(const std::string& uri) {
  if (!IsFileUri(uri)) return {};
  std::string rest = uri.substr(7);
  if (rest.empty() || rest[0] != '/') {
    // Only this machine's files: "file://localhost/..." or "file:///...".
    size_t slash = rest.find('/');
    if (slash == std::string::npos || !text::EqualsNoCase(rest.substr(0, slash), "localhost")) return {};
    rest.erase(0, slash);
  }
  std::string path;
  path.reserve(rest.size());
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && HexDigit(rest[i + 1]) >= 0 && HexDigit(rest[i + 2]) >= 0) {
      const char c = static_cast<char>(HexDigit(rest[i + 1]) * 16 + HexDigit(rest[i + 2]));
      if (c == '\0') return {};  // a path never holds NUL: the line is not a usable name
      path += c;
      i += 2;
    } else {
      path += rest[i];
    }
  }
  // URIs hold UTF-8; a few writers encode the 8-bit bytes of the system's code page instead.
  if (!text::IsValidUtf8(path)) path = text::FromWindows1252(path);
  return path;
}

bool IsNonEmptyFile(const std::string& path) {
  // One look-up: file_size fails for folders and anything else that is not a plain file.
  std::error_code ec;
  auto size = std::filesystem::file_size(platform::FsPath(path), ec);
  return !ec && size > 0;
}

void ParseExtensionFields(const std::string& fields, Track& t) {
  size_t from = 0;
  // Only fields ended by ";" count: a trailing remainder without it is ignored.
  for (size_t semi = fields.find(';'); semi != std::string::npos; from = semi + 1, semi = fields.find(';', from)) {
    std::string_view field = std::string_view(fields).substr(from, semi - from);
    size_t eq = field.find('=');
    std::string key = text::Lower(text::Trim(field.substr(0, eq)));
    std::string_view rest = eq == std::string_view::npos ? std::string_view() : field.substr(eq + 1);
    // An alias may itself hold "=": it keeps everything up to its ";".
    std::string_view value = rest;
    if (key != "alias") {
      size_t eq2 = rest.find('=');
      if (eq2 != std::string_view::npos) value = rest.substr(0, eq2);
    }
    std::string v = text::Trim(value);
    if (key == "start") t.Start = text::ParseInt(v);
    else if (key == "end") t.End = text::ParseInt(v);
    else if (key == "ln") t.Length = text::ParseInt(v);
    else if (key == "tempo") t.Tempo = static_cast<float>(text::ParseInt(v));
    else if (key == "pitch") t.Pitch = ParsePitch(v);
    else if (key == "alias") t.Alias = CleanText(std::string(value));
    else if (key == "loop") t.Flags |= kTrackFlagLoop;
  }
}

int LoadPlayListFile(const std::string& fileName, std::vector<Track>& target, int options) {
  // Far beyond any list a person plays from, and a bound on what a hostile file can cost.
  constexpr int kMaxPlayListTracks = 100000;
  std::string folder = fileutil::FolderPart(fileName);
  std::string bytes;
  if (fileName.empty() || fileutil::IsFolder(fileName) || !fileutil::ReadFile(fileName, bytes)) return 0;
  Track pending;
  int count = 0;
  size_t pos = 0;
  bool lastEmpty = false;
  while (pos < bytes.size() && count < kMaxPlayListTracks) {
    size_t end = bytes.find_first_of(std::string_view("\r\n\0", 3), pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = text::Trim(std::string_view(bytes).substr(pos, end - pos));
    pos = end;
    if (pos < bytes.size()) {
      // CR LF is one line end; a lone CR, LF or NUL is one too.
      if (bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') pos += 2;
      else pos += 1;
    }
    // An empty line consumes the pending settings; the ones after it in a run add nothing,
    // and a file of line ends alone would otherwise be millions of tracks.
    if (line.empty() && lastEmpty) continue;
    lastEmpty = line.empty();
    if (text::EqualsNoCase(line, "#EXTM3U")) continue;
    if (text::StartsWithNoCase(line, "#extrem:")) {
      ParseExtensionFields(line.substr(8), pending);
      continue;
    }
    if (text::StartsWithNoCase(line, "#EXTINF:")) continue;
    std::string file;
    bool accepted;
    if (IsURL(line)) {
      file = line;
      accepted = true;
    } else if (IsFileUri(line)) {
      file = FileUriPath(line);
      accepted = !file.empty() && (!(options & kLoadExistingOnly) || IsNonEmptyFile(file));
    } else {
      // "./#name": a file whose name starts with "#", written so other readers keep it.
      if (line.size() > 2 && line[0] == '.' && line[1] == '/' && line[2] == '#') line.erase(0, 2);
      file = MakeAbsolutePath(line, folder);
      accepted = !(options & kLoadExistingOnly) || IsNonEmptyFile(file);
    }
    if (accepted) {
      Track t = pending;
      t.File = file;
      t.ID = NewTrackID();
      t.State = Ready;
      if (!(options & kLoadKeepTempoPitch)) t.Tempo = t.Pitch = 0;
      target.push_back(std::move(t));
      ++count;
    }
    pending = Track();
  }
  return count;
}

int LoadPlayListAny(const std::string& fileName, std::vector<Track>& target, int options) {
  std::string name = fileutil::FilePart(fileName);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && text::EqualsNoCase(name.substr(dot + 1), "pls")) return 0;
  return LoadPlayListFile(fileName, target, options);
}

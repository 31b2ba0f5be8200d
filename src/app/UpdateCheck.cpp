#include "app/UpdateCheck.h"

#ifdef _WIN32
#include "platform/Http.h"
#else
#include <curl/curl.h>
#endif

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <thread>

#include "app/AppState.h"
#include "app/EventLog.h"
#include "app/FileUtil.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "platform/Files.h"
#include "platform/Platform.h"

namespace {

// A version page is a few hundred bytes; anything this large is not one.
constexpr size_t kMaxPageBytes = 1 << 20;

#ifdef _WIN32
bool Download(const UpdateSource& source, std::string& page) {
  platform::HttpRequest r;
  r.url = source.url;
  r.userAgent = std::string("Tondrial/") + kVersion;
  r.connectTimeoutMs = source.connectTimeoutMs;
  r.totalTimeoutMs = source.totalTimeoutMs;
  r.maxBytes = kMaxPageBytes;
  return platform::HttpGet(r, page);
}

bool NetworkInit() { return true; }
#else
struct Body {
  std::string bytes;
  bool tooLarge = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<Body*>(user);
  size_t n = size * count;
  if (body->bytes.size() + n > kMaxPageBytes) {
    body->tooLarge = true;
    return 0;  // ends the transfer with a write error
  }
  body->bytes.append(data, n);
  return n;
}

bool Download(const UpdateSource& source, std::string& page) {
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  Body body;
  curl_easy_setopt(curl, CURLOPT_URL, source.url.c_str());
  // Only web addresses, also after a redirect (the site may move to https).
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  // An error page is not a version page.
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, source.connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, source.totalTimeoutMs);
  // No signals from the name lookup on a program with its own handlers.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, (std::string("Tondrial/") + kVersion).c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  CURLcode rc = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  if (rc != CURLE_OK || body.tooLarge) return false;
  page = std::move(body.bytes);
  return true;
}

bool NetworkInit() { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }
#endif

std::string TempFolder(const UpdateSource& source) {
  if (!source.tempFolder.empty()) {
    std::string f = source.tempFolder;
    if (f.back() != '/') f += '/';
    return f;
  }
  std::error_code ec;
  std::string f = platform::Utf8Of(std::filesystem::temp_directory_path(ec));
  if (ec || f.empty()) f = "/tmp";
  if (f.back() != '/') f += '/';
  return f;
}

// The page's text by its byte-order mark (UTF-16 LE, UTF-8, or 8-bit without a mark), its lines
// each followed by a line feed.
std::string PageText(const std::string& raw) {
  std::string t;
  if (raw.rfind("\xFF\xFE", 0) == 0) t = text::FromUtf16LE(std::string_view(raw).substr(2));
  else if (raw.rfind("\xEF\xBB\xBF", 0) == 0) t = raw.substr(3);
  else t = text::FromWindows1252(raw);
  std::string out;
  size_t pos = 0;
  while (pos < t.size()) {
    size_t end = t.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = t.size();
    out.append(t, pos, end - pos);
    out += '\n';
    pos = (end < t.size() && t[end] == '\r' && end + 1 < t.size() && t[end + 1] == '\n') ? end + 2 : end + 1;
  }
  return out;
}

// Leading decimal digits of a component; anything else (or nothing) is 0. Saturates instead
// of overflowing on absurd numbers.
int64_t ComponentValue(const std::string& s) {
  std::string t = text::Trim(s);
  int64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') break;
    v = v > 100000000000LL ? v : v * 10 + (c - '0');
  }
  return v;
}

void ShowError(const std::string& message) {
  AddLog("! " + message);
  TheShell().MessageRequester(Lang("Msg.Error"), message, kRequesterError);
}

}  // namespace

std::string AnnouncedVersion(const std::string& page) {
  std::string low = text::Lower(page);
  size_t at = low.find("version :");
  if (at == std::string::npos) return {};
  std::string part = low.substr(at, 50);
  part = part.substr(part.find(':') + 1);
  size_t tag = part.find('<');
  if (tag != std::string::npos) part.erase(tag);
  std::string clean;
  for (char c : part)
    if (c != '\r' && c != '\n') clean += c;
  return text::Replace(text::Trim(clean), ".", ",");
}

bool IsNewerVersion(const std::string& announced, const std::string& current) {
  auto n = text::Split(announced, ',');
  auto c = text::Split(current, ',');
  for (size_t i = 0; i < 4; ++i) {
    int64_t a = i < n.size() ? ComponentValue(n[i]) : 0;
    int64_t b = i < c.size() ? ComponentValue(c[i]) : 0;
    if (a > b) return true;
    if (a < b) return false;
  }
  return false;
}

void CheckNewVersion() { CheckNewVersion(UpdateSource{}); }

void CheckNewVersion(const UpdateSource& source) {
  AddLog("* Check for new version");
  AddLog(std::string(" Current Version : ") + kVersion);
  if (!App.NetworkReady) App.NetworkReady = NetworkInit();
  if (!App.NetworkReady) {
    ShowError(Lang("Msg.NoNetwork"));
    return;
  }
  const std::string tempFile = TempFolder(source) + kVersionTempFile;
  AddLog(" Temporary Html File : " + tempFile);
  AddLog(" URL File Page = " + source.url);

  std::string page;
  // Written where a later reader can find it; the atomic write never follows a link planted
  // under the file's name in a shared temporary folder.
  if (!Download(source, page) || !fileutil::WriteFileAtomic(tempFile, page)) {
    ShowError(Lang("CNV\\Msg.DownloadErrorVersionFile"));
    return;
  }
  std::string raw, content;
  bool readable = fileutil::ReadFile(tempFile, raw);
  if (readable) content = PageText(raw);
  else AddLog("! Can't acces to Tamporary FileVersion !");
  if (source.deleteDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(source.deleteDelayMs));
  fileutil::RemoveFile(tempFile);
  if (!readable) {
    ShowError(Lang("CNV\\Msg.ErrorReadintTempVersionFile"));
    return;
  }

  const std::string version = AnnouncedVersion(content);
  AddLog(" New version : " + version);
  if (IsNewerVersion(version, kVersion)) {
    int answer = TheShell().MessageRequester(Lang("Msg.Info"), Lang("CNV\\Msg.NewVersion", version), kRequesterYesNo);
    if (answer == kAnswerYes) {
      if (source.openPage) source.openPage(source.url);
      else platform::OpenDocument(source.url);
    }
  } else {
    TheShell().MessageRequester(Lang("Msg.Info"), Lang("CNV\\Msg.NoNewVersion"), kRequesterInfo);
  }
}

// The update check on request: the maker's version page is downloaded into a temporary file,
// the version it announces is compared with ours, and the user is told (and may open the page).
#pragma once
#include <functional>
#include <string>

// The maker's web site (also the About window's web button) and the version page on it.
inline constexpr const char* kMakerSite = "http://www.tondrial.org/";
inline constexpr const char* kVersionPage = "http://www.tondrial.org/Tondrial/index.php";
inline constexpr const char* kVersionTempFile = "Ver-Tondrial.txt";

// Where and how one check fetches the page. The program always uses the defaults; a test
// points a check at its own server.
struct UpdateSource {
  std::string url = kVersionPage;
  std::string tempFolder;               // "" = the system's temporary folder
  long connectTimeoutMs = 10000;        // the whole GUI waits meanwhile: keep it short
  long totalTimeoutMs = 20000;
  int deleteDelayMs = 500;              // before the temporary file is removed
  std::function<void(const std::string&)> openPage;  // null = the default browser
};

// The whole operation: log, download, compare, tell. Blocks until the page arrived or failed.
void CheckNewVersion();
void CheckNewVersion(const UpdateSource& source);

// The version a page announces after "version :" (any case), with "," between components;
// "" when the phrase is missing.
std::string AnnouncedVersion(const std::string& page);
// Component by component over four decimal components; missing or non-numeric ones count as 0.
bool IsNewerVersion(const std::string& announced, const std::string& current);

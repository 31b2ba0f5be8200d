// Operating-system services used by the logic layers.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace platform {

enum class Folder {
  AppData,       // per-user configuration folder
  Documents,     // the user's documents
  Music,         // the user's music
  ProgramFiles,  // the folder that holds installed programs
  Profile,       // the user's home
};

// The folder with a trailing "/", or "" when it cannot be found.
std::string SpecialFolder(Folder kind);
// Tests replace a folder lookup; an empty optional value restores the real lookup.
void OverrideSpecialFolder(Folder kind, const std::string* path);

// Full path of the running program file.
std::string ProgramFile();
// Current folder with a trailing "/".
std::string CurrentFolder();
bool SetCurrentFolder(const std::string& path);

// Name of the running system for the log.
std::string OSName();

// Names (file-name part of the executable) of the running processes, in /proc order.
std::vector<std::string> RunningProcessNames();

// Opens a document or web address in the user's default program.
bool OpenDocument(const std::string& pathOrUrl);

}  // namespace platform

namespace platform {

// Processor faults (SIGSEGV, SIGBUS, SIGFPE, SIGILL) build the fault report and hand it to
// report, which must write it out; the process then ends with exit code 1.
using FaultReporter = void (*)(const std::string& report);
void InstallFaultHandler(FaultReporter report);

// Builds the report text for a fault (exposed for tests).
struct FaultInfo {
  std::string description;
  unsigned long long code = 0;
  unsigned long long address = 0;
  bool hasTarget = false;
  unsigned long long target = 0;
  std::vector<std::pair<std::string, unsigned long long>> registers;
};
std::string FaultReportText(const FaultInfo& info);

}  // namespace platform

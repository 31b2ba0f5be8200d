// The event log: lines kept in memory and written to "Tondrial.Log" in batches.
// Lines start with "* " for a step, "- " for an action and "! " for an error.
#pragma once
#include <string>

inline constexpr size_t kLogBatchChars = 40000;

// Appends a line; header lines are kept for the whole run and head the file.
// Safe from any thread. Writes the file when the body grows past kLogBatchChars.
void AddLog(const std::string& text, bool header = false);

// Writes the pending lines. The first write of a run replaces the previous file
// (header first); later writes append. Returns nonzero when the file was written.
int WriteLog();

// Header and the body not yet written, as shown by the log window.
std::string LogText();

// Path of the log file (in PrefPath).
std::string LogFilePath();

// Fresh log state (tests).
void ResetLog();

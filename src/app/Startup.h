// From process start to the main window: mode, folders, log header, settings, language.
#pragma once
#include <string>
#include <vector>

// Sets Portable, HiddenInSystray and AppName from the program file name and the arguments.
void ParseCommandLine(const std::vector<std::string>& args, const std::string& programFile);

// MainPath, DataPath, PrefPath and the current folder; logs their lines.
void ResolveFolders(const std::string& programFile);

// Where an installed program keeps its shipped files: "<prefix>/share/tondrial/" for a program
// in "<prefix>/bin/" when that folder exists; "" when the files are beside the program (they
// win) or there is no such installation.
std::string InstalledDataFolder(const std::string& mainPath);

// What start-up says when the settings folder could not be written ("" when it could):
// where the settings go instead, or that they are not kept.
std::string FolderNoticeText();

// Header lines of the log: product, start time, system, program file.
void LogStartHeader(const std::string& programFile);

// Repairs loaded settings that are out of range, in a fixed order.
void ValidateSettings();

// The start-up steps that need no window: fault handler, command line, log header, folders,
// settings registration and loading, repair, languages. Steps that create windows follow in the UI.
void StartUpLogic(const std::vector<std::string>& args, const std::string& programFile);

// The orderly end: profile exit step, settings, log. Returns the exit code (0).
int ShutDown();

// Texts of the fatal creation errors (1, 3, 5, 6, 7, 9).
std::string FatalCreationErrorText(int code, const std::string& detail);
inline constexpr const char* kFatalTitle = "Erreur";

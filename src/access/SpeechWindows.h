// The two Windows screen readers, reached through their own libraries loaded by name.
#pragma once
#include <memory>

#include "access/Speech.h"

// Loads "JFWAPI.DLL" with its four entry points, or null (library or an entry point missing).
std::unique_ptr<SpeechBackend> LoadJawsLibrary();
// Loads "nvdaControllerClient.dll" with its four entry points, or null.
std::unique_ptr<SpeechBackend> LoadNvdaLibrary();

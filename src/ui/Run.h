// Entry of the windowed program. This header is free of wx so main.cpp stays out of the UI.
#pragma once

int RunUi(int argc, char** argv);
// Shows the creation failure and ends the program with exit code 0, without saving.
[[noreturn]] void FatalCreationError(int code);
// True once SIGTERM or SIGINT asked for an orderly quit.
bool QuitSignalled();

#include "app/Shell.h"

namespace {
Shell g_silent;
Shell* g_shell = &g_silent;
}  // namespace

Shell& TheShell() { return *g_shell; }
void SetShell(Shell* shell) { g_shell = shell ? shell : &g_silent; }

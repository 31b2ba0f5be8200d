#include "ui/Run.h"

#if defined(__SANITIZE_ADDRESS__)
// The toolkit keeps caches until the process ends; in a sanitizer build of the program those
// are not leaks worth a report (the tests of the logic keep leak checking on).
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
#endif

int main(int argc, char** argv) { return RunUi(argc, argv); }

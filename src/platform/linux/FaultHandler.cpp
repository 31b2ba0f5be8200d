#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/Platform.h"

namespace platform {
namespace {

FaultReporter g_report = nullptr;
volatile sig_atomic_t g_inFault = 0;

// The fault codes the report has always used, so support reads them the same way everywhere.
constexpr unsigned long long kAccessViolation = 3221225477ULL;  // C0000005
constexpr unsigned long long kIllegalInstruction = 3221225501ULL;  // C000001D
constexpr unsigned long long kIntegerDivide = 3221225620ULL;  // C0000094
constexpr unsigned long long kFloatFault = 3221225616ULL;  // C0000090

void OnFault(int sig, siginfo_t* si, void* ctx) {
  if (g_inFault) _exit(1);  // a fault while reporting: give up at once
  g_inFault = 1;
  FaultInfo info;
  switch (sig) {
    case SIGSEGV:
      info.description = "Segmentation fault (invalid memory access)";
      info.code = kAccessViolation;
      break;
    case SIGBUS:
      info.description = "Bus error (invalid memory access)";
      info.code = kAccessViolation;
      break;
    case SIGFPE:
      info.description = (si && (si->si_code == FPE_INTDIV || si->si_code == FPE_INTOVF))
                             ? "Integer divide by zero"
                             : "Floating point fault";
      info.code = (si && (si->si_code == FPE_INTDIV || si->si_code == FPE_INTOVF)) ? kIntegerDivide : kFloatFault;
      break;
    default:
      info.description = "Illegal instruction";
      info.code = kIllegalInstruction;
      break;
  }
  if (info.code == kAccessViolation && si) {
    info.hasTarget = true;
    info.target = reinterpret_cast<unsigned long long>(si->si_addr);
  }
#if defined(__x86_64__)
  if (ctx) {
    const auto* uc = static_cast<const ucontext_t*>(ctx);
    const greg_t* g = uc->uc_mcontext.gregs;
    info.address = static_cast<unsigned long long>(g[REG_RIP]);
    const std::pair<const char*, int> regs[] = {{"RAX", REG_RAX}, {"RBX", REG_RBX}, {"RCX", REG_RCX},
                                                {"RDX", REG_RDX}, {"RBP", REG_RBP}, {"RSI", REG_RSI},
                                                {"RDI", REG_RDI}, {"RSP", REG_RSP}, {"RIP", REG_RIP}};
    for (const auto& r : regs) info.registers.emplace_back(r.first, static_cast<unsigned long long>(g[r.second]));
  }
#else
  (void)ctx;
#endif
  if (g_report) g_report(FaultReportText(info));
  const timespec pause{0, 100 * 1000 * 1000};
  nanosleep(&pause, nullptr);
  _exit(1);
}

}  // namespace

void InstallFaultHandler(FaultReporter report) {
  g_report = report;
  static std::vector<char> altStack(1 << 16);
  stack_t ss{};
  ss.ss_sp = altStack.data();
  ss.ss_size = altStack.size();
  sigaltstack(&ss, nullptr);
  struct sigaction sa{};
  sa.sa_sigaction = OnFault;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaction(sig, &sa, nullptr);
}

}  // namespace platform

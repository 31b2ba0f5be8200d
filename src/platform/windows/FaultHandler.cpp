#include <windows.h>

#include "platform/Platform.h"

namespace platform {
namespace {

FaultReporter g_report = nullptr;
volatile LONG g_inFault = 0;

const char* Describe(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "Access violation (invalid memory access)";
    case EXCEPTION_IN_PAGE_ERROR: return "In-page error (invalid memory access)";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "Illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION: return "Privileged instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "Integer divide by zero";
    case EXCEPTION_INT_OVERFLOW: return "Integer overflow";
    case EXCEPTION_STACK_OVERFLOW: return "Stack overflow";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_DENORMAL_OPERAND: return "Floating point fault";
    default: return "Unknown exception";
  }
}

LONG WINAPI OnFault(EXCEPTION_POINTERS* ep) {
  if (InterlockedExchange(&g_inFault, 1) != 0) TerminateProcess(GetCurrentProcess(), 1);
  FaultInfo info;
  const EXCEPTION_RECORD* rec = ep ? ep->ExceptionRecord : nullptr;
  if (rec) {
    info.code = rec->ExceptionCode;
    info.description = Describe(rec->ExceptionCode);
    info.address = reinterpret_cast<unsigned long long>(rec->ExceptionAddress);
    // For an access violation the second parameter is the address that was touched.
    if ((rec->ExceptionCode == EXCEPTION_ACCESS_VIOLATION || rec->ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
        rec->NumberParameters >= 2) {
      info.hasTarget = true;
      info.target = rec->ExceptionInformation[1];
    }
  }
#if defined(__x86_64__) || defined(_M_X64)
  if (ep && ep->ContextRecord) {
    const CONTEXT* c = ep->ContextRecord;
    const std::pair<const char*, DWORD64> regs[] = {{"RAX", c->Rax}, {"RBX", c->Rbx}, {"RCX", c->Rcx},
                                                    {"RDX", c->Rdx}, {"RBP", c->Rbp}, {"RSI", c->Rsi},
                                                    {"RDI", c->Rdi}, {"RSP", c->Rsp}, {"RIP", c->Rip}};
    for (const auto& r : regs) info.registers.emplace_back(r.first, static_cast<unsigned long long>(r.second));
  }
#endif
  if (g_report) g_report(FaultReportText(info));
  Sleep(100);
  TerminateProcess(GetCurrentProcess(), 1);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallFaultHandler(FaultReporter report) {
  g_report = report;
  // No system error box: the report is ours.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnFault);
}

}  // namespace platform

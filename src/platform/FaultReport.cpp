#include "platform/Platform.h"

namespace platform {

std::string FaultReportText(const FaultInfo& info) {
  std::string r = "A program error was detected:\r\n\r\n";
  r += "Error Message:   " + info.description + "\r\n";
  r += "Error Code: " + std::to_string(info.code) + " at Address: " + std::to_string(info.address) + "\r\n";
  if (info.hasTarget) r += "Target Address:  " + std::to_string(info.target) + "\r\n";
  r += "Register content:\r\n\r\n";
  for (const auto& reg : info.registers) r += reg.first + " = " + std::to_string(reg.second) + "\r\n";
  return r;
}

}  // namespace platform

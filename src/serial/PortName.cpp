#include "serial/PortName.h"

namespace pw {

std::string DefaultPortName(int portNum, PortNaming naming) {
  if (portNum < 1) return {};
  if (naming == PortNaming::Posix) return "/dev/ttyS" + std::to_string(portNum - 1);
  const std::string name = "COM" + std::to_string(portNum);
  return portNum <= 9 ? name : "\\\\.\\" + name;
}

}  // namespace pw

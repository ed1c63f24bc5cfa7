// The platform's own name of serial port COM n, used when nothing names the
// device behind it. Both forms are here on every platform so that each can
// be tested anywhere.
#pragma once

#include <string>

namespace pw {

enum class PortNaming { Windows, Posix };

#ifdef _WIN32
inline constexpr PortNaming kNativePortNaming = PortNaming::Windows;
#else
inline constexpr PortNaming kNativePortNaming = PortNaming::Posix;
#endif

// Windows: "COM1" to "COM9", and "\\.\COM10" from two digits on, since only
// COM1 to COM9 are reserved device names that open without the device
// namespace prefix. POSIX: COM n is "/dev/ttyS" followed by n - 1. Empty for
// a number below 1.
std::string DefaultPortName(int portNum, PortNaming naming = kNativePortNaming);

}  // namespace pw

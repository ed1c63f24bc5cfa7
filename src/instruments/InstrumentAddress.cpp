#include "instruments/InstrumentAddress.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "base/TextScan.h"

namespace pw {
namespace {

bool ParseNumber(std::string_view text, int minValue, int maxValue, int& out) {
  int value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  if (value < minValue || value > maxValue) return false;
  out = value;
  return true;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

bool ParseTcp(std::string_view rest, InstrumentAddress& out, std::string& why) {
  // A bracketed IPv6 host keeps its colons: tcp:[::1]:5025.
  std::string_view host = rest;
  std::string_view port;
  if (!rest.empty() && rest.front() == '[') {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) {
      why = "The host name's \"[\" has no \"]\".";
      return false;
    }
    host = rest.substr(1, close - 1);
    const std::string_view after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') {
        why = "Only \":PORT\" may follow the host name.";
        return false;
      }
      port = after.substr(1);
      if (port.empty()) port = "-";
    }
  } else {
    const auto colon = rest.rfind(':');
    if (colon != std::string_view::npos) {
      host = rest.substr(0, colon);
      port = rest.substr(colon + 1);
      if (port.empty()) port = "-";
    }
  }
  host = TrimBlanks(host);
  if (host.empty()) {
    why = "The address names no host: write tcp:HOST[:PORT].";
    return false;
  }
  out.kind = InstrumentAddress::Kind::Tcp;
  out.host = std::string(host);
  out.port = 5025;
  if (!port.empty() && !ParseNumber(TrimBlanks(port), 1, 65535, out.port)) {
    why = "The port must be a number from 1 to 65535.";
    return false;
  }
  return true;
}

bool ParseSerial(std::string_view rest, InstrumentAddress& out, std::string& why) {
  std::string_view device = rest;
  out.baud = 9600;
  const auto comma = rest.find(',');
  if (comma != std::string_view::npos) {
    device = rest.substr(0, comma);
    if (!ParseNumber(TrimBlanks(rest.substr(comma + 1)), 50, 4000000, out.baud)) {
      why = "The baud rate must be a number from 50 to 4000000.";
      return false;
    }
  }
  device = TrimBlanks(device);
  if (device.empty()) {
    why = "The address names no serial device: write serial:DEVICE[,BAUD].";
    return false;
  }
  out.kind = InstrumentAddress::Kind::Serial;
  out.device = std::string(device);
  return true;
}

bool ParseUsbtmc(std::string_view rest, InstrumentAddress& out, std::string& why) {
#ifdef __linux__
  rest = TrimBlanks(rest);
  if (rest.empty()) {
    why = "The address names no device: write usbtmc:/dev/usbtmcN.";
    return false;
  }
  out.kind = InstrumentAddress::Kind::Usbtmc;
  out.device = std::string(rest);
  return true;
#else
  (void)rest;
  (void)out;
  why = "usbtmc: addresses exist on Linux only; reach the instrument by tcp: or serial: here.";
  return false;
#endif
}

}  // namespace

bool ParseInstrumentAddress(const std::string& text, InstrumentAddress& out, std::string& why) {
  const std::string_view trimmed = TrimBlanks(text);
  const auto colon = trimmed.find(':');
  InstrumentAddress parsed;
  bool ok = false;
  if (colon == std::string_view::npos) {
    why =
        "\"" + std::string(trimmed) + "\" is no address: write tcp:HOST[:PORT], usbtmc:DEVICE or serial:DEVICE[,BAUD].";
    return false;
  }
  const std::string scheme = Lower(TrimBlanks(trimmed.substr(0, colon)));
  const std::string_view rest = trimmed.substr(colon + 1);
  if (scheme == "tcp") {
    ok = ParseTcp(rest, parsed, why);
  } else if (scheme == "serial") {
    ok = ParseSerial(rest, parsed, why);
  } else if (scheme == "usbtmc") {
    ok = ParseUsbtmc(rest, parsed, why);
  } else {
    why = "\"" + scheme + ":\" is no kind of address: write tcp:, usbtmc: or serial:.";
    return false;
  }
  if (ok) out = parsed;
  return ok;
}

std::string InstrumentAddressText(const InstrumentAddress& address) {
  switch (address.kind) {
    case InstrumentAddress::Kind::Tcp: {
      const bool v6 = address.host.find(':') != std::string::npos;
      return "tcp:" + (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
    }
    case InstrumentAddress::Kind::Usbtmc:
      return "usbtmc:" + address.device;
    case InstrumentAddress::Kind::Serial:
      return "serial:" + address.device + "," + std::to_string(address.baud);
    case InstrumentAddress::Kind::None:
      break;
  }
  return std::string();
}

}  // namespace pw

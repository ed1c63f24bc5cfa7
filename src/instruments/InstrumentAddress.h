// The bench file's Address= texts: tcp:HOST[:PORT], usbtmc:/dev/usbtmcN and
// serial:DEVICE[,BAUD].
#pragma once

#include <string>

#include "platform/IInstrumentLink.h"

namespace pw {

// False with the reason in `why` for a text that names no address this
// program can reach (usbtmc: is refused off Linux, where no such device
// exists). Blanks around the text and its parts are ignored.
bool ParseInstrumentAddress(const std::string& text, InstrumentAddress& out, std::string& why);

// The text an address is written as; two roles share a connection when
// theirs are equal.
std::string InstrumentAddressText(const InstrumentAddress& address);

}  // namespace pw

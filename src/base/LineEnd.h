// The line end of every text the program writes for people: messages, the
// parameter dump, the service record. CR LF whatever the platform, so a
// report reads the same on the bench PC and anywhere it is copied to.
#pragma once

namespace pw {

inline constexpr const char* kCrLf = "\r\n";

}  // namespace pw

// The program's own icon, drawn at start-up so that no image file has to
// travel with the program.
#pragma once

#include <QIcon>

namespace pw {

QIcon AppIcon();

}  // namespace pw

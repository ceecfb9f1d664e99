#pragma once
// The program's window icon.
#include <QIcon>

namespace qm {

// From the icon theme when the installation is known to it, else the
// installed hicolor PNGs beside the program's prefix or those of the build.
QIcon application_icon();

}  // namespace qm

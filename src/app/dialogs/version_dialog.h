#pragma once
// Version (500): the program's name and version.
#include <QString>

class QWidget;

namespace qm {

// "Quillmark2 <version>".
QString program_version_text();

void run_version_dialog(QWidget* parent);

}  // namespace qm

#pragma once
// The program's entry and exit, in their fixed order.
//
// Start-up: the settings and key bindings from the per-user settings
// folder; the instance lock and this instance's temporary directory,
// claimed at once; the palettes and the texture library; the first
// Document of DefImgW × DefImgH with one layer; the main window, placed and
// shown; then the file named on the command line through the ordinary open
// flow. Shut-down: the settings and key bindings written, the undo history
// cleared, the palettes and textures written when changed, the Document
// freed and the temporary directory removed.
#include <QStringList>
#include <string>

namespace qm {

struct StartupOptions {
  std::string file;  // the one file to open; empty for none
  // Print the time to the first painted frame of the opened document, then
  // quit (also QUILLMARK2_BENCH_FIRST_FRAME=1).
  bool bench_first_frame = false;
};

// Arguments after the program's name: the first one that is not an option
// is the file.
StartupOptions parse_command_line(const QStringList& arguments);

// The whole life of the program; the process's exit code (0 also when
// start-up fails, which shows no message).
int run_program(int argc, char** argv);

}  // namespace qm

// quillmark2: the desktop program.
#include "app/app_startup.h"

int main(int argc, char** argv) { return qm::run_program(argc, argv); }

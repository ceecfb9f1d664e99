#pragma once
// quillmark2-cli filters / filter: the filter table from the command line.
namespace qm::cli {

// argv[1] is "filters" or "filter"; returns the exit code.
int run_filter_command(int argc, char** argv);

}  // namespace qm::cli

#include "cli/program.h"

int main(int argc, char** argv) {
  return hxf::cli::RunProgram(argc, argv);
}

// veltrix-convert: converts Tarvik logs to delimited text from the command line.
#include <iostream>

#include <unistd.h>

#include "cli/app.h"
#include "cli/interrupt.h"

int main(int argc, char** argv) {
  veltrix::cli::InstallInterruptHandlers();
  return veltrix::cli::Run(argc, argv, std::cout, std::cerr, veltrix::cli::InterruptFlag(),
                           ::isatty(STDERR_FILENO) == 1);
}

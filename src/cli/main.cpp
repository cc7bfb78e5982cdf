// veltrix-convert: converts Tarvik logs to delimited text from the command line.
#include <csignal>
#include <iostream>

#include <unistd.h>

#include "cli/app.h"
#include "cli/interrupt.h"

int main(int argc, char** argv) {
  veltrix::cli::InstallInterruptHandlers();
  // A reader of standard output that goes away is a failed write to report (and the other
  // outputs' temporary files to clear away), not a reason to vanish without a word.
  std::signal(SIGPIPE, SIG_IGN);
  return veltrix::cli::Run(argc, argv, std::cout, std::cerr, veltrix::cli::InterruptFlag(),
                           ::isatty(STDERR_FILENO) == 1);
}

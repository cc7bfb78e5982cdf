// veltrix-convert: converts Tarvik logs to delimited text from the command line.
#include <csignal>
#include <iostream>

#include <sys/resource.h>
#include <unistd.h>

#include "cli/app.h"
#include "cli/interrupt.h"

int main(int argc, char** argv) {
  // A merged survey keeps a scratch file or three per log until all are read: as many open files
  // as the system lets a process have.
  struct rlimit files {};
  if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    (void)::setrlimit(RLIMIT_NOFILE, &files);
  }
  veltrix::cli::InstallInterruptHandlers();
  // A reader of standard output that goes away is a failed write to report (and the other
  // outputs' temporary files to clear away), not a reason to vanish without a word.
  std::signal(SIGPIPE, SIG_IGN);
  return veltrix::cli::Run(argc, argv, std::cout, std::cerr, veltrix::cli::InterruptFlag(),
                           ::isatty(STDERR_FILENO) == 1);
}

#pragma once
// The command line of veltrix-convert, turned into plain settings.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "convert/conversion_options.h"
#include "plot/waterfall.h"
#include "products/catalogue.h"
#include "products/jobs.h"

namespace veltrix::cli {

struct CliSettings {
  std::vector<std::string> inputs;
  std::string output; // empty: each output name is derived from its input
  ConversionOptions options;
  ProductSet products;       // what each input gives
  WaterfallSettings picture; // the colour window of the pictures
  MapFilters filters;        // what the maps, tables and report leave out
  double busyDb = -80.0;     // the report's threshold of a busy channel
  bool merge = false;        // one set of maps and tables for every input
  std::string database;      // --sqlite FILE: the survey database every input goes into
  unsigned jobs = 1;
  bool quiet = false;
  bool info = false;
  bool json = false; // with info: the descriptions as JSON
};

// The delimiter index of a name ("comma", "tab", "space", "semicolon", any case), or -1.
int DelimiterIndexOf(std::string name);

// Parses the command line into `settings`. Returns nothing when the program should go on, or the
// status to exit with: kExitOk after --help or --version (written to `out`), kExitUsage after a
// usage error (explained on `err`).
std::optional<int> ParseArguments(int argc, const char* const* argv, CliSettings& settings,
                                  std::ostream& out, std::ostream& err);

// The usage-error report: the problem, then a pointer to --help.
void PrintUsageError(std::ostream& err, const std::string& problem);

} // namespace veltrix::cli

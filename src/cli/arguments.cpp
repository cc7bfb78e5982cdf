#include "cli/arguments.h"

#include <algorithm>
#include <cctype>
#include <thread>

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/job_plan.h"

#ifndef VELTRIX_VERSION
#define VELTRIX_VERSION "0.0.0"
#endif

namespace veltrix::cli {

namespace {

constexpr const char* kProgram = "veltrix-convert";

constexpr const char* kFooter =
    "At least one record group, a picture, a map or table, or --info is required. Files beside\n"
    "the output are named NAME.suffix, NAME being the output path without \".out\". A regular\n"
    "output file is replaced only when its conversion ends; damage in a log is reported as a\n"
    "warning.\n"
    "Exit status: 0 every input converted, 1 an input failed, 2 usage error,\n"
    "130 interrupted by SIGINT or SIGTERM (running conversions end with whole lines).";

unsigned DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

} // namespace

int DelimiterIndexOf(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (std::size_t i = 0; i < DelimiterNames.size(); ++i) {
    std::string known(DelimiterNames[i]);
    std::transform(known.begin(), known.end(), known.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name == known) return static_cast<int>(i);
  }
  return -1;
}

void PrintUsageError(std::ostream& err, const std::string& problem) {
  err << kProgram << ": " << problem << "\nRun with --help for more information.\n";
}

std::optional<int> ParseArguments(int argc, const char* const* argv, CliSettings& settings,
                                  std::ostream& out, std::ostream& err) {
  settings = CliSettings{};
  ConversionOptions& o = settings.options;
  std::string delimiter = "comma";
  long long jobs = DefaultJobs();
  bool noHeader = false;
  bool context = false;
  bool records = false;

  CLI::App app{"Converts Tarvik Wi-Fi analyser logs (.qx) to delimited text (.out), waterfall "
               "pictures, and maps and tables of their access points.",
               kProgram};
  app.set_version_flag("--version", std::string(kProgram) + " " + VELTRIX_VERSION);
  app.footer(kFooter);

  app.add_option("INPUT", settings.inputs, "logs to convert; - reads standard input")
      ->required()
      ->type_name("");
  CLI::Option* output =
      app.add_option("-o,--output", settings.output,
                     "output path (only with one INPUT; - writes standard output); default: "
                     "INPUT with a trailing \".qx\" replaced by \".out\", else with \".out\" "
                     "added; standard output for standard input")
          ->type_name("FILE");
  app.add_option("-d,--delimiter", delimiter, "comma (default) | tab | space | semicolon")
      ->type_name("NAME");
  app.add_flag("--no-header", noHeader, "omit the header record (it is written by default)");

  const char* contextGroup = "Context fields (at the start of every line)";
  app.add_flag("--rtc-date", o.rtcDate, "RTC date")->group(contextGroup);
  app.add_flag("--rtc-time", o.rtcTime, "RTC time")->group(contextGroup);
  app.add_flag("--marker", o.marker, "marker number")->group(contextGroup);
  app.add_flag("--gps-date", o.gpsDate, "GPS date")->group(contextGroup);
  app.add_flag("--gps-time", o.gpsTime, "GPS time")->group(contextGroup);
  app.add_flag("--gps-lat", o.gpsLatitude, "GPS latitude")->group(contextGroup);
  app.add_flag("--gps-lon", o.gpsLongitude, "GPS longitude")->group(contextGroup);
  app.add_flag("--context", context, "all seven context fields")->group(contextGroup);

  const char* recordGroup = "Record groups";
  app.add_flag("--full-spectrum", o.fullSpectrum, "full spectrum data")->group(recordGroup);
  app.add_flag("--single-spectrum", o.singleSpectrum, "single-channel spectrum")
      ->group(recordGroup);
  app.add_flag("--survey", o.survey, "survey MAC data")->group(recordGroup);
  app.add_flag("--ap-only", o.accessPointsOnly, "with --survey: access points only, no stations")
      ->group(recordGroup);
  app.add_flag("--single", o.single, "single-channel MAC data")->group(recordGroup);
  app.add_flag("--util", o.utilization, "utilization (% for each data rate)")->group(recordGroup);
  app.add_flag("--records", records,
               "the five groups full-spectrum, single-spectrum, survey, single, util")
      ->group(recordGroup);
  bool split = false;
  app.add_flag("--split", split,
               "one file per chosen group instead of one file: NAME.full-spectrum.out, "
               "NAME.single-spectrum.out, NAME.survey.out, NAME.single.out, NAME.util.out, each "
               "with its own header: the form spreadsheets and pandas load without misaligned "
               "columns")
      ->group(recordGroup);

  const char* pictureGroup = "Pictures";
  Products& products = settings.products;
  app.add_flag("--waterfall", products.picture,
               "a waterfall picture of the full spectrum as well, NAME.waterfall.png (NAME: the "
               "output path without \".out\"); alone when no record group is chosen")
      ->group(pictureGroup);
  std::pair<double, double> db{settings.picture.dbMin, settings.picture.dbMax};
  app.add_option("--db", db, "the picture's colour window in dBm (default: -100 -20)")
      ->type_name("MIN MAX")
      ->group(pictureGroup);

  const char* mapGroup = "Maps and tables of the access points (from surveys and beacons)";
  app.add_flag("--kml", products.kml,
               "NAME.kml: access points with a GPS position, for Google Earth")
      ->group(mapGroup);
  app.add_flag("--gpx", products.gpx, "NAME.gpx: the access points as waypoints and the GPS track")
      ->group(mapGroup);
  app.add_flag("--wigle", products.wigle,
               "NAME.wigle.csv: every sighting with a position, in WiGLE's CSV upload format")
      ->group(mapGroup);
  app.add_flag("--ap-summary", products.accessPoints,
               "NAME.aps.csv: one row per access point, in the chosen delimiter")
      ->group(mapGroup);

  app.add_option("-j,--jobs", jobs, "convert up to N inputs at once (default: the number of cores)")
      ->type_name("N");
  app.add_flag("-q,--quiet", settings.quiet, "no progress display");
  app.add_flag("--info", settings.info, "describe each log instead of converting it");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      app.exit(e, out, err); // --help or --version
      return kExitOk;
    }
    PrintUsageError(err, e.what());
    return kExitUsage;
  }

  if (output->count() > 0 && settings.output.empty()) {
    PrintUsageError(err, "--output needs a path");
    return kExitUsage;
  }
  if (output->count() > 0 && settings.info) {
    PrintUsageError(err, "--output cannot be used with --info");
    return kExitUsage;
  }
  if (output->count() > 0 && settings.inputs.size() > 1) {
    PrintUsageError(err, "--output needs exactly one INPUT");
    return kExitUsage;
  }
  const int delimiterIndex = DelimiterIndexOf(delimiter);
  if (delimiterIndex < 0) {
    PrintUsageError(err,
                    "unknown delimiter '" + delimiter + "': use comma, tab, space or semicolon");
    return kExitUsage;
  }
  o.delimiter = static_cast<Delimiter>(delimiterIndex);
  if (jobs < 1) {
    PrintUsageError(err, "--jobs must be at least 1");
    return kExitUsage;
  }
  settings.jobs = static_cast<unsigned>(std::min<long long>(jobs, 0xFFFFFFFF));
  o.header = !noHeader;
  if (context) o.TickAllContextFields();
  if (records) o.TickAllRecordGroups();
  if (!(db.first < db.second)) {
    PrintUsageError(err, "--db needs MIN below MAX");
    return kExitUsage;
  }
  settings.picture.dbMin = db.first;
  settings.picture.dbMax = db.second;
  if (split && IsStandardStream(settings.output)) {
    PrintUsageError(err, "--split writes files: it cannot be used with -o -");
    return kExitUsage;
  }
  if (split && !o.AnyRecordGroup()) {
    PrintUsageError(err, "--split needs at least one record group");
    return kExitUsage;
  }
  if (!settings.info && !o.AnyRecordGroup() && !products.picture && !products.AnyMapOrTable()) {
    PrintUsageError(err, o.accessPointsOnly
                             ? "--ap-only needs --survey"
                             : "choose at least one record group (--full-spectrum, "
                               "--single-spectrum, --survey, --single, --util or --records), "
                               "--waterfall, --kml, --gpx, --wigle or --ap-summary");
    return kExitUsage;
  }
  products.text = o.AnyRecordGroup();
  for (std::size_t g = 0; split && g < products.split.size(); ++g)
    products.split[g] = o.GroupTicked(g);
  return std::nullopt;
}

} // namespace veltrix::cli

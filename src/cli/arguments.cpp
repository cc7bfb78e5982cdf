#include "cli/arguments.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <thread>

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "products/catalogue.h"
#include "products/filter_texts.h"
#include "products/jobs.h"

#ifndef VELTRIX_VERSION
#define VELTRIX_VERSION "0.0.0"
#endif

namespace veltrix::cli {

namespace {

constexpr const char* kProgram = "veltrix-convert";
constexpr double kDbLimit = 10000; // --db's MIN and MAX, either way

// The help's closing lines.
std::string Footer() {
  const std::string text(ProductOf(ProductId::Text).suffix);
  return "At least one record group, a picture, a map or table, a report, or --info is required.\n"
         "Files beside the output are named NAME.suffix, NAME being the output path without\n\"" +
         text +
         "\". A regular output file is replaced only when its conversion ends; damage in a log\n"
         "is reported as a warning.\nExit status: 0 every input converted, 1 an input failed, "
         "2 usage error,\n130 interrupted by SIGINT or SIGTERM (running conversions end with "
         "whole lines).";
}

// "a, b or c"
std::string JoinedOr(const std::vector<std::string_view>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " or " : ", ";
    text += items[i];
  }
  return text;
}

// "--waterfall, --kml, --gpx, --wigle or --ap-summary": the products that need no record group.
std::string ProductsAlone() {
  std::vector<std::string_view> flags;
  for (const Product& product : Catalogue()) {
    if (!product.flag.empty() && product.place != FilePlace::BesidePerGroup)
      flags.push_back(product.flag);
  }
  return JoinedOr(flags);
}

unsigned DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

// "--kml, --gpx, --wigle, --ap-summary or --report": what --merge and the filters apply to.
std::string MapFlags() {
  std::vector<std::string_view> flags;
  for (const Product& product : Catalogue())
    if (product.makeSurvey != nullptr) flags.push_back(product.flag);
  return JoinedOr(flags);
}

// What is wrong with a --merge run, if anything.
std::optional<std::string> MergeProblem(const CliSettings& settings, bool maps) {
  if (settings.info) return "--merge cannot be used with --info";
  if (settings.output.empty()) return "--merge needs -o NAME to name the merged files";
  if (IsStandardStream(settings.output)) return "--merge writes files: it cannot be used with -o -";
  std::vector<std::string_view> others;
  if (settings.options.AnyRecordGroup()) others.push_back("a record group");
  for (const Product& product : Catalogue()) {
    if (product.makeSurvey == nullptr && product.place != FilePlace::Given &&
        !product.flag.empty() && settings.products.Has(product.id))
      others.push_back(product.flag);
  }
  if (!others.empty()) {
    return "--merge makes maps, tables and reports only, not " + JoinedOr(others) +
           ": convert the logs without --merge for those";
  }
  if (!maps) return "--merge needs " + MapFlags();
  return std::nullopt;
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

  const std::string text(ProductOf(ProductId::Text).suffix);
  CLI::App app{
      "Converts Tarvik Wi-Fi analyser logs (.qx) to delimited text (" + text +
          "), waterfall pictures, maps and tables of their access points, and survey reports.",
      kProgram};
  app.set_version_flag("--version", std::string(kProgram) + " " + VELTRIX_VERSION);
  app.footer(Footer());

  app.add_option("INPUT", settings.inputs, "logs to convert; - reads standard input")
      ->required()
      ->type_name("");
  CLI::Option* output =
      app.add_option("-o,--output", settings.output,
                     "output path (only with one INPUT, or NAME with --merge; - writes standard "
                     "output); default: "
                     "INPUT with a trailing \".qx\" replaced by \"" +
                         text + "\", else with \"" + text +
                         "\" added; standard output for standard input")
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

  const std::string recordGroup(ProductOf(ProductId::Split).helpGroup);
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

  // A flag for every product that has one, where --help lists it; --db with the pictures.
  std::vector<std::pair<ProductId, bool>> asked;
  asked.reserve(Catalogue().size());
  for (const Product& product : Catalogue()) asked.emplace_back(product.id, false);
  for (std::size_t i = 0; i < asked.size(); ++i) {
    const Product& product = Catalogue()[i];
    if (product.flag.empty()) continue;
    // The database is a file named on the command line, not one beside the output.
    if (product.place == FilePlace::Given) {
      app.add_option(std::string(product.flag), settings.database, std::string(product.help))
          ->type_name("FILE")
          ->group(std::string(product.helpGroup));
      continue;
    }
    app.add_flag(std::string(product.flag), asked[i].second, std::string(product.help))
        ->group(std::string(product.helpGroup));
  }
  const std::string mapsGroup(ProductOf(ProductId::Kml).helpGroup);
  app.add_flag("--merge", settings.merge,
               "one set of the maps, tables and report asked for from all INPUTs, named after -o "
               "NAME (NAME.kml...): the logs in the order of their first record's clock")
      ->group(mapsGroup);
  std::pair<double, double> db{settings.picture.dbMin, settings.picture.dbMax};
  app.add_option("--db", db, "the picture's colour window in dBm (default: -100 -20)")
      ->type_name("MIN MAX")
      ->group(std::string(ProductOf(ProductId::Waterfall).helpGroup));

  std::optional<std::string> busyDb;
  app.add_option("--busy-db", busyDb,
                 "the report's busy channels: a highest level near the channel at or above DBM "
                 "(default: -80)")
      ->type_name("DBM")
      ->group(std::string(ProductOf(ProductId::Report).helpGroup));

  // Filters: their values are read after the parse, to name a malformed one with its option.
  const char* filterGroup = "Filters of the maps, tables and report";
  FilterTexts texts;
  MapFilters& filters = settings.filters;
  std::vector<CLI::Option*> filterOptions = {
      app.add_option("--min-rssi", texts.minRssi,
                     "leave out sightings weaker than DBM, such as -75")
          ->type_name("DBM"),
      app.add_option("--from", texts.from,
                     "leave out sightings (and track points) before TIME: YYYY-MM-DD, "
                     "YYYY-MM-DDTHH:MM or YYYY-MM-DDTHH:MM:SS (RTC)")
          ->type_name("TIME"),
      app.add_option("--to", texts.to,
                     "leave out sightings (and track points) after TIME; a date "
                     "alone means its end")
          ->type_name("TIME"),
      app.add_option("--ssid", filters.accessPoints.ssids,
                     "keep the access points whose SSID matches GLOB (* ? [...] [!...]); "
                     "repeatable: any of them")
          ->type_name("GLOB")
          ->allow_extra_args(false),
      app.add_option("--exclude-ssid", filters.accessPoints.excludeSsids,
                     "leave out the access points whose SSID matches GLOB; repeatable")
          ->type_name("GLOB")
          ->allow_extra_args(false),
      app.add_option("--exclude-mac", texts.macLists,
                     "leave out these access points: MACs separated by commas, or @FILE with a "
                     "MAC per line; repeatable")
          ->type_name("LIST")
          ->allow_extra_args(false),
      app.add_option("--channel", texts.channels,
                     "keep the access points on these channels (their strongest sighting's): "
                     "1,6,11 or 1-6")
          ->type_name("LIST"),
      app.add_option("--encryption", texts.encryption,
                     "keep only the open or only the WEP access points")
          ->type_name("open|wep"),
  };
  for (CLI::Option* option : filterOptions) option->group(filterGroup);

  app.add_option("-j,--jobs", jobs, "convert up to N inputs at once (default: the number of cores)")
      ->type_name("N");
  app.add_flag("-q,--quiet", settings.quiet, "no progress display");
  app.add_flag("--info", settings.info, "describe each log instead of converting it");
  app.add_flag("--json", settings.json,
               "with --info: one JSON array on standard output, an object per log");

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
  if (settings.json && !settings.info) {
    PrintUsageError(err, "--json applies to --info");
    return kExitUsage;
  }
  if (output->count() > 0 && settings.inputs.size() > 1 && !settings.merge) {
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
  // A colour window beyond any level a log holds would only stall the drawing of its scale.
  if (!(std::fabs(db.first) <= kDbLimit && std::fabs(db.second) <= kDbLimit)) {
    PrintUsageError(err, "--db: MIN and MAX must lie within -10000 to 10000 dBm");
    return kExitUsage;
  }
  if (!(db.first < db.second)) {
    PrintUsageError(err, "--db needs MIN below MAX");
    return kExitUsage;
  }
  settings.picture.dbMin = db.first;
  settings.picture.dbMax = db.second;
  ProductSet& products = settings.products;
  for (const auto& [id, ticked] : asked)
    if (ticked) products.Add(id);
  if (!settings.database.empty()) {
    if (IsStandardStream(settings.database)) {
      PrintUsageError(err, "--sqlite writes a database file: it cannot be -");
      return kExitUsage;
    }
    // Each import is known by the SHA-256 of its log's bytes, read from the file.
    for (const std::string& input : settings.inputs) {
      if (IsStandardStream(input)) {
        PrintUsageError(err, "--sqlite imports log files: it cannot read standard input");
        return kExitUsage;
      }
    }
    products.Add(ProductId::Database);
  }
  const bool split = products.Has(ProductId::Split);
  if (split && IsStandardStream(settings.output)) {
    PrintUsageError(err, "--split writes files: it cannot be used with -o -");
    return kExitUsage;
  }
  if (split && !o.AnyRecordGroup()) {
    PrintUsageError(err, "--split needs at least one record group");
    return kExitUsage;
  }
  if (busyDb && !products.Has(ProductId::Report)) {
    PrintUsageError(err, "--busy-db applies to --report");
    return kExitUsage;
  }
  if (busyDb) {
    const std::optional<int> level = ParseLevel(*busyDb);
    if (!level) {
      PrintUsageError(err,
                      "--busy-db: '" + *busyDb + "' is not a whole number of dBm, such as -80");
      return kExitUsage;
    }
    settings.busyDb = *level;
  }
  const FilterNames names{"--min-rssi", "--from",       "--to",
                          "--channel",  "--encryption", "--exclude-mac"};
  if (const std::optional<std::string> problem = ReadFilters(texts, names, filters)) {
    PrintUsageError(err, *problem);
    return kExitUsage;
  }
  bool maps = false;
  for (const Product& product : Catalogue())
    maps = maps || (product.makeSurvey != nullptr && products.Has(product.id));
  for (CLI::Option* option : filterOptions) {
    if (option->count() > 0 && !maps) {
      PrintUsageError(err, option->get_name() + " filters the maps, tables and report: add " +
                               MapFlags());
      return kExitUsage;
    }
  }
  if (settings.merge) {
    if (const std::optional<std::string> problem = MergeProblem(settings, maps)) {
      PrintUsageError(err, *problem);
      return kExitUsage;
    }
  }
  if (!settings.info && !o.AnyRecordGroup() && !products.Any()) {
    PrintUsageError(err, o.accessPointsOnly
                             ? "--ap-only needs --survey"
                             : "choose at least one record group (--full-spectrum, "
                               "--single-spectrum, --survey, --single, --util or --records), " +
                                   ProductsAlone());
    return kExitUsage;
  }
  // The ticked record groups give one text, or with --split one per group.
  if (o.AnyRecordGroup() && !split) products.Add(ProductId::Text);
  return std::nullopt;
}

} // namespace veltrix::cli

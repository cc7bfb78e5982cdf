// The catalogue's rows and the factories of the three output families.
#include "products/catalogue.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "outputs/database/database_output.h"
#include "outputs/maps/map_output.h"
#include "outputs/maps/merged_maps.h"
#include "outputs/picture/waterfall_output.h"
#include "outputs/report/merged_report.h"
#include "outputs/report/report_output.h"
#include "outputs/text/delimited_text_output.h"

namespace veltrix {
namespace {

void MakeTextOutputs(std::span<const ProductFile> files, const ProductSettings& settings,
                     Convert::Outputs& outputs) {
  for (const ProductFile& file : files) {
    const ConversionOptions options = file.product == ProductId::Split
                                          ? settings.options.WithGroupAlone(file.group)
                                          : settings.options;
    outputs.push_back(
        std::make_unique<DelimitedTextOutput>(file.destination, options, settings.spare));
  }
}

void MakePictureOutputs(std::span<const ProductFile> files, const ProductSettings& settings,
                        Convert::Outputs& outputs) {
  for (const ProductFile& file : files) {
    WaterfallSettings picture = settings.picture;
    picture.name = settings.logName;
    outputs.push_back(std::make_unique<WaterfallOutput>(file.destination, picture));
  }
}

MapFiles MapFilesOf(std::span<const ProductFile> files) {
  MapFiles maps;
  for (const ProductFile& file : files) {
    switch (file.product) {
    case ProductId::Kml:
      maps.kml = file.destination;
      break;
    case ProductId::Gpx:
      maps.gpx = file.destination;
      break;
    case ProductId::Wigle:
      maps.wigle = file.destination;
      break;
    case ProductId::AccessPointSummary:
      maps.accessPoints = file.destination;
      break;
    default:
      break;
    }
  }
  return maps;
}

// One output for every map and table of the log: they share its decoder and access points.
MapSettings MapSettingsOf(const ProductSettings& settings) {
  MapSettings map;
  map.name = settings.logName;
  map.delimiter = settings.options.DelimiterChar();
  map.spare = settings.spare;
  return map;
}

void MakeMapOutputs(std::span<const ProductFile> files, const ProductSettings& settings,
                    Convert::Outputs& outputs) {
  outputs.push_back(
      std::make_unique<MapOutput>(MapFilesOf(files), MapSettingsOf(settings), settings.filters));
}

void MakeMergedMaps(std::span<const ProductFile> files, const ProductSettings& settings,
                    const std::vector<SurveyLog>& logs,
                    std::vector<std::unique_ptr<SurveyOutput>>& outputs) {
  outputs.push_back(std::make_unique<MergedMaps>(MapFilesOf(files), MapSettingsOf(settings),
                                                 settings.filters, logs));
}

ReportSettings ReportSettingsOf(const ProductSettings& settings) {
  ReportSettings report;
  report.name = settings.logName;
  report.picture = settings.picture;
  report.busyDb = settings.busyDb;
  report.filters = settings.filters;
  return report;
}

void MakeReportOutputs(std::span<const ProductFile> files, const ProductSettings& settings,
                       Convert::Outputs& outputs) {
  for (const ProductFile& file : files)
    outputs.push_back(std::make_unique<ReportOutput>(file.destination, ReportSettingsOf(settings)));
}

void MakeMergedReports(std::span<const ProductFile> files, const ProductSettings& settings,
                       const std::vector<SurveyLog>& logs,
                       std::vector<std::unique_ptr<SurveyOutput>>& outputs) {
  for (const ProductFile& file : files) {
    outputs.push_back(
        std::make_unique<MergedReport>(file.destination, ReportSettingsOf(settings), logs));
  }
}

// Every log into the one database of the run.
void MakeDatabaseOutputs(std::span<const ProductFile> files, const ProductSettings& settings,
                         Convert::Outputs& outputs) {
  if (files.empty() || !settings.database) return;
  outputs.push_back(std::make_unique<DatabaseOutput>(settings.database, settings.logPath,
                                                     settings.logName, settings.spare));
}

constexpr const char* kRecordGroupsHelp = "Record groups";
constexpr const char* kPicturesHelp = "Pictures";
constexpr const char* kMapsHelp = "Maps and tables of the access points (from surveys and beacons)";
constexpr const char* kReportHelp = "Report";

constexpr std::array<Product, 9> kCatalogue = {{
    {ProductId::Text, "text", "", ".out", FilePlace::Output, "text", "", "", MakeTextOutputs},
    {ProductId::Split, "split", "--split", ".GROUP.out", FilePlace::BesidePerGroup, "files",
     kRecordGroupsHelp,
     "one file per chosen group instead of one file: NAME.full-spectrum.out, "
     "NAME.single-spectrum.out, NAME.survey.out, NAME.single.out, NAME.util.out, each with its "
     "own header: the form spreadsheets and pandas load without misaligned columns",
     MakeTextOutputs, nullptr, "Split text by record &group"},
    {ProductId::Waterfall, "waterfall", "--waterfall", ".waterfall.png", FilePlace::Beside,
     "picture", kPicturesHelp,
     "a waterfall picture of the full spectrum as well, NAME.waterfall.png (NAME: the output "
     "path without \".out\"); alone when no record group is chosen",
     MakePictureOutputs, nullptr, "&Waterfall picture"},
    {ProductId::Kml, "kml", "--kml", ".kml", FilePlace::Beside, "map", kMapsHelp,
     "NAME.kml: access points with a GPS position, for Google Earth", MakeMapOutputs,
     MakeMergedMaps, "&KML map"},
    {ProductId::Gpx, "gpx", "--gpx", ".gpx", FilePlace::Beside, "map", kMapsHelp,
     "NAME.gpx: the access points as waypoints and the GPS track", MakeMapOutputs, MakeMergedMaps,
     "G&PX"},
    {ProductId::Wigle, "wigle", "--wigle", ".wigle.csv", FilePlace::Beside, "table", kMapsHelp,
     "NAME.wigle.csv: every sighting with a position, in WiGLE's CSV upload format", MakeMapOutputs,
     MakeMergedMaps, "WiGLE &CSV"},
    {ProductId::AccessPointSummary, "ap-summary", "--ap-summary", ".aps.csv", FilePlace::Beside,
     "table", kMapsHelp, "NAME.aps.csv: one row per access point, in the chosen delimiter",
     MakeMapOutputs, MakeMergedMaps, "&Access-point table"},
    {ProductId::Report, "report", "--report", ".report.html", FilePlace::Beside, "report",
     kReportHelp,
     "NAME.report.html: one page for a browser or a PDF: the summary, spectrum, channel "
     "utilization, access points and a map",
     MakeReportOutputs, MakeMergedReports, "&Report"},
    {ProductId::Database, "sqlite", "--sqlite", ".db", FilePlace::Given, "database", "Database",
     "every record of every INPUT, typed, and the access points' sightings, into the SQLite "
     "database FILE (created when missing; a log imported before is replaced)",
     MakeDatabaseOutputs, nullptr, "&Database (SQLite)"},
}};

constexpr bool RowsInIdOrder() {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i)
    if (static_cast<std::size_t>(kCatalogue[i].id) != i) return false;
  return true;
}
static_assert(RowsInIdOrder(), "ProductOf finds a row by its id");

// The part of a per-group suffix that the group's name replaces.
constexpr std::string_view kGroupMark = "GROUP";

} // namespace

std::span<const Product> Catalogue() {
  return kCatalogue;
}

const Product& ProductOf(ProductId id) {
  return kCatalogue[static_cast<std::size_t>(id)];
}

std::string FileBeside(std::string_view stem, const Product& product, RecordGroup group) {
  std::string path(stem);
  std::string_view suffix = product.suffix;
  if (product.place == FilePlace::BesidePerGroup) {
    const std::size_t mark = suffix.find(kGroupMark);
    path.append(suffix.substr(0, mark));
    path.append(RecordGroupNames[static_cast<std::size_t>(group)]);
    suffix.remove_prefix(mark + kGroupMark.size());
  }
  return path.append(suffix);
}

std::vector<std::unique_ptr<SurveyOutput>> MakeSurveyOutputs(std::span<const ProductFile> files,
                                                             const ProductSettings& settings,
                                                             const std::vector<SurveyLog>& logs) {
  std::vector<std::unique_ptr<SurveyOutput>> outputs;
  std::vector<SurveyFactory> made;
  for (const Product& row : kCatalogue) {
    if (row.makeSurvey == nullptr ||
        std::find(made.begin(), made.end(), row.makeSurvey) != made.end()) {
      continue;
    }
    made.push_back(row.makeSurvey);
    std::vector<ProductFile> family;
    for (const Product& member : kCatalogue) {
      if (member.makeSurvey != row.makeSurvey) continue;
      for (const ProductFile& file : files)
        if (file.product == member.id) family.push_back(file);
    }
    if (!family.empty()) row.makeSurvey(family, settings, logs, outputs);
  }
  return outputs;
}

Convert::Outputs MakeOutputs(std::span<const ProductFile> files, const ProductSettings& settings) {
  Convert::Outputs outputs;
  std::vector<OutputFactory> made;
  for (const Product& row : kCatalogue) {
    if (std::find(made.begin(), made.end(), row.make) != made.end()) continue;
    made.push_back(row.make);
    std::vector<ProductFile> family;
    for (const Product& member : kCatalogue) {
      if (member.make != row.make) continue;
      for (const ProductFile& file : files)
        if (file.product == member.id) family.push_back(file);
    }
    if (!family.empty()) row.make(family, settings, outputs);
  }
  return outputs;
}

} // namespace veltrix

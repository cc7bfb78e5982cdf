#pragma once
// The catalogue of products: one row per product a log can give, with its name, its command-line
// flag, its file-name suffix, its help line and the factory that makes its outputs. The front ends
// loop over it (flags, file names, reports), so a new product is one output family (or one writer
// in a family) and one row here. (output_names.h holds the rules that name the text itself.)

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/map_filters.h"
#include "convert/conversion_options.h"
#include "convert/convert.h"
#include "convert/survey_output.h"
#include "io/output_target.h"
#include "io/spare_thread.h"
#include "outputs/database/survey_database.h"
#include "plot/waterfall.h"

namespace veltrix {

enum class ProductId : std::uint8_t {
  Text,
  Split,
  Waterfall,
  Kml,
  Gpx,
  Wigle,
  AccessPointSummary,
  Report,
  Database
};

// What the factories read besides the files.
struct ProductSettings {
  ConversionOptions options; // the text's choices; the access-point table takes its delimiter
  WaterfallSettings picture; // the pictures' colour window
  std::string logName;       // the log's file name, for titles and the maps' document names
  MapFilters filters;        // what the maps, tables and the report's access points leave out
  double busyDb = -80.0;     // the report's threshold of a busy channel
  std::string logPath;       // the log's path as given, for the database's import
  std::shared_ptr<SurveyDatabase> database; // the one the database's imports go to
  // The conversion's spare thread, when -j leaves it one (see SpareThreads): the text is written
  // on it while the next lines are formatted, the maps and tables handle their sightings and
  // track on it, and the database inserts its rows on it.
  std::shared_ptr<SpareThread> spare;
};

// One file of a product, for one log.
struct ProductFile {
  ProductId product;
  OutputDestination destination;
  RecordGroup group = RecordGroup::FullSpectrum; // the one record group of a --split file
};

// Where a product's files go, given the output path and NAME (the output path without ".out").
enum class FilePlace : std::uint8_t {
  Output,         // at the output path itself (the text)
  Beside,         // NAME + suffix
  BesidePerGroup, // one per ticked record group: NAME + suffix with GROUP replaced by its name
  Given,          // one file named by the front end, which every log of a run goes into
};

// Appends the outputs that write `files`, all of one family (the rows sharing the factory).
using OutputFactory = void (*)(std::span<const ProductFile> files, const ProductSettings& settings,
                               Convert::Outputs& outputs);
// The same for a survey of `logs` (--merge); `settings.logName` names the survey.
using SurveyFactory = void (*)(std::span<const ProductFile> files, const ProductSettings& settings,
                               const std::vector<SurveyLog>& logs,
                               std::vector<std::unique_ptr<SurveyOutput>>& outputs);

struct Product {
  ProductId id;
  std::string_view name;   // "kml"
  std::string_view flag;   // "--kml"; empty for the text, which the record groups ask for
  std::string_view suffix; // ".kml"
  FilePlace place;
  std::string_view noun;      // what messages call its files: "map"
  std::string_view helpGroup; // where --help lists the flag
  std::string_view help;
  OutputFactory make;
  // For the products --merge makes one of for all logs (to which the maps' filters apply too).
  SurveyFactory makeSurvey = nullptr;
  // Its check box in the window's Export dialog, with its mnemonic; empty: not there.
  std::string_view caption = {};
};

// Every product, in the order their outputs are made and their files reported.
std::span<const Product> Catalogue();
const Product& ProductOf(ProductId id);

// The file of `product` beside NAME (`stem`), of record group `group` for one per group.
std::string FileBeside(std::string_view stem, const Product& product,
                       RecordGroup group = RecordGroup::FullSpectrum);

// The outputs that write one log's `files`, in catalogue order; the files of one family go to one
// factory, so that they come from one decoder.
Convert::Outputs MakeOutputs(std::span<const ProductFile> files, const ProductSettings& settings);

// The outputs of a survey of `logs` that write `files` (of products with a survey factory), in
// catalogue order; `settings.logName` names the survey.
std::vector<std::unique_ptr<SurveyOutput>> MakeSurveyOutputs(std::span<const ProductFile> files,
                                                             const ProductSettings& settings,
                                                             const std::vector<SurveyLog>& logs);

// A choice of products.
class ProductSet {
public:
  ProductSet() = default;
  ProductSet(std::initializer_list<ProductId> ids) {
    for (const ProductId id : ids) Add(id);
  }
  void Add(ProductId id) { bits_ |= Bit(id); }
  void Remove(ProductId id) { bits_ &= ~Bit(id); }
  bool Has(ProductId id) const { return (bits_ & Bit(id)) != 0; }
  bool Any() const { return bits_ != 0; }
  bool operator==(const ProductSet&) const = default;

private:
  static std::uint32_t Bit(ProductId id) { return std::uint32_t{1} << static_cast<unsigned>(id); }
  std::uint32_t bits_ = 0;
};

} // namespace veltrix

// The catalogue: file names beside NAME, and one output per family for a log's files.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "products/catalogue.h"

namespace veltrix {
namespace {

TEST(Catalogue, RowsNameDistinctFilesAndFlags) {
  std::set<std::string_view> names, flags, suffixes;
  for (const Product& product : Catalogue()) {
    EXPECT_EQ(&ProductOf(product.id), &product);
    EXPECT_TRUE(names.insert(product.name).second) << product.name;
    EXPECT_TRUE(suffixes.insert(product.suffix).second) << product.name;
    // Only the text goes without a flag of its own; every flag has its help line.
    EXPECT_EQ(product.flag.empty(), product.place == FilePlace::Output) << product.name;
    if (!product.flag.empty()) {
      EXPECT_TRUE(flags.insert(product.flag).second) << product.name;
      EXPECT_FALSE(product.help.empty() || product.helpGroup.empty()) << product.name;
    }
  }
  EXPECT_EQ(FileBeside("d/site", ProductOf(ProductId::Split), RecordGroup::SingleSpectrum),
            "d/site.single-spectrum.out");
  EXPECT_EQ(FileBeside("d/site", ProductOf(ProductId::AccessPointSummary)), "d/site.aps.csv");
}

// The files of one family go to one output (the maps share their decoder and access points),
// the families in catalogue order whatever the order of the files.
TEST(Catalogue, MakesOneOutputPerFamily) {
  using P = ProductId;
  using Destinations = std::vector<std::vector<std::string>>; // of each output, in order
  const std::pair<std::vector<ProductId>, Destinations> cases[] = {
      {{}, {}},
      {{P::Text}, {{"text"}}},
      {{P::Wigle, P::Kml, P::AccessPointSummary, P::Gpx}, {{"kml", "gpx", "wigle", "ap-summary"}}},
      {{P::Gpx, P::Waterfall, P::Split, P::Text}, {{"text"}, {"split"}, {"waterfall"}, {"gpx"}}},
  };
  for (const auto& [ids, expected] : cases) {
    std::vector<ProductFile> files;
    for (const ProductId id : ids) files.push_back({id, {std::string(ProductOf(id).name)}});
    Destinations made;
    for (const auto& output : MakeOutputs(files, {})) {
      std::vector<std::string>& paths = made.emplace_back();
      for (const OutputDestination& d : output->Destinations()) paths.push_back(d.path);
    }
    EXPECT_EQ(made, expected);
  }
}

} // namespace
} // namespace veltrix

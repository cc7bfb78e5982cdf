#pragma once
// The report as one self-contained web page: its sections (summary, spectrum, channel
// utilization, access points, map) in that order, each a <section> with its heading; pictures
// inside it as PNG data or SVG, the style sheet inline, nothing to fetch. Every text from a log is
// cleaned and escaped.

#include <string>
#include <utility>
#include <vector>

#include "analysis/access_points.h"
#include "analysis/spectrum_stats.h"
#include "analysis/utilization_stats.h"
#include "decode/log_summary.h"
#include "io/output_file.h"
#include "plot/svg.h"

namespace veltrix::report {

// A log of the page, in merge order.
struct PageLog {
  std::string name; // its file name
  const LogSummary* summary;
  const std::string* waterfallPng; // empty without full spectra
};

struct PageContent {
  std::string title; // the log's name, or the survey's
  std::string program;
  std::vector<PageLog> logs;
  // The options and filters used, each a name and its value.
  std::vector<std::pair<std::string, std::string>> settings;
  const SpectrumStats* spectrum;
  std::string densityPng; // empty without sweeps
  const UtilizationStats* utilization;
  const AccessPointTable* table; // after the filters
  bool sightings;                // any access point was sighted, kept or not
  std::vector<MapTrack> tracks;
};

void WritePage(OutputFile& out, const PageContent& content);

} // namespace veltrix::report

#pragma once
// One log's pass for the report: what the engine decodes for it, the log's summary, its waterfall
// picture, the statistics of its spectrum and utilization, its access points (gathered here for one
// log, or kept in a scratch file for a survey's merge) and its track as the map shows it.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "analysis/access_points.h"
#include "analysis/map_filters.h"
#include "analysis/spectrum_stats.h"
#include "analysis/spectrum_worker.h"
#include "analysis/survey_map.h"
#include "analysis/survey_merge.h"
#include "analysis/sweep_accumulator.h"
#include "analysis/utilization_stats.h"
#include "convert/conversion_output.h"
#include "decode/decoders.h"
#include "decode/log_summary.h"
#include "io/output_file.h"
#include "io/scratch_file.h"
#include "plot/waterfall.h"

namespace veltrix::report {

struct PartSettings {
  WaterfallSettings picture; // its name the log's; its colour window the density's too
  double busyDb = -80.0;
  SightingFilter filter;
  bool keepSightings = false; // for a merge: every sighting in a scratch file
  std::size_t capacity = AccessPointTable::kDefaultCapacity;
};

class ReportPart : private SightingSink {
public:
  ReportPart(PartSettings settings, std::string scratchBeside);

  bool Open(LogVariant variant);
  // What the conversion's engine decodes for it, and the decoder it runs (ConversionOutput's).
  static RecordGroups DecodedGroups();
  void UseDecoder(RecordDecoder& decoder);
  void Take(const Frame& frame);
  void LogEnded(const LogEnd& end);
  // Draws the waterfall and completes the scratch file. False when either fails. `beside`, when
  // given, runs at the same time, once every sweep is in Spectrum().
  bool Finish(const std::function<void()>& beside = {});
  void Abandon();
  bool Failed() const { return sightings_out_.Failed(); }
  std::string FailureDetail() const;

  const PartSettings& Settings() const { return settings_; }
  const std::optional<DateTime>& FirstRecord() const { return clock_.Time(); }
  const LogSummary& Summary() const { return summary_; }
  // The waterfall's PNG, empty for a log without full spectra.
  const std::string& WaterfallPng() const { return waterfall_png_; }
  const SpectrumStats& Spectrum() const { return spectrum_; }
  const UtilizationStats& Utilization() const { return utilization_; }
  AccessPointTable& Table() { return table_; }
  // Sightings of access points, kept by the filters or not.
  std::uint64_t Sighted() const { return sighted_; }
  ScratchFile& Sightings() { return sightings_; }
  const PositionTrail& Trail() const { return trail_; }

private:
  void AccessPointSighted(const StationNode& node) override;
  void RecordDecoded(const Frame& frame);

  const PartSettings settings_;
  const std::string scratch_beside_;
  LogVariant variant_ = LogVariant::G;
  RecordDecoder* decoder_ = nullptr; // the engine's, until Finish
  std::optional<LogSummaryBuilder> builder_;
  FirstRecordClock clock_;
  LogSummary summary_;
  SweepAccumulator sweeps_;
  std::string waterfall_png_;
  std::string draw_failure_;
  SpectrumStats spectrum_;
  SpectrumWorker spectrum_worker_{spectrum_}; // adds the sweeps to spectrum_ beside the reading
  UtilizationStats utilization_;
  AccessPointTable table_;
  PositionTrail trail_;
  ScratchFile sightings_;
  OutputFile sightings_out_{','};
  std::string record_;
  std::uint64_t sighted_ = 0;
};

} // namespace veltrix::report

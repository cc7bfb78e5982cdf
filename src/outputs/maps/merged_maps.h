#pragma once
// A survey of many logs as one set of maps and tables. Each log is read by a part of its own (the
// logs at the same time, in any order); once all are read, their sightings are gathered into one
// access-point table in merge order (survey_merge.h), as if the logs were one log, the filters are
// applied and the files written: the same bytes whatever the order the logs were read in.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/map_filters.h"
#include "convert/conversion_output.h"
#include "convert/survey_output.h"
#include "outputs/maps/map_files.h"
#include "outputs/maps/map_part.h"

namespace veltrix {

class MergedMaps final : public SurveyOutput {
public:
  // `settings.name` names the documents of several logs; one log's documents take its own name.
  MergedMaps(MapFiles files, MapSettings settings, MapFilters filters, std::vector<SurveyLog> logs,
             std::size_t capacity = AccessPointTable::kDefaultCapacity);
  ~MergedMaps() override;

  std::vector<OutputDestination> Destinations() const override { return files_.Destinations(); }
  bool Open() override;
  std::unique_ptr<ConversionOutput> Part(std::size_t index) override;
  // Gathers, filters and writes; the WiGLE rows go into their file on `spare` meanwhile, unless
  // the access-point filters choose them.
  bool Finish(SpareThread* spare) override;
  void Abandon() override;
  std::string FailureDetail() const override;
  std::vector<WrittenFile> Written() const override { return files_.Written(); }
  std::vector<std::string> Warnings() const override;

  const std::vector<std::size_t>& Order() const override { return order_; }
  std::uint64_t AccessPoints() const override { return table_.All().size(); }
  std::uint64_t LeftOutByFilters() const override { return left_out_by_filters_; }
  bool LeftOutAtLeast() const override { return left_out_at_least_; }

private:
  std::vector<MergeKey> Keys() const;
  bool Gather();

  MapSettings settings_;
  const MapFilters filters_;
  const std::vector<SurveyLog> logs_;
  maps::MapFileSet files_;
  std::vector<std::unique_ptr<maps::MapPart>> parts_;
  AccessPointTable table_;
  std::vector<std::size_t> order_;
  std::uint64_t left_out_by_filters_ = 0;
  bool left_out_at_least_ = false;
  std::string read_failure_;
};

} // namespace veltrix

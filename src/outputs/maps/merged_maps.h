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
#include "outputs/maps/map_files.h"
#include "outputs/maps/map_part.h"

namespace veltrix {

class MergedMaps {
public:
  struct Log {
    std::string path; // as given: the merge order's tie-break ("-" for standard input)
    std::string name; // its file name, naming its track ("standard input" for "-")
  };

  // `settings.name` names the documents of several logs; one log's documents take its own name.
  MergedMaps(MapFiles files, MapSettings settings, MapFilters filters, std::vector<Log> logs,
             std::size_t capacity = AccessPointTable::kDefaultCapacity);
  ~MergedMaps();

  std::vector<OutputDestination> Destinations() const { return files_.Destinations(); }
  // Creates the files. False when one cannot be created.
  bool Open();
  // The output that reads log `index`, the only output of that log's conversion; it must not
  // outlive this.
  std::unique_ptr<ConversionOutput> Part(std::size_t index);
  // Once every part has finished: gathers, filters and writes, and puts the files in place.
  bool Finish();
  void Abandon();
  std::string FailureDetail() const;
  std::vector<WrittenFile> Written() const { return files_.Written(); }
  std::vector<std::string> Warnings() const;

  // After Finish: the logs' indexes in merge order, the access points in the files, and the
  // access points sighted that the filters left out (at least that many when LeftOutAtLeast).
  const std::vector<std::size_t>& Order() const { return order_; }
  std::uint64_t AccessPoints() const { return table_.All().size(); }
  std::uint64_t LeftOutByFilters() const { return left_out_by_filters_; }
  bool LeftOutAtLeast() const { return left_out_at_least_; }

private:
  bool Gather();

  MapSettings settings_;
  const MapFilters filters_;
  const std::vector<Log> logs_;
  maps::MapFileSet files_;
  std::vector<std::unique_ptr<maps::MapPart>> parts_;
  AccessPointTable table_;
  std::vector<std::size_t> order_;
  std::uint64_t left_out_by_filters_ = 0;
  bool left_out_at_least_ = false;
  std::string read_failure_;
};

} // namespace veltrix

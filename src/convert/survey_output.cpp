// What the outputs over a survey share.
#include "convert/survey_output.h"

namespace veltrix {

GatheredSurvey GatherScratchSightings(const std::vector<MergeKey>& keys,
                                      const std::vector<ScratchFile*>& sightings,
                                      const AccessPointFilter& filter, AccessPointTable& table,
                                      std::vector<std::size_t>& order, std::string& failure) {
  order = MergeOrder(keys);
  std::vector<std::unique_ptr<ScratchReader>> readers(sightings.size());
  const auto next = [&](std::size_t log, std::string_view& record) {
    auto& reader = readers[log];
    if (!reader) reader = std::make_unique<ScratchReader>(*sightings[log]);
    reader->Skip(record.size()); // the record given last
    const std::size_t length = SightingRecordLength(reader->Peek(2));
    record = length == 0 ? std::string_view() : reader->Peek(length);
    if (reader->Failed() && failure.empty()) failure = sightings[log]->FailureDetail();
    return length != 0 && record.size() == length;
  };
  return GatherSurvey(order, next, filter, table);
}

} // namespace veltrix

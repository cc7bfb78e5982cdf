// Fuzz target: the whole conversion of an arbitrary byte string, as the body of a log of one
// generation (the signature comes from VELTRIX_FUZZ_SIGNATURE), with every context field and
// every record group ticked, the maps and tables of its access points, and (for one input in
// 256: its pictures take a while) the report. The outputs go to in-memory files that are
// checked afterwards: the maps, tables and the report are valid UTF-8 without raw control
// characters, and the report is whole, whatever the log holds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "convert/convert.h"
#include "outputs/maps/map_output.h"
#include "outputs/report/report_output.h"
#include "outputs/text/delimited_text_output.h"
#include "text/clean_text.h"

namespace {

int MemoryFile(const char* name) {
  const int fd = ::memfd_create(name, 0);
  if (fd < 0) std::abort();
  return fd;
}

std::string PathOf(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

std::string Contents(int fd) {
  struct stat st {};
  Check(::fstat(fd, &st) == 0, "a map file is there");
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  Check(::pread(fd, bytes.data(), bytes.size(), 0) == st.st_size, "a map file reads back");
  return bytes;
}

// `delimiter`: the table's own, which may be a TAB.
void CheckCleanText(const std::string& bytes, char delimiter) {
  std::string_view rest = bytes;
  while (!rest.empty()) {
    std::uint32_t codePoint = 0;
    const std::size_t n = veltrix::Utf8SequenceAt(rest, codePoint);
    Check(n != 0, "maps and tables are valid UTF-8");
    Check(!veltrix::IsEscapedCodePoint(codePoint) || codePoint == '\n' || codePoint == '\r' ||
              codePoint == static_cast<unsigned char>(delimiter),
          "no control characters but line ends and the delimiter");
    rest.remove_prefix(n);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int input = MemoryFile("log");
  static const int output = MemoryFile("out");
  static const std::string inputPath = PathOf(input);
  static const std::string outputPath = PathOf(output);
  static const int maps[4] = {MemoryFile("kml"), MemoryFile("gpx"), MemoryFile("wigle"),
                              MemoryFile("aps")};
  static const int report = MemoryFile("report");

  const char header[14] = {VELTRIX_FUZZ_SIGNATURE[0], VELTRIX_FUZZ_SIGNATURE[1],
                           VELTRIX_FUZZ_SIGNATURE[2], VELTRIX_FUZZ_SIGNATURE[3]};
  if (::ftruncate(input, 0) != 0 || ::pwrite(input, header, sizeof header, 0) != sizeof header)
    std::abort();
  if (size > 0 && ::pwrite(input, data, size, sizeof header) != static_cast<ssize_t>(size))
    std::abort();

  veltrix::ConversionOptions o;
  o.TickAllContextFields();
  o.TickAllRecordGroups();
  // Every delimiter, so every quoting path.
  o.delimiter = static_cast<veltrix::Delimiter>(size % 4);
  veltrix::ConversionObserver observer;
  veltrix::Convert::Outputs outputs;
  outputs.push_back(
      std::make_unique<veltrix::DelimitedTextOutput>(veltrix::OutputDestination{outputPath}, o));
  veltrix::MapFiles files;
  for (const int fd : maps) {
    if (::ftruncate(fd, 0) != 0) std::abort();
  }
  files.kml = veltrix::OutputDestination{PathOf(maps[0])};
  files.gpx = veltrix::OutputDestination{PathOf(maps[1])};
  files.wigle = veltrix::OutputDestination{PathOf(maps[2])};
  files.accessPoints = veltrix::OutputDestination{PathOf(maps[3])};
  // Every other input through the filters, whose WiGLE rows wait in a scratch file.
  veltrix::MapFilters filters;
  if (size % 2 == 1) {
    filters.sightings.minLevel = -90;
    filters.accessPoints.excludeSsids = {"*[!a-z]?*"};
  }
  // A small table, so that the full table's path is taken too.
  outputs.push_back(std::make_unique<veltrix::MapOutput>(
      files, veltrix::MapSettings{"fuzz.qx", o.DelimiterChar()}, filters, 8));
  const bool reported = size % 256 == 3;
  if (reported) {
    if (::ftruncate(report, 0) != 0) std::abort();
    veltrix::ReportSettings settings;
    settings.name = "fuzz.qx";
    settings.filters = filters;
    outputs.push_back(std::make_unique<veltrix::ReportOutput>(
        veltrix::OutputDestination{PathOf(report)}, settings));
  }
  veltrix::Convert convert(inputPath, std::move(outputs), observer);
  const veltrix::ConversionResult result = convert.Execute();

  Check(result.status == veltrix::ConvertStatus::Completed, "the conversion completes");
  Check(convert.TotalBytes() == static_cast<std::int64_t>(size + sizeof header), "total bytes");
  Check(convert.BytesRead() <= static_cast<std::int64_t>(size), "bytes read within the body");
  const veltrix::LogDamage& damage = result.damage;
  const auto body = static_cast<std::int64_t>(size);
  Check(damage.skippedBytes + damage.tailBytes <= body, "damage within the body");
  Check(convert.BytesRead() + damage.tailBytes >= body, "every byte read or at the end");
  Check((damage.skippedBytes == 0) == (damage.places == 0), "damage has its places");
  struct stat st {};
  Check(::fstat(output, &st) == 0 && st.st_size >= 2, "the header line is there");
  char end[2] = {};
  Check(::pread(output, end, 2, st.st_size - 2) == 2 && end[0] == '\r' && end[1] == '\n',
        "the output ends with CR LF");
  for (const int fd : maps) CheckCleanText(Contents(fd), fd == maps[3] ? o.DelimiterChar() : ',');
  if (reported) {
    const std::string page = Contents(report);
    CheckCleanText(page, '\n');
    Check(page.size() > 8 && page.compare(page.size() - 8, 8, "</html>\n") == 0,
          "the report is whole");
  }
  return 0;
}

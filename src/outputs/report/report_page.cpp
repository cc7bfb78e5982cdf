// The report's web page.
#include "outputs/report/report_page.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "analysis/survey_map.h"
#include "decode/payload_types.h"
#include "plot/svg.h"
#include "text/base64.h"
#include "text/clean_text.h"

namespace veltrix::report {
namespace {

constexpr const char* kStyle = R"(<style>
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 10.5pt; margin: 2em; color: #111; }
h1 { font-size: 18pt; margin-bottom: 0.2em; }
h2 { font-size: 14pt; border-bottom: 1px solid #888; padding-bottom: 0.2em; margin-top: 2em; }
h3 { font-size: 11.5pt; margin-bottom: 0.3em; }
table { border-collapse: collapse; margin: 0.5em 0 1em; }
th, td { border: 1px solid #bbb; padding: 0.15em 0.5em; text-align: right; }
th { background: #eee; }
td { white-space: nowrap; }
td.text, th.text, td.mac, th.mac { text-align: left; }
td.text { white-space: normal; }
td.mac { font-family: "DejaVu Sans Mono", monospace; }
dl { display: grid; grid-template-columns: max-content auto; gap: 0.1em 1em; }
dt { font-weight: bold; } dd { margin: 0; }
figure { margin: 0.5em 0 1em; } figcaption { font-size: 9.5pt; color: #444; }
img, svg { max-width: 100%; height: auto; }
.none { color: #555; font-style: italic; }
.wide { overflow-x: auto; } /* a table wider than the window scrolls on its own */
th[data-sort] { cursor: pointer; }
@media print {
  body { margin: 0; font-size: 9pt; }
  section { break-before: page; }
  section:first-of-type { break-before: auto; }
  thead { display: table-header-group; }
  .wide { overflow: visible; }
  tr, figure { break-inside: avoid; }
}
</style>)";

// Sorting a table by a column, for a reader with scripts on; the page is whole without.
constexpr const char* kScript = R"(<script>
document.querySelectorAll("table.sortable th").forEach(function (th, column) {
  th.dataset.sort = "";
  th.addEventListener("click", function () {
    var body = th.closest("table").tBodies[0], up = th.dataset.sort !== "up";
    var rows = Array.prototype.slice.call(body.rows);
    var key = function (row) { var t = row.cells[th.cellIndex].textContent, n = parseFloat(t);
      return isNaN(n) || String(n) !== t.replace(/\.0+$/, "") ? t : n; };
    rows.sort(function (a, b) { var x = key(a), y = key(b);
      return (x < y ? -1 : x > y ? 1 : 0) * (up ? 1 : -1); });
    rows.forEach(function (row) { body.appendChild(row); });
    th.dataset.sort = up ? "up" : "down";
  });
});
</script>)";

std::string Html(std::string_view text) {
  return CleanText(text, Clean::Xml);
}

std::string OneDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Thousands(std::int64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && digits[i - 1] != '-' && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// "15 min 2 s", "1 h 3 min 0 s", "0 s"
std::string Duration(std::int64_t seconds) {
  if (seconds < 0) return "the clock went back";
  std::string text;
  if (seconds >= 3600) text += std::to_string(seconds / 3600) + " h ";
  if (seconds >= 60) text += std::to_string(seconds / 60 % 60) + " min ";
  return text + std::to_string(seconds % 60) + " s";
}

// A table: its head from `columns`, then rows of cells whose texts are exactly the values; a
// column may have a class ("text" for words, "mac"), and a sortable table sorts by a column.
class Table {
public:
  Table(OutputFile& out, const std::string& id, std::initializer_list<const char*> columns,
        std::vector<const char*> classes = {}, bool sortable = false)
      : out_(out), classes_(std::move(classes)) {
    std::string head =
        "<table id=\"" + id + "\"" + (sortable ? " class=\"sortable\"" : "") + "><thead><tr>";
    std::size_t i = 0;
    for (const char* column : columns) head += Cell("th", i++, column);
    out_.Text(head + "</tr></thead><tbody>\n");
  }
  template <class Container> void Row(const Container& cells) {
    std::string row = "<tr>";
    std::size_t i = 0;
    for (const std::string& cell : cells) row += Cell("td", i++, Html(cell));
    out_.Text(row + "</tr>\n");
  }
  ~Table() { out_.Text("</tbody></table>\n"); }

private:
  std::string Cell(const char* tag, std::size_t column, const std::string& text) const {
    const char* name = column < classes_.size() ? classes_[column] : nullptr;
    return std::string("<") + tag + (name ? std::string(" class=\"") + name + "\"" : "") + ">" +
           text + "</" + tag + ">";
  }
  OutputFile& out_;
  std::vector<const char*> classes_;
};

void None(OutputFile& out, const char* text) {
  out.Text(std::string("<p class=\"none\">") + text + "</p>\n");
}

void Figure(OutputFile& out, const std::string& png, const std::string& caption) {
  out.Text("<figure><img src=\"data:image/png;base64," + Base64(png) + "\" alt=\"" + caption +
           "\"><figcaption>" + caption + "</figcaption></figure>\n");
}

void Summary(OutputFile& out, const PageContent& c) {
  out.Text("<section id=\"summary\"><h2>Summary</h2>\n");
  std::size_t n = 0;
  for (const PageLog& log : c.logs) {
    const LogSummary& s = *log.summary;
    ++n;
    out.Text("<h3>" + Html(log.name) + "</h3>\n<dl>\n");
    const auto item = [&](const char* name, const std::string& value) {
      out.Text(std::string("<dt>") + name + "</dt><dd>" + value + "</dd>\n");
    };
    item("Generation", s.Variant == LogVariant::B ? "802.11b" : "802.11g");
    item("Size", Thousands(s.SizeBytes) + " bytes");
    item("Frames", Thousands(s.Frames) + " (" + Thousands(s.EmptyPayloads) + " without payload, " +
                       Thousands(s.OversizedFrames) + " oversized)");
    if (s.Frames > 0) {
      item("First RTC", Html(s.FirstRtc));
      item("Last RTC", Html(s.LastRtc));
      item("Duration", Duration(s.LastClock.Seconds() - s.FirstClock.Seconds()));
    }
    item("GPS fixes", Thousands(s.GpsFixes));
    item("Damage", s.Damage.Any() ? Html(DescribeDamage(s.Damage)) : "none");
    out.Text("</dl>\n");
    Table records(out, "records-" + std::to_string(n), {"Type", "Records", "Name"},
                  {nullptr, nullptr, "text"});
    for (unsigned type = 0; type < s.RecordsPerType.size(); ++type) {
      if (s.RecordsPerType[type] == 0) continue;
      records.Row(std::vector<std::string>{std::to_string(type),
                                           std::to_string(s.RecordsPerType[type]),
                                           PayloadTypeName(s.Variant, type)});
    }
  }
  out.Text("<h3>Options</h3>\n<dl>\n");
  for (const auto& [name, value] : c.settings)
    out.Text("<dt>" + Html(name) + "</dt><dd>" + Html(value) + "</dd>\n");
  out.Text("<dt>Made by</dt><dd>" + Html(c.program) + "</dd>\n</dl>\n</section>\n");
}

void Spectrum(OutputFile& out, const PageContent& c) {
  out.Text("<section id=\"spectrum\"><h2>Spectrum</h2>\n");
  const bool any = std::any_of(c.logs.begin(), c.logs.end(),
                               [](const PageLog& log) { return !log.waterfallPng->empty(); });
  if (!any || c.spectrum->Sweeps() == 0) {
    None(out, c.logs.size() == 1 ? "The log has no full-spectrum records."
                                 : "The logs have no full-spectrum records.");
    out.Text("</section>\n");
    return;
  }
  for (const PageLog& log : c.logs) {
    if (log.waterfallPng->empty()) continue;
    Figure(out, *log.waterfallPng, "Waterfall of " + Html(log.name));
  }
  if (!c.densityPng.empty())
    Figure(out, c.densityPng,
           "Level density: the share of " +
               Thousands(static_cast<std::int64_t>(c.spectrum->Sweeps())) +
               " sweeps in which each frequency had each level");
  out.Text("<p>Per channel, the levels within " + OneDecimal(SpectrumStats::kChannelHalfWidthMHz) +
           " MHz of its centre; busy: the share of sweeps whose highest level there is at or "
           "above " +
           OneDecimal(c.spectrum->BusyDb()) + " dBm.</p>\n");
  {
    Table channels(out, "channels",
                   {"Channel", "Centre (MHz)", "Mean (dBm)", "Peak (dBm)", "Busy (%)"});
    for (const SpectrumStats::Channel& ch : c.spectrum->Channels()) {
      channels.Row(std::vector<std::string>{std::to_string(ch.number), std::to_string(ch.centreMHz),
                                            ch.mean ? OneDecimal(*ch.mean) : std::string(),
                                            ch.peak ? OneDecimal(*ch.peak) : std::string(),
                                            OneDecimal(ch.busyPercent)});
    }
  }
  out.Text("</section>\n");
}

void Utilization(OutputFile& out, const PageContent& c) {
  out.Text("<section id=\"utilization-section\"><h2>Channel utilization</h2>\n");
  const std::vector<UtilizationStats::Channel> channels = c.utilization->Channels();
  if (c.utilization->Records() == 0) {
    None(out, c.logs.size() == 1 ? "The log has no utilization records."
                                 : "The logs have no utilization records.");
    out.Text("</section>\n");
    return;
  }
  out.Text("<figure>" + UtilizationChartSvg(*c.utilization) +
           "<figcaption>Utilization over time, " +
           Thousands(static_cast<std::int64_t>(c.utilization->Records())) +
           " records: the highest value of each channel in each stretch of the line</figcaption>"
           "</figure>\n");
  {
    Table table(out, "utilization", {"Channel", "Records", "Mean (%)", "Max (%)"});
    for (const UtilizationStats::Channel& ch : channels) {
      table.Row(std::vector<std::string>{std::to_string(ch.number), std::to_string(ch.records),
                                         OneDecimal(ch.mean), OneDecimal(ch.max)});
    }
  }
  if (channels.empty()) None(out, "No channel had any traffic.");
  out.Text("</section>\n");
}

void AccessPoints(OutputFile& out, const PageContent& c) {
  out.Text("<section id=\"access-points-section\"><h2>Access points</h2>\n");
  if (!c.sightings) {
    None(out, c.logs.size() == 1 ? "The log has no sighting of an access point."
                                 : "The logs have no sighting of an access point.");
    out.Text("</section>\n");
    return;
  }
  const std::array<ChannelUse, 14> use = ChannelUseOf(*c.table);
  {
    Table table(out, "channel-use", {"Channel", "Access Points", "Open", "WEP", "Overlapping"});
    for (const ChannelUse& ch : use) {
      table.Row(std::vector<std::string>{std::to_string(ch.channel),
                                         std::to_string(ch.accessPoints), std::to_string(ch.open),
                                         std::to_string(ch.wep), std::to_string(ch.overlapping)});
    }
  }
  out.Text("<p>Overlapping: the access points on the channels 1 to 4 away, which share the "
           "air.</p>\n<figure>" +
           ChannelUseChartSvg(use) +
           "<figcaption>Access points per channel</figcaption></figure>\n");
  // By channel, then the strongest first, then in the table's order.
  std::vector<const AccessPoint*> rows;
  for (const AccessPoint& ap : c.table->All()) rows.push_back(&ap);
  std::stable_sort(rows.begin(), rows.end(), [](const AccessPoint* a, const AccessPoint* b) {
    if (a->channel != b->channel) return a->channel < b->channel;
    return a->maxLevel > b->maxLevel;
  });
  out.Text("<div class=\"wide\">");
  {
    Table table(out, "access-points",
                {kAccessPointColumns[0], kAccessPointColumns[1], kAccessPointColumns[2],
                 kAccessPointColumns[3], kAccessPointColumns[4], kAccessPointColumns[5],
                 kAccessPointColumns[6], kAccessPointColumns[7], kAccessPointColumns[8],
                 kAccessPointColumns[9], kAccessPointColumns[10], kAccessPointColumns[11]},
                {"mac", "text", nullptr, "text"}, true);
    for (const AccessPoint* ap : rows) table.Row(AccessPointFields(*ap));
  }
  out.Text("</div>\n");
  if (rows.empty()) None(out, "The filters left out every access point.");
  out.Text("</section>\n");
}

void Map(OutputFile& out, const PageContent& c) {
  out.Text("<section id=\"map\"><h2>Map</h2>\n");
  const std::string svg = MapSvg(c.tracks, *c.table);
  if (svg.empty()) {
    None(out, "Nothing has a GPS position.");
  } else {
    out.Text("<figure>" + svg +
             "<figcaption>The GPS track (a line per log) and the access points that have a "
             "position, open in green and WEP in red, where their strongest sighting was made; "
             "north up.</figcaption></figure>\n");
  }
  out.Text("</section>\n");
}

} // namespace

void WritePage(OutputFile& out, const PageContent& c) {
  out.Text("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Survey "
           "report: " +
           Html(c.title) + "</title>\n" + kStyle +
           "\n</head>\n<body>\n<h1>Survey report: " + Html(c.title) + "</h1>\n");
  Summary(out, c);
  Spectrum(out, c);
  Utilization(out, c);
  AccessPoints(out, c);
  Map(out, c);
  out.Text(std::string(kScript) + "\n</body>\n</html>\n");
}

} // namespace veltrix::report

#pragma once
// The name of the text each front end proposes for a log, and NAME, which the other products'
// files are named after, in one place.

#include <string>
#include <string_view>

namespace veltrix {

// The window's rule: the last three characters replaced by ".out" ("log.qx" -> "log.out",
// "log.qxyz" -> "log.q.out"), a character of UTF-8 being one. The cut never reaches into the
// folder: a file name of fewer than three characters goes whole ("dir/ab" -> "dir/.out").
std::string OutputNameLastThreeReplaced(std::string_view input);

// The command line's rule: a trailing ".qx" (any case) becomes ".out"; any other name gets ".out"
// added ("log.QX" -> "log.out", "mylog" -> "mylog.out", "a.qx.bak" -> "a.qx.bak.out").
std::string OutputNameQxReplaced(std::string_view input);

// NAME, which the files beside an output (NAME.waterfall.png, NAME.kml...) are named after: the
// output path without a trailing ".out".
std::string_view OutputStemOf(std::string_view output);

} // namespace veltrix

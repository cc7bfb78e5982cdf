#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include <sqlite3.h>
#include <sys/resource.h>

#include "example_log.h"
#include "products/batch.h"
#include "support/conversion_run.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

// Every row of `sql`, NULL as "NULL".
Rows Query(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  Rows rows;
  char* error = nullptr;
  sqlite3_exec(
      db, sql.c_str(),
      [](void* out, int n, char** values, char**) {
        auto& row = static_cast<Rows*>(out)->emplace_back();
        for (int i = 0; i < n; ++i) row.emplace_back(values[i] ? values[i] : "NULL");
        return 0;
      },
      &rows, &error);
  EXPECT_EQ(error, nullptr) << error << " in " << sql;
  sqlite3_free(error);
  sqlite3_close(db);
  return rows;
}

// Imports `logs` into `database` as `veltrix-convert --sqlite` does; the lines tell how it went.
// `pragma` is run on the connection first.
std::vector<std::string> Import(const std::vector<std::string>& logs, const std::string& database,
                                unsigned workers = 2, const char* pragma = "") {
  std::vector<Job> jobs;
  std::string problem;
  EXPECT_TRUE(PlanJobs(logs, "", jobs, problem, {ProductId::Database})) << problem;
  ProductSettings settings;
  settings.database = std::make_shared<SurveyDatabase>(database);
  EXPECT_TRUE(settings.database->Open()) << settings.database->FailureDetail();
  EXPECT_TRUE(settings.database->Execute(pragma));
  const std::atomic<bool> stop = false;
  std::vector<std::int64_t> sizes(jobs.size(), 1);
  ProgressCounters progress(sizes);
  const std::vector<JobResult> results =
      RunBatch(jobs, CatalogueOutputs(jobs, settings, workers), workers, stop, progress);
  std::vector<std::string> lines;
  DescribeBatch(jobs, results, false, true, lines);
  return lines;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

std::string Fixed2(const std::string& number) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", std::stod(number));
  return text;
}

// The line of each record of `kind` as the text writes it (tab-separated, context first), made
// back from the database's rows.
std::vector<std::string> LinesFromDatabase(const std::string& db, const std::string& kind, bool b) {
  const std::string context = "r.rtc_date, r.rtc_time, r.marker, r.gps_date, r.gps_time, "
                              "r.gps_latitude, r.gps_longitude";
  const std::string join = " JOIN records r USING (log_id, frame) ";
  std::vector<std::string> lines;
  const auto add = [&](const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : "\t") + field;
    lines.push_back(line);
  };
  const auto numbers = [](std::string json) { return json.substr(1, json.size() - 2); };
  if (kind == "full_spectrum" || kind == "single_spectrum") {
    const std::string channel = kind == "single_spectrum" ? "channel, " : "";
    for (auto row : Query(db, "SELECT " + context + ", " + channel + "levels FROM " + kind + join +
                                  "ORDER BY frame")) {
      row.back() = numbers(row.back());
      for (char& c : row.back()) c = c == ',' ? '\t' : c;
      add(row);
    }
  } else if (kind == "survey") {
    for (const auto& row :
         Query(db, "SELECT " + context +
                       ", channel, mac, CAST(ssid_bytes AS TEXT), rssi, CASE wep WHEN 1 THEN "
                       "'Yes' ELSE 'No' END, CASE is_ap WHEN 1 THEN 'AP' ELSE 'STA' END FROM "
                       "survey" +
                       join + "ORDER BY frame, entry"))
      add(row);
  } else if (kind == "single") {
    const std::string tail = b ? "multipath"
                               : "packet_length, CASE good WHEN 1 THEN 'good' ELSE "
                                 "'bad' END";
    for (auto row : Query(db, "SELECT " + context + ", mac, rssi, rate, " + tail + " FROM single" +
                                  join + "ORDER BY frame")) {
      if (b) {
        row.back() = numbers(row.back());
        for (char& c : row.back()) c = c == ',' ? '\t' : c;
      }
      add(row);
    }
  } else {
    // A record's values in one line: 802.11b its channel first.
    const std::string head = b ? ", u.channel" : "";
    for (const auto& row :
         Query(db, "SELECT " + context + head +
                       ", group_concat(percent, char(9)) FROM (SELECT * FROM utilization ORDER "
                       "BY log_id, frame, rowid) u" +
                       join + "GROUP BY u.log_id, u.frame ORDER BY u.frame")) {
      std::vector<std::string> fields(row.begin(), row.end() - 1);
      for (const std::string& value : Split(row.back(), '\t')) fields.push_back(Fixed2(value));
      add(fields);
    }
  }
  return lines;
}

// Every record group of each generation: the database's rows give back the text's lines, field
// for field, and one record row per line. The rows of a log this size go in many chunks, on the
// spare thread.
TEST(SurveyDatabase, HoldsTheLinesOfEveryRecordGroup) {
  testing::TempDir dir;
  for (const LogVariant variant : {LogVariant::B, LogVariant::G}) {
    const bool b = variant == LogVariant::B;
    SCOPED_TRACE(b ? "802.11b" : "802.11g");
    const std::string log = dir.File(b ? "b.qx" : "g.qx");
    testing::WriteFile(log, tools::MakeExampleLog(variant, 1024 * 1024));
    const std::string db = dir.File(b ? "b.db" : "g.db");
    Import({log}, db);
    std::int64_t lines = 0;
    for (const char* kind :
         {"full_spectrum", "single_spectrum", "survey", "single", "utilization"}) {
      SCOPED_TRACE(kind);
      ConversionOptions options;
      options.TickAllContextFields();
      options.delimiter = Delimiter::Tab;
      options.header = false;
      const std::string group = kind;
      options.fullSpectrum = group == "full_spectrum";
      options.singleSpectrum = group == "single_spectrum";
      options.survey = group == "survey";
      options.single = group == "single";
      options.utilization = group == "utilization";
      const testing::RunResult text = testing::RunFiles(log, dir.File("text.out"), options);
      const std::vector<std::string> expected = testing::SplitLines(text.output);
      EXPECT_FALSE(expected.empty());
      EXPECT_EQ(LinesFromDatabase(db, kind, b), expected);
      EXPECT_EQ(Query(db, "SELECT count(*) FROM records WHERE kind = '" + group + "'")[0][0],
                std::to_string(expected.size()));
      lines += static_cast<std::int64_t>(expected.size());
    }
    EXPECT_EQ(Query(db, "SELECT count(*) FROM records")[0][0], std::to_string(lines));
    EXPECT_EQ(Query(db, "SELECT generation, name, bytes = " + std::to_string(fs::file_size(log)) +
                            " FROM logs"),
              (Rows{{b ? "802.11b" : "802.11g", b ? "b.qx" : "g.qx", "1"}}));
  }
}

// Importing again replaces; the access points over two logs are the merged table's; a failure
// or a cancellation leaves the database as it was.
TEST(SurveyDatabase, ReplacesMergesAndLeavesNothingHalfDone) {
  testing::TempDir dir;
  const std::string b = dir.File("b.qx"), g = dir.File("g.qx"), db = dir.File("s.db");
  testing::WriteFile(b, tools::MakeExampleLog(LogVariant::B, 512 * 1024));
  testing::WriteFile(g, tools::MakeExampleLog(LogVariant::G, 512 * 1024));
  const std::vector<std::string> first = Import({g, b}, db);
  ASSERT_EQ(first.size(), 2u);
  // Each log is known by the SHA-256 of its bytes.
  for (const std::string& log : {b, g}) {
    std::string sum(64, ' ');
    FILE* pipe = ::popen(("sha256sum " + log).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(std::fread(sum.data(), 1, sum.size(), pipe), sum.size());
    ::pclose(pipe);
    EXPECT_EQ(Query(db, "SELECT sha256 FROM logs WHERE path = '" + log + "'"), Rows{{sum}});
  }
  // Read at once, written one at a time (the rows of one spooled until the other is in): the
  // same rows as one log after the other.
  Import({g, b}, dir.File("one.db"), 1);
  for (const char* table : {"records", "full_spectrum", "single_spectrum", "survey", "single",
                            "utilization", "sightings"}) {
    const std::string rows = std::string("SELECT l.name, t.* FROM ") + table +
                             " t JOIN logs l ON l.id = t.log_id ORDER BY l.name, t.rowid";
    Rows two = Query(db, rows), one = Query(dir.File("one.db"), rows);
    for (Rows* all : {&two, &one})
      for (auto& row : *all) row.erase(row.begin() + 1); // the log's id
    EXPECT_FALSE(one.empty()) << table;
    EXPECT_TRUE(two == one) << table;
  }
  EXPECT_EQ(first[0].rfind(g + ": imported into " + db + " (", 0), 0u) << first[0];
  const std::string counts = "SELECT (SELECT count(*) FROM logs), (SELECT count(*) FROM records), "
                             "(SELECT count(*) FROM sightings), (SELECT count(*) FROM survey)";
  const Rows before = Query(db, counts);
  EXPECT_EQ(Import({b}, db, 1),
            std::vector<std::string>{b + ": replaced its earlier import in " + db});
  EXPECT_EQ(Query(db, counts), before);

  // The view against the merged access-point table, its numbers as the table writes them.
  MergePlan plan;
  std::string problem;
  // A merged survey imports each of its logs too.
  ASSERT_TRUE(PlanMerge({b, g}, dir.File("m"), {ProductId::AccessPointSummary, ProductId::Database},
                        plan, problem));
  ProgressCounters progress({1, 1});
  std::vector<std::string> lines;
  ProductSettings settings;
  settings.options.delimiter = Delimiter::Tab;
  settings.database = std::make_shared<SurveyDatabase>(dir.File("m.db"));
  ASSERT_TRUE(settings.database->Open());
  RunSurvey(plan, settings, 2, false, progress, false, lines);
  EXPECT_EQ(Query(dir.File("m.db"), "SELECT name FROM logs ORDER BY name"),
            (Rows{{"b.qx"}, {"g.qx"}}));
  std::vector<std::string> table =
      testing::SplitLines(testing::AsText(testing::ReadFile(plan.files[0].path)));
  table.erase(table.begin());
  std::vector<std::string> view;
  for (const auto& row :
       Query(db, "SELECT mac, ssid, channel, wep, sightings, ifnull(first_seen, ''), "
                 "ifnull(last_seen, ''), max_rssi, min_rssi, ifnull(printf('%.5f', latitude), "
                 "''), ifnull(printf('%.5f', longitude), ''), ifnull(rssi_at_position, '') "
                 "FROM access_points")) {
    std::string line;
    for (const std::string& field : row) line += (line.empty() ? "" : "\t") + field;
    view.push_back(line);
  }
  EXPECT_FALSE(view.empty());
  EXPECT_EQ(view, table);

  // A full disk in the middle of an import, and a cancelled one: the database as it was.
  const std::string c = dir.File("c.qx");
  testing::WriteFile(c, tools::MakeExampleLog(LogVariant::G, 4 * 1024 * 1024, 7));
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = fs::file_size(db) + fs::file_size(db + "-wal") + 64 * 1024;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const std::vector<std::string> full = Import({c}, db);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_EQ(full.size(), 1u);
  EXPECT_NE(full[0].find("Cannot Write Output File. (" + db + ": "), std::string::npos) << full[0];
  EXPECT_EQ(Query(db, counts), before);
  // A database that may not grow: the rows fail on the spare thread, while the log is read.
  const std::string limit = "PRAGMA max_page_count = " +
                            std::to_string(std::stoi(Query(db, "PRAGMA page_count")[0][0]) + 8);
  const std::vector<std::string> capped = Import({c}, db, 2, limit.c_str());
  ASSERT_EQ(capped.size(), 1u);
  EXPECT_NE(capped[0].find(db + ": database or disk is full"), std::string::npos) << capped[0];
  EXPECT_EQ(Query(db, counts), before);
  // Cancelled after its first records.
  struct CancelAtProgress : ConversionObserver {
    std::atomic<bool> terminate{false};
    void ShowStart(std::int64_t) override {}
    void ShowProgress(std::int64_t read, std::int64_t) override {
      if (read > 0) terminate = true;
    }
    void ShowFinish(std::int64_t) override {}
    void ShowResult(const ConversionResult&) override {}
  } observer;
  ProductSettings into;
  into.database = std::make_shared<SurveyDatabase>(db);
  ASSERT_TRUE(into.database->Open());
  into.logPath = c;
  const ProductFile file{ProductId::Database, OutputDestination{db}};
  Convert cancelled(c, MakeOutputs({&file, 1}, into), observer, &observer.terminate);
  EXPECT_EQ(cancelled.Execute().status, ConvertStatus::Cancelled);
  EXPECT_EQ(Query(db, counts), before);
}

// What is no database of this program's is refused and left as it was.
TEST(SurveyDatabase, RefusesWhatIsNotItsDatabase) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("text.db"), {'h', 'e', 'l', 'l', 'o', '\n'});
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File("other.db").c_str(), &other), SQLITE_OK);
  sqlite3_exec(other, "CREATE TABLE t(x); PRAGMA user_version = 7;", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  const std::pair<const char*, const char*> cases[] = {
      {"text.db", "not a SQLite database"},
      {"other.db", "a database of schema version 7, not 1 (left as it was)"},
  };
  for (const auto& [name, says] : cases) {
    SCOPED_TRACE(name);
    const testing::Bytes before = testing::ReadFile(dir.File(name));
    SurveyDatabase database(dir.File(name));
    EXPECT_FALSE(database.Open());
    EXPECT_NE(database.FailureDetail().find(dir.File(name) + ": " + says), std::string::npos)
        << database.FailureDetail();
    EXPECT_EQ(testing::ReadFile(dir.File(name)), before);
  }
}

} // namespace
} // namespace veltrix

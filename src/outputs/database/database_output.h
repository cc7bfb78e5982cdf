#pragma once
// One log's import into the survey database: every record that the text of all record groups and
// context fields gives a line, with the fields of that line typed, and the log's access-point
// sightings. The import is one transaction, held from Open to Finish: all of the log's rows or,
// on any failure or cancellation, none. A log imported before (the same SHA-256 of its bytes) is
// replaced in the same transaction.

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/aside_work.h"
#include "convert/conversion_options.h"
#include "convert/conversion_output.h"
#include "convert/record_lines.h"
#include "decode/decoders.h"
#include "io/output_file.h"
#include "io/scratch_file.h"
#include "io/spare_thread.h"
#include "outputs/database/survey_database.h"
#include "text/date_text.h"

namespace veltrix {

class DatabaseOutput final : public ConversionOutput, private SightingSink {
public:
  // `logPath`: the log's path as given; `logName`: its file name.
  // `spare`: the conversion's spare thread, which then inserts the rows while the log is read.
  DatabaseOutput(std::shared_ptr<SurveyDatabase> database, std::string logPath, std::string logName,
                 std::shared_ptr<SpareThread> spare = nullptr);
  ~DatabaseOutput() override;

  std::vector<OutputDestination> Destinations() const override;
  bool Open(LogVariant variant) override;
  void Take(const Frame& frame) override;
  bool Failed() const override { return failed_; }
  void LogEnded(const LogEnd& end) override { end_ = end; }
  bool Finish() override;
  void Abandon() override;
  std::string FailureDetail() const override;
  // The database, with the records imported and whether an earlier import was replaced.
  std::vector<WrittenFile> Written() const override;

private:
  // The tables a record or a sighting gives rows to, in the order of their statements.
  enum Table : char {
    kRecords,
    kFullSpectrum,
    kSingleSpectrum,
    kSurvey,
    kSingle,
    kUtilization,
    kSightings
  };

  void AccessPointSighted(const StationNode& node) override;
  // Puts the rows of the record whose line is in line_.
  void InsertRecord(const Frame& frame);
  // Begins this log's transaction and inserts its logs row.
  bool StartImport();
  // Deletes an earlier import of the same bytes (once the digest is known), in this transaction.
  bool ReplaceEarlierImport();
  // A row, its values after the log's id in the table's order, put in the chunk being filled.
  void BeginRow(Table table);
  void Integer(std::int64_t value);
  void Real(std::optional<double> value); // NULL when there is none
  void Null();
  void Text(std::string_view text, bool blob = false);
  void CleanedText(std::string_view text); // a text of the log, as the map files clean it
  void Clock(const DateTime& clock);       // ISO 8601, NULL when out of range
  void EndRow();
  // Hands the chunk being filled on: to the spare thread, to SQLite in line, or to the spool.
  void HandOver();
  // Inserts a chunk's rows, table by table, many rows to a statement.
  void InsertRows(std::string_view rows);
  // Binds a row's values from parameter `param` on; returns the parameter after them.
  int BindRow(sqlite3_stmt* statement, int param, const char* row);
  // Inserts the rows spooled while another log held the database.
  bool Replay();
  // SQLite's reason for the last failure, with the database's path.
  std::string ErrorText() const;
  // Notes SQLite's reason; the conversion then stops.
  void Fail();
  void Fail(const std::string& reason);
  // Stops the work on the spare thread (what is not yet inserted is dropped).
  void StopAside();
  void EndTransaction(bool commit);

  struct Statements;
  class FileDigest;

  const std::shared_ptr<SurveyDatabase> database_;
  const std::string log_path_, log_name_;
  const ConversionOptions options_;        // every record group and context field
  std::unique_ptr<Statements> statements_; // while this log holds the database
  // The rows, as tagged values (see Append), gathered in chunks: a chunk is inserted when this log
  // holds the database (on the spare thread when there is one), otherwise spooled to be replayed
  // (Replay) when its turn comes.
  const std::shared_ptr<SpareThread> spare_;
  std::unique_ptr<AsideWork<std::string, 1>> aside_; // while the rows are inserted aside
  std::string chunk_;
  std::string* rows_ = &chunk_;                      // the chunk being filled
  std::size_t row_start_ = 0;                        // of the row being put
  std::size_t chunks_ = 0;                           // handed over
  std::array<std::vector<const char*>, 7> by_table_; // a chunk's rows, for InsertRows
  ScratchFile spool_;                                // the rows waiting for this log's turn
  OutputFile spool_out_{','};
  std::unique_ptr<FileDigest> digest_; // of the log, while it is read
  std::string sha_;
  LogVariant variant_ = LogVariant::G;
  std::unique_lock<std::mutex> writer_;
  bool in_transaction_ = false;
  std::optional<RecordDecoder> decoder_;
  OutputFile line_{'\t'};                // the record's line, in memory
  ContextTail tail_;                     // of its context fields
  std::vector<std::string_view> fields_; // of the line, or of unquoted_
  std::deque<std::string> unquoted_;
  std::string json_;
  const Frame* frame_ = nullptr; // the one being decoded
  std::int64_t log_id_ = 0;
  std::int64_t frames_ = 0;
  std::int64_t records_ = 0;
  std::int64_t sightings_ = 0;
  std::optional<DateTime> first_rtc_, last_rtc_;
  LogEnd end_;
  bool committed_ = false;
  bool replaced_ = false;
  bool rebuild_indexes_ = false; // dropped at Open, built at Finish
  // The rows are inserted on the spare thread, which may fail while the log is still read.
  std::atomic<bool> failed_ = false;
  mutable std::mutex failure_mutex_;
  std::string failure_;
};

} // namespace veltrix

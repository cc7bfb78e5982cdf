#include "outputs/database/survey_database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include "outputs/database/schema.h"

namespace veltrix {

SurveyDatabase::SurveyDatabase(std::string path) : path_(std::move(path)) {}

SurveyDatabase::~SurveyDatabase() {
  if (db_ != nullptr) sqlite3_close(db_);
  if (write_back_fd_ >= 0) ::close(write_back_fd_);
}

void SurveyDatabase::StartWriteBack() {
  if (write_back_fd_ < 0) write_back_fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  // A hint: where it cannot be given, the commit's sync does all the work as it would anyway.
  if (write_back_fd_ >= 0) ::sync_file_range(write_back_fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool SurveyDatabase::Fail() {
  failure_ = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
  return false;
}

bool SurveyDatabase::Execute(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  failure_ = message != nullptr ? message : sqlite3_errmsg(db_);
  sqlite3_free(message);
  return false;
}

namespace {

// The first column of the first row of `sql`, as a number; nothing when it has no row.
bool QueryNumber(sqlite3* db, const char* sql, sqlite3_int64& value) {
  Statement statement;
  if (!statement.Prepare(db, sql)) return false;
  const int step = sqlite3_step(*statement);
  if (step == SQLITE_ROW) {
    value = sqlite3_column_int64(*statement, 0);
    return true;
  }
  return step == SQLITE_DONE && (value = 0, true);
}

} // namespace

bool SurveyDatabase::Open() {
  // Counting the memory in use takes a lock on every allocation: not wanted here.
  static std::once_flag configured;
  std::call_once(configured, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
  // Opened without creating first: a file that exists and is no database must not be touched.
  // One import at a time uses the connection (Writer()): SQLite's own locks would be work for
  // nothing.
  if (sqlite3_open_v2(path_.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK)
    return Fail();
  sqlite3_extended_result_codes(db_, 1);
  // Another program may be reading it, or writing for a moment.
  sqlite3_busy_timeout(db_, 10000);
  sqlite3_int64 version = 0, objects = 0;
  // Reading the header is where a file that is no database shows.
  if (!QueryNumber(db_, "PRAGMA user_version", version) ||
      !QueryNumber(db_, "SELECT count(*) FROM sqlite_schema", objects)) {
    failure_ = std::string("not a SQLite database (") + sqlite3_errmsg(db_) + ")";
    return false;
  }
  if (version != database::kSchemaVersion && (version != 0 || objects != 0)) {
    failure_ = "a database of schema version " + std::to_string(version) + ", not " +
               std::to_string(database::kSchemaVersion) + " (left as it was)";
    return false;
  }
  // Larger pages for a new database (before WAL, which fixes the size): fewer of them to write.
  if (objects == 0 && !Execute("PRAGMA page_size=16384")) return false;
  // Readers may query it while a later import runs: the WAL journal (for a new database once it
  // holds a log). A cache that holds the indexes' working pages of a large import (bounded
  // memory), and a sync at each import's end rather than at each checkpoint. The schema's foreign
  // key is for other programs: an import's rows always belong to the log it inserts first, and a
  // check of each would make SQLite journal every statement of many rows.
  wal_pending_ = objects == 0;
  if ((!wal_pending_ && !Execute("PRAGMA journal_mode=WAL")) ||
      !Execute("PRAGMA synchronous=NORMAL") || !Execute("PRAGMA cache_size=-16384"))
    return false;
  if (objects != 0) return true;
  const std::string create =
      std::string("BEGIN IMMEDIATE;") + database::kCreateSchema + database::kCreateIndexes +
      "PRAGMA user_version=" + std::to_string(database::kSchemaVersion) + ";COMMIT;";
  if (Execute(create.c_str())) return true;
  Execute("ROLLBACK");
  return false;
}

bool SurveyDatabase::Committed() {
  if (!wal_pending_) return true;
  wal_pending_ = false;
  return Execute("PRAGMA journal_mode=WAL");
}

Statement::~Statement() {
  sqlite3_finalize(statement_);
}

bool Statement::Prepare(sqlite3* db, const char* sql) {
  sqlite3_finalize(statement_);
  statement_ = nullptr;
  return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr) ==
         SQLITE_OK;
}

} // namespace veltrix

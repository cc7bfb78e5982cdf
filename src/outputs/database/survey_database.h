#pragma once
// src/outputs/database/ holds the survey database family: every record of every imported log in
// one SQLite file, typed, with the access-point sightings (schema.h). SurveyDatabase is the file,
// shared by the logs of a run; DatabaseOutput (database_output.h) imports one log in one
// transaction, one log at a time.

#include <memory>
#include <mutex>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace veltrix {

class SurveyDatabase {
public:
  explicit SurveyDatabase(std::string path);
  ~SurveyDatabase();
  SurveyDatabase(const SurveyDatabase&) = delete;
  SurveyDatabase& operator=(const SurveyDatabase&) = delete;

  // Opens the file, creating it and its schema when it is missing or empty. False, with the
  // reason, when it is no SQLite database, is of another schema version, or cannot be opened:
  // it is then left as it was.
  bool Open();
  const std::string& Path() const { return path_; }
  // "PATH: reason" of the last failure.
  std::string FailureDetail() const { return path_ + ": " + failure_; }

  // After an import's commit: a new database takes the WAL journal now that it holds a log (its
  // first import is written once, not into the journal and then again into the file).
  bool Committed();

  // The one writer: a log's import holds it from its transaction's start to its end.
  std::mutex& Writer() { return writer_; }
  sqlite3* Handle() { return db_; }

  // Starts writing to the disk what the file holds so far, without waiting: the sync of an
  // import's commit then has little left to do. For the import that holds the writer.
  void StartWriteBack();

  // Runs `sql` (statements without results); false with the failure noted.
  bool Execute(const char* sql);
  // Notes SQLite's reason for the last failure of the handle; returns false.
  bool Fail();
  void Fail(std::string reason) { failure_ = std::move(reason); }

private:
  std::string path_;
  sqlite3* db_ = nullptr;
  std::string failure_;
  bool wal_pending_ = false;
  int write_back_fd_ = -1;
  std::mutex writer_;
};

// A prepared statement, finalized with its owner.
class Statement {
public:
  Statement() = default;
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool Prepare(sqlite3* db, const char* sql);
  sqlite3_stmt* operator*() const { return statement_; }

private:
  sqlite3_stmt* statement_ = nullptr;
};

} // namespace veltrix

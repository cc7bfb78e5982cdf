// One log's import into the survey database.
#include "outputs/database/database_output.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>

#include <fcntl.h>
#include <openssl/evp.h>
#include <sqlite3.h>
#include <unistd.h>

#include "analysis/access_points.h"
#include "convert/record_lines.h"
#include "decode/rates.h"
#include "outputs/database/schema.h"
#include "text/clean_text.h"
#include "text/mac_text.h"

namespace veltrix {

// SHA-256 of the log's bytes, read a step at a time beside the conversion's own reading: while
// the rows go in on the spare thread, the reading thread has time to spare for it.
class DatabaseOutput::FileDigest {
public:
  ~FileDigest() {
    EVP_MD_CTX_free(context_);
    if (fd_ >= 0) ::close(fd_);
  }
  bool Open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return Failed();
    context_ = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context_, EVP_sha256(), nullptr);
    return true;
  }
  // Digests up to `size` more bytes; false when the file cannot be read.
  bool Step(std::size_t size) {
    while (size > 0 && !done_) {
      const ssize_t n = ::read(fd_, buffer_.get(), std::min(size, kBufferSize));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Failed();
      done_ = n == 0;
      EVP_DigestUpdate(context_, buffer_.get(), static_cast<std::size_t>(n));
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }
  // The digest of the whole file in hex; empty when it cannot be read.
  std::string Finish() {
    if (!Step(SIZE_MAX)) return {};
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned size = 0;
    EVP_DigestFinal_ex(context_, digest.data(), &size);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned i = 0; i < size; ++i) {
      hex += kHex[digest[i] >> 4];
      hex += kHex[digest[i] & 15];
    }
    return hex;
  }
  // "PATH: reason" of a failed open or read.
  std::string FailureDetail() const { return path_ + ": " + std::strerror(error_); }

private:
  static constexpr std::size_t kBufferSize = 1 << 20;
  bool Failed() {
    error_ = errno;
    return false;
  }
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
  bool done_ = false;
  EVP_MD_CTX* context_ = nullptr;
  std::unique_ptr<char[]> buffer_{new char[kBufferSize]};
};

namespace {

constexpr std::size_t kContextFields = 7;

std::string NowUtcIso() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// Splits a line of OutputFile's (tab-separated, quoted where a field needs it, ended by CR LF)
// into its fields: views of the line, or of `unquoted` for a quoted field (rare: a marker or an
// SSID with a tab or a quote). The `limit`th field is the rest of the line.
void SplitLine(std::string_view line, std::vector<std::string_view>& fields,
               std::deque<std::string>& unquoted, std::size_t limit) {
  fields.clear();
  unquoted.clear();
  if (line.size() >= 2) line.remove_suffix(2);
  std::size_t i = 0;
  for (;;) {
    if (fields.size() + 1 == limit) {
      fields.push_back(line.substr(i)); // the rest, unsplit: a run of numbers
      break;
    }
    if (i < line.size() && line[i] == '"') {
      std::string& field = unquoted.emplace_back();
      for (++i; i < line.size(); ++i) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field += '"';
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          field += line[i];
        }
      }
      fields.push_back(field);
    } else {
      const std::size_t end = std::min(line.find('\t', i), line.size());
      fields.push_back(line.substr(i, end - i));
      i = end;
    }
    if (i >= line.size()) break;
    ++i; // the tab
  }
}

// A JSON array of a run of tab-separated numbers as the line writes them.
void JsonArray(std::string_view numbers, std::string& out) {
  out.resize(numbers.size() + 2);
  out.front() = '[';
  std::replace_copy(numbers.begin(), numbers.end(), out.begin() + 1, '\t', ',');
  out.back() = ']';
}

// The number a field starts with ("5.5" of "5.5 Mb/s"); nothing when it starts with none.
std::optional<double> LeadingNumber(std::string_view text) {
  double value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
    return std::nullopt;
  return value;
}

void BindText(sqlite3_stmt* s, int i, std::string_view text) {
  sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::int64_t ToInteger(std::string_view text) {
  std::int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

const char* KindName(RecordKind kind) {
  switch (kind) {
  case RecordKind::FullSpectrum:
    return "full_spectrum";
  case RecordKind::SingleSpectrum:
    return "single_spectrum";
  case RecordKind::Survey:
    return "survey";
  case RecordKind::Single:
    return "single";
  default:
    return "utilization";
  }
}

ConversionOptions Everything() {
  ConversionOptions options;
  options.TickAllContextFields();
  options.TickAllRecordGroups();
  options.delimiter = Delimiter::Tab;
  return options;
}

// A clock in ISO 8601 put in `text`, "2007-12-07T13:00:05"; none when it is out of range.
std::optional<std::string_view> ClockText(const DateTime& clock,
                                          char (&text)[DateTime::kIsoCapacity]) {
  if (!clock.InRange()) return std::nullopt;
  return std::string_view(text, static_cast<std::size_t>(clock.PutIso(text) - text));
}

// The tables rows go to, in the order of DatabaseOutput::Table, with their number of columns
// (the first the log's id, which the statements hold).
struct TableColumns {
  const char* name;
  int columns;
};
constexpr std::array<TableColumns, 7> kTables = {{{"records", 13},
                                                  {"full_spectrum", 3},
                                                  {"single_spectrum", 4},
                                                  {"survey", 10},
                                                  {"single", 9},
                                                  {"utilization", 5},
                                                  {"sightings", 11}}};

// Rows go in many to a statement: SQLite's work for each statement (its cursors, its end) is then
// shared by them, which takes about a third off the time of the rows. A chunk's rows of a table
// take the largest of these that they fill. 64 rows of the widest table stay under 999 parameters.
constexpr std::array<std::size_t, 4> kBatchRows = {64, 16, 4, 1};

// "INSERT OR FAIL INTO name VALUES (7, ?), (7, ?)" for `rows` rows of the log 7. Any failure
// rolls the whole import back, so a statement need not undo its own rows (OR FAIL): SQLite then
// keeps no journal of each statement.
std::string InsertSql(const TableColumns& table, std::size_t rows, std::int64_t logId) {
  std::string row(1, '(');
  row += std::to_string(logId);
  for (int i = 1; i < table.columns; ++i) row += ", ?";
  row += ')';
  std::string sql = std::string("INSERT OR FAIL INTO ") + table.name + " VALUES " + row;
  for (std::size_t i = 1; i < rows; ++i) sql += ", " + row;
  return sql;
}

// The rows are gathered in chunks of about this size; a chunk is the unit handed to the inserter.
constexpr std::size_t kChunkBytes = 256 * 1024;

// A row: its size (4 bytes, of what follows), its table (1 byte), then its values, each a tag and
// 8 bytes of a number or a 4-byte length and the bytes.
enum Tag : char { kNull, kInteger, kReal, kText, kBlob };

template <class T> void Append(std::string& out, T value) {
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  out.append(bytes, sizeof value);
}

template <class T> T Load(const char* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

} // namespace

struct DatabaseOutput::Statements {
  // Of each table, an insert of each of kBatchRows rows.
  std::array<std::array<Statement, kBatchRows.size()>, kTables.size()> rows;
  Statement log, finish;

  bool PrepareRows(sqlite3* db, std::int64_t logId) {
    for (std::size_t t = 0; t < rows.size(); ++t)
      for (std::size_t b = 0; b < kBatchRows.size(); ++b)
        if (!rows[t][b].Prepare(db, InsertSql(kTables[t], kBatchRows[b], logId).c_str()))
          return false;
    return true;
  }
  bool Prepare(sqlite3* db) {
    return log.Prepare(db,
                       "INSERT INTO logs(name, path, generation, bytes, sha256, frames, "
                       "damaged_bytes, tail_bytes, imported) VALUES (?, ?, ?, 0, ?, 0, 0, 0, ?)") &&
           finish.Prepare(db,
                          "UPDATE logs SET bytes = ?, frames = ?, damaged_bytes = ?, "
                          "tail_bytes = ?, first_rtc = ?, last_rtc = ?, sha256 = ? WHERE id = ?");
  }
};

DatabaseOutput::DatabaseOutput(std::shared_ptr<SurveyDatabase> database, std::string logPath,
                               std::string logName, std::shared_ptr<SpareThread> spare)
    : database_(std::move(database)), log_path_(std::move(logPath)), log_name_(std::move(logName)),
      options_(Everything()), spare_(std::move(spare)) {}

DatabaseOutput::~DatabaseOutput() {
  StopAside();
  EndTransaction(false);
}

std::vector<OutputDestination> DatabaseOutput::Destinations() const {
  return {OutputDestination{database_->Path()}};
}

void DatabaseOutput::Fail() {
  Fail(ErrorText());
}

void DatabaseOutput::Fail(const std::string& reason) {
  const std::lock_guard lock(failure_mutex_);
  if (!failed_) failure_ = reason;
  failed_ = true;
}

std::string DatabaseOutput::FailureDetail() const {
  const std::lock_guard lock(failure_mutex_);
  return failed_ ? failure_ : std::string();
}

void DatabaseOutput::StopAside() {
  aside_.reset();
  rows_ = &chunk_;
}

void DatabaseOutput::EndTransaction(bool commit) {
  if (in_transaction_) {
    if (commit) {
      if (database_->Execute("COMMIT")) {
        committed_ = true;
        statements_.reset(); // no statement may be open while the journal changes
        database_->Committed();
      } else {
        Fail(database_->FailureDetail());
        database_->Execute("ROLLBACK");
      }
    } else {
      database_->Execute("ROLLBACK");
    }
    in_transaction_ = false;
  }
  statements_.reset();
  spool_out_.Abandon();
  spool_.Close();
  if (writer_.owns_lock()) writer_.unlock();
}

bool DatabaseOutput::Open(LogVariant variant) {
  variant_ = variant;
  digest_ = std::make_unique<FileDigest>();
  if (!digest_->Open(log_path_)) {
    Fail(digest_->FailureDetail());
    return false;
  }
  decoder_.emplace(variant, RecordGroups::All());
  tail_.Reset();
  decoder_->AddSightingSink(*this);
  line_.CreateInMemory();
  // The rows go in as the log is read when no other log is being imported; otherwise they wait in
  // a scratch file beside the database until this log's turn comes at its end, so that the logs
  // of a batch are read at once and written one at a time.
  chunk_.clear();
  chunk_.reserve(kChunkBytes * 2);
  writer_ = std::unique_lock<std::mutex>(database_->Writer(), std::try_to_lock);
  if (writer_.owns_lock()) {
    if (!StartImport()) return false;
    if (spare_) {
      aside_ = std::make_unique<AsideWork<std::string, 1>>(
          *spare_, [this](const std::string& rows) { InsertRows(rows); });
      rows_ = &aside_->Next();
      rows_->clear();
    }
    return true;
  }
  if (!spool_.Create(database_->Path()) ||
      !spool_out_.Create(OutputDestination{spool_.Name(), spool_.Descriptor()})) {
    Fail(spool_.FailureDetail());
    return false;
  }
  return true;
}

bool DatabaseOutput::StartImport() {
  sqlite3* db = database_->Handle();
  const auto fail = [&](const std::string& reason) {
    Fail(reason);
    EndTransaction(false);
    return false;
  };
  if (!database_->Execute("BEGIN IMMEDIATE")) return fail(database_->FailureDetail());
  in_transaction_ = true;
  // Into an empty database, the indexes are built once at the end, all rows known.
  {
    Statement count;
    if (!count.Prepare(db, "SELECT count(*) FROM logs") || sqlite3_step(*count) != SQLITE_ROW)
      return fail(ErrorText());
    rebuild_indexes_ = sqlite3_column_int64(*count, 0) == 0;
  }
  if (rebuild_indexes_ && !database_->Execute(database::kDropIndexes))
    return fail(database_->FailureDetail());
  statements_ = std::make_unique<Statements>();
  if (!statements_->Prepare(db)) return fail(ErrorText());
  sqlite3_stmt* log = *statements_->log;
  BindText(log, 1, CleanText(log_name_));
  BindText(log, 2, CleanText(log_path_));
  BindText(log, 3, variant_ == LogVariant::B ? "802.11b" : "802.11g");
  BindText(log, 4, ""); // the digest, known at the end (unique: one import at a time)
  BindText(log, 5, NowUtcIso());
  if (sqlite3_step(log) != SQLITE_DONE) return fail(ErrorText());
  log_id_ = sqlite3_last_insert_rowid(db);
  if (!statements_->PrepareRows(db, log_id_)) return fail(ErrorText());
  return true;
}

bool DatabaseOutput::ReplaceEarlierImport() {
  Statement find;
  if (!find.Prepare(database_->Handle(), "SELECT id FROM logs WHERE sha256 = ? AND id != ?")) {
    Fail();
    return false;
  }
  BindText(*find, 1, sha_);
  sqlite3_bind_int64(*find, 2, log_id_);
  if (sqlite3_step(*find) != SQLITE_ROW) return true;
  replaced_ = true;
  const std::string id = std::to_string(sqlite3_column_int64(*find, 0));
  for (const char* table : {"full_spectrum", "single_spectrum", "survey", "single", "utilization",
                            "sightings", "records", "logs"}) {
    const std::string sql = std::string("DELETE FROM ") + table + " WHERE " +
                            (std::string_view(table) == "logs" ? "id" : "log_id") + " = " + id;
    if (!database_->Execute(sql.c_str())) {
      Fail(database_->FailureDetail());
      return false;
    }
  }
  return true;
}

std::string DatabaseOutput::ErrorText() const {
  return database_->Path() + ": " + sqlite3_errmsg(database_->Handle());
}

// ---- rows: put in chunks, and inserted many to a statement ----

void DatabaseOutput::BeginRow(Table table) {
  row_start_ = rows_->size();
  rows_->append(4, '\0'); // its size, filled in at its end
  *rows_ += static_cast<char>(table);
}

void DatabaseOutput::Integer(std::int64_t value) {
  *rows_ += kInteger;
  Append(*rows_, value);
}

void DatabaseOutput::Real(std::optional<double> value) {
  if (!value) return Null();
  *rows_ += kReal;
  Append(*rows_, *value);
}

void DatabaseOutput::Null() {
  *rows_ += kNull;
}

void DatabaseOutput::Text(std::string_view text, bool blob) {
  *rows_ += blob ? kBlob : kText;
  Append(*rows_, static_cast<std::uint32_t>(text.size()));
  rows_->append(text);
}

void DatabaseOutput::CleanedText(std::string_view text) {
  // Most texts of a log are printable ASCII already.
  if (!NeedsCleaning(text)) return Text(text);
  Text(CleanText(text));
}

void DatabaseOutput::Clock(const DateTime& clock) {
  char buffer[DateTime::kIsoCapacity];
  if (const std::optional<std::string_view> text = ClockText(clock, buffer)) {
    Text(*text);
  } else {
    Null();
  }
}

void DatabaseOutput::EndRow() {
  const auto size = static_cast<std::uint32_t>(rows_->size() - row_start_ - 4);
  std::memcpy(rows_->data() + row_start_, &size, sizeof size);
  if (rows_->size() >= kChunkBytes) HandOver();
}

void DatabaseOutput::HandOver() {
  if (rows_->empty()) return;
  // Every few MiB of rows, the disk may start on the pages SQLite has written.
  constexpr std::size_t kWriteBackChunks = 16;
  if (statements_ && ++chunks_ % kWriteBackChunks == 0) database_->StartWriteBack();
  // The log's digest keeps pace with the rows.
  if (digest_ && !digest_->Step(kChunkBytes)) Fail(digest_->FailureDetail());
  if (aside_) {
    aside_->Push();
    rows_ = &aside_->Next(); // free again: the spare thread is done with it
  } else if (statements_) {
    InsertRows(*rows_);
  } else {
    spool_out_.Text(*rows_);
    if (spool_out_.Failed()) Fail(spool_out_.FailureDetail());
  }
  rows_->clear();
}

void DatabaseOutput::InsertRows(std::string_view rows) {
  if (failed_) return;
  // Each table's rows in their order; the tables' rows are independent of each other.
  for (std::vector<const char*>& starts : by_table_) starts.clear();
  // A chunk filled on the other thread is fetched whole first: read row by row, each read would
  // wait on the other core's cache in turn.
  for (std::size_t i = 0; i < rows.size(); i += 64) __builtin_prefetch(rows.data() + i, 0, 2);
  for (const char* p = rows.data(); p < rows.data() + rows.size();
       p += 4 + Load<std::uint32_t>(p)) {
    by_table_[static_cast<std::size_t>(p[4])].push_back(p);
  }
  for (std::size_t t = 0; t < by_table_.size(); ++t) {
    const std::vector<const char*>& starts = by_table_[t];
    for (std::size_t i = 0; i < starts.size() && !failed_;) {
      std::size_t b = 0;
      while (kBatchRows[b] > starts.size() - i) ++b;
      sqlite3_stmt* statement = *statements_->rows[t][b];
      int param = 1;
      for (const std::size_t end = i + kBatchRows[b]; i < end; ++i)
        param = BindRow(statement, param, starts[i]);
      if (sqlite3_step(statement) != SQLITE_DONE) Fail();
      sqlite3_reset(statement);
    }
  }
}

int DatabaseOutput::BindRow(sqlite3_stmt* s, int param, const char* row) {
  const char* end = row + 4 + Load<std::uint32_t>(row);
  // The texts stay in the chunk until the statement's step: no copy.
  for (const char* p = row + 5; p < end;) {
    const char tag = *p++;
    if (tag == kNull) {
      sqlite3_bind_null(s, param++);
    } else if (tag == kInteger) {
      sqlite3_bind_int64(s, param++, Load<std::int64_t>(p));
      p += 8;
    } else if (tag == kReal) {
      sqlite3_bind_double(s, param++, Load<double>(p));
      p += 8;
    } else {
      const auto length = Load<std::uint32_t>(p);
      const int size = static_cast<int>(length);
      if (tag == kBlob) {
        sqlite3_bind_blob(s, param++, p + 4, size, SQLITE_STATIC);
      } else {
        sqlite3_bind_text(s, param++, p + 4, size, SQLITE_STATIC);
      }
      p += 4 + length;
    }
  }
  return param;
}

bool DatabaseOutput::Replay() {
  ScratchReader reader(spool_);
  for (;;) {
    // The whole rows of what the reader holds.
    const std::string_view rows = reader.Peek(kChunkBytes);
    std::size_t whole = 0;
    while (rows.size() - whole >= 4 &&
           rows.size() - whole - 4 >= Load<std::uint32_t>(rows.data() + whole))
      whole += 4 + Load<std::uint32_t>(rows.data() + whole);
    if (whole == 0) {
      // The end, or a row the scratch file lost: never an import with rows missing.
      if (!rows.empty() && !reader.Failed())
        Fail(spool_.Name() + ": the scratch file ends within a row");
      break;
    }
    InsertRows(rows.substr(0, whole));
    reader.Skip(whole);
    if (failed_) return false;
  }
  if (reader.Failed()) Fail(spool_.FailureDetail());
  return !failed_;
}

// ---- the log ----

void DatabaseOutput::Take(const Frame& frame) {
  if (failed_) return;
  if (frame.Framed) ++frames_;
  if (frame.PayloadDelivered && frame.Rtc.InRange()) {
    if (!first_rtc_) first_rtc_ = frame.Rtc;
    last_rtc_ = frame.Rtc;
  }
  frame_ = &frame;
  const DecodeResult result = decoder_->Decode(frame);
  frame_ = nullptr;
  if (result != DecodeResult::RecordReady) return;
  line_.Clear();
  if (WriteRecordLine(line_, {frame, *decoder_, options_, &tail_})) InsertRecord(frame);
}

void DatabaseOutput::InsertRecord(const Frame& frame) {
  if (line_.Failed()) return Fail(database_->Path() + ": a record's line is too long");
  const std::int64_t index = frames_ - 1;
  const RecordKind kind = decoder_->state.Kind;
  const bool b = decoder_->variant == LogVariant::B;
  // The runs of numbers (levels, multipath shares) stay whole, for their JSON arrays.
  std::size_t limit = SIZE_MAX;
  if (kind == RecordKind::FullSpectrum) limit = kContextFields + 1;
  if (kind == RecordKind::SingleSpectrum) limit = kContextFields + 2;
  if (kind == RecordKind::Single && b) limit = kContextFields + 4;
  SplitLine(line_.Buffered(), fields_, unquoted_, limit);
  const auto& f = fields_;
  const auto start = [&](Table table) {
    BeginRow(table);
    Integer(index);
  };

  start(kRecords);
  Text(KindName(kind));
  Clock(frame.Rtc);
  for (std::size_t i = 0; i < kContextFields; ++i) {
    if (i == 2) {
      CleanedText(f[i]); // the marker
    } else {
      Text(f[i]);
    }
  }
  const std::optional<GpsPosition> at = PositionOf(decoder_->gps);
  Real(at ? std::optional(at->latitude) : std::nullopt);
  Real(at ? std::optional(at->longitude) : std::nullopt);
  EndRow();
  ++records_;

  const std::size_t k = kContextFields; // the group's first field
  switch (kind) {
  case RecordKind::FullSpectrum:
    start(kFullSpectrum);
    JsonArray(f[k], json_);
    Text(json_);
    EndRow();
    break;
  case RecordKind::SingleSpectrum:
    start(kSingleSpectrum);
    Integer(ToInteger(f[k]));
    JsonArray(f[k + 1], json_);
    Text(json_);
    EndRow();
    break;
  case RecordKind::Survey:
    start(kSurvey);
    Integer(0); // a survey's line is of one station
    Integer(ToInteger(f[k]));
    Text(f[k + 1]);
    CleanedText(f[k + 2]);
    Text(f[k + 2], true);
    Integer(ToInteger(f[k + 3]));
    Integer(f[k + 4] == "Yes");
    Integer(f[k + 5] == "AP");
    EndRow();
    break;
  case RecordKind::Single:
    start(kSingle);
    Text(f[k]);
    Integer(ToInteger(f[k + 1]));
    Text(f[k + 2]);
    Real(LeadingNumber(f[k + 2]));
    if (b) {
      JsonArray(f[k + 3], json_);
      Text(json_);
      Null();
      Null();
    } else {
      Null();
      Integer(ToInteger(f[k + 3]));
      Integer(f[k + 4] == "good");
    }
    EndRow();
    break;
  case RecordKind::Utilization: {
    // 802.11b: the record's channel, a value per rate; 802.11g: a value per channel.
    const std::size_t first = b ? k + 1 : k;
    for (std::size_t i = first; i < f.size() && !failed_; ++i) {
      const std::size_t n = i - first;
      start(kUtilization);
      Integer(b ? ToInteger(f[k]) : static_cast<std::int64_t>(n + 1));
      Real(b ? std::optional(kBRates[n]->bytesPerSecond * 8 / 1e6) : std::nullopt);
      Real(LeadingNumber(f[i]).value_or(0));
      EndRow();
    }
    break;
  }
  default:
    break;
  }
}

void DatabaseOutput::AccessPointSighted(const StationNode& node) {
  if (failed_ || frame_ == nullptr) return;
  const Sighting sighting = SightingOf(node, frame_->Rtc, decoder_->gps);
  char mac[kMacTextSize];
  BeginRow(kSightings);
  Integer(sightings_++);
  Integer(frames_ - 1);
  Text(FormatMac(sighting.mac.data(), mac));
  CleanedText(sighting.ssid);
  Integer(sighting.channel);
  Integer(sighting.wep ? 1 : 0);
  Integer(sighting.level);
  Clock(sighting.rtc);
  Real(sighting.position ? std::optional(sighting.position->latitude) : std::nullopt);
  Real(sighting.position ? std::optional(sighting.position->longitude) : std::nullopt);
  EndRow();
}

bool DatabaseOutput::Finish() {
  decoder_.reset();
  if (!end_.cancelled && !failed_) HandOver(); // the last rows
  if (aside_) aside_->Finish();
  StopAside();
  if (!end_.cancelled && !failed_) {
    sha_ = digest_->Finish();
    if (sha_.empty()) Fail(digest_->FailureDetail());
  }
  digest_.reset();
  // A cancelled import leaves the database as it was: that is no failure of the output.
  if (end_.cancelled || failed_) {
    const bool ok = !failed_;
    EndTransaction(false);
    return ok;
  }
  if (!statements_) {
    // This log's turn: the rows spooled go in now.
    if (!spool_out_.Close()) {
      Fail(spool_out_.FailureDetail());
      EndTransaction(false);
      return false;
    }
    writer_ = std::unique_lock<std::mutex>(database_->Writer());
    if (!StartImport() || !Replay()) {
      EndTransaction(false);
      return false;
    }
  }
  // An earlier import of the same bytes goes, in this transaction.
  if (!ReplaceEarlierImport()) {
    EndTransaction(false);
    return false;
  }
  sqlite3_stmt* s = *statements_->finish;
  sqlite3_bind_int64(s, 1, end_.bytesInFile);
  sqlite3_bind_int64(s, 2, frames_);
  sqlite3_bind_int64(s, 3, end_.damage.skippedBytes);
  sqlite3_bind_int64(s, 4, end_.damage.tailBytes);
  char buffer[DateTime::kIsoCapacity];
  for (const auto& [column, rtc] : {std::pair{5, &first_rtc_}, std::pair{6, &last_rtc_}}) {
    if (const std::optional<std::string_view> text =
            *rtc ? ClockText(**rtc, buffer) : std::nullopt) {
      BindText(s, column, *text);
    } else {
      sqlite3_bind_null(s, column);
    }
  }
  BindText(s, 7, sha_);
  sqlite3_bind_int64(s, 8, log_id_);
  if (sqlite3_step(s) != SQLITE_DONE) Fail();
  sqlite3_reset(s);
  database_->StartWriteBack();
  if (!failed_ && rebuild_indexes_ && !database_->Execute(database::kCreateIndexes))
    Fail(database_->FailureDetail());
  EndTransaction(!failed_);
  return !failed_;
}

void DatabaseOutput::Abandon() {
  decoder_.reset();
  StopAside();
  EndTransaction(false);
}

std::vector<WrittenFile> DatabaseOutput::Written() const {
  if (!committed_) return {};
  return {WrittenFile(database_->Path(), records_, replaced_)};
}

} // namespace veltrix

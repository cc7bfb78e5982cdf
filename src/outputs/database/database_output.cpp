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
namespace {

constexpr std::size_t kContextFields = 7;

// SHA-256 of the file at `path` in hex; empty with `error` set when it cannot be read.
std::string FileSha256(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return {};
  }
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  EVP_DigestInit_ex(context, EVP_sha256(), nullptr);
  std::unique_ptr<char[]> buffer(new char[1 << 20]);
  ssize_t n;
  while ((n = ::read(fd, buffer.get(), 1 << 20)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      break;
    }
    EVP_DigestUpdate(context, buffer.get(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned size = 0;
  EVP_DigestFinal_ex(context, digest.data(), &size);
  EVP_MD_CTX_free(context);
  if (n < 0) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned i = 0; i < size; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

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

// The SQL of each table's row, its first parameter the log's id.
constexpr std::array<const char*, 7> kInsert = {
    "INSERT INTO records VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    "INSERT INTO full_spectrum VALUES (?, ?, ?)",
    "INSERT INTO single_spectrum VALUES (?, ?, ?, ?)",
    "INSERT INTO survey VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    "INSERT INTO single VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
    "INSERT INTO utilization VALUES (?, ?, ?, ?, ?)",
    "INSERT INTO sightings VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
};

// A spooled row's values: a tag, then 8 bytes of a number or a 4-byte length and the bytes.
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
  std::array<Statement, kInsert.size()> rows;
  Statement log, finish;

  bool Prepare(sqlite3* db) {
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (!rows[i].Prepare(db, kInsert[i])) return false;
    return log.Prepare(db,
                       "INSERT INTO logs(name, path, generation, bytes, sha256, frames, "
                       "damaged_bytes, tail_bytes, imported) VALUES (?, ?, ?, 0, ?, 0, 0, 0, ?)") &&
           finish.Prepare(db, "UPDATE logs SET bytes = ?, frames = ?, damaged_bytes = ?, "
                              "tail_bytes = ?, first_rtc = ?, last_rtc = ? WHERE id = ?");
  }
};

DatabaseOutput::DatabaseOutput(std::shared_ptr<SurveyDatabase> database, std::string logPath,
                               std::string logName)
    : database_(std::move(database)), log_path_(std::move(logPath)), log_name_(std::move(logName)),
      options_(Everything()) {}

DatabaseOutput::~DatabaseOutput() {
  EndTransaction(false);
}

std::vector<OutputDestination> DatabaseOutput::Destinations() const {
  return {OutputDestination{database_->Path()}};
}

void DatabaseOutput::Fail() {
  Fail(database_->Path() + ": " + sqlite3_errmsg(database_->Handle()));
}

void DatabaseOutput::Fail(const std::string& reason) {
  if (!failed_) failure_ = reason;
  failed_ = true;
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
  int error = 0;
  sha_ = FileSha256(log_path_, error);
  if (sha_.empty()) {
    Fail(log_path_ + ": " + std::strerror(error));
    return false;
  }
  decoder_.emplace(variant, RecordGroups::All());
  decoder_->AddSightingSink(*this);
  line_.CreateInMemory();
  // The rows go straight in when no other log is being imported; otherwise they wait in a scratch
  // file beside the database until this log's turn comes at its end, so that the logs of a batch
  // are read at once and written one at a time.
  writer_ = std::unique_lock<std::mutex>(database_->Writer(), std::try_to_lock);
  if (writer_.owns_lock()) return StartImport();
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
  // An earlier import of the same bytes goes, in this transaction.
  {
    Statement find;
    if (!find.Prepare(db, "SELECT id FROM logs WHERE sha256 = ?")) return fail(ErrorText());
    BindText(*find, 1, sha_);
    if (sqlite3_step(*find) == SQLITE_ROW) {
      replaced_ = true;
      const std::string id = std::to_string(sqlite3_column_int64(*find, 0));
      sqlite3_reset(*find);
      for (const char* table : {"full_spectrum", "single_spectrum", "survey", "single",
                                "utilization", "sightings", "records", "logs"}) {
        const std::string sql = std::string("DELETE FROM ") + table + " WHERE " +
                                (std::string_view(table) == "logs" ? "id" : "log_id") + " = " + id;
        if (!database_->Execute(sql.c_str())) return fail(database_->FailureDetail());
      }
    }
  }
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
  BindText(log, 4, sha_);
  BindText(log, 5, NowUtcIso());
  if (sqlite3_step(log) != SQLITE_DONE) return fail(ErrorText());
  log_id_ = sqlite3_last_insert_rowid(db);
  return true;
}

std::string DatabaseOutput::ErrorText() const {
  return database_->Path() + ": " + sqlite3_errmsg(database_->Handle());
}

// ---- rows: bound and stepped at once, or spooled ----

void DatabaseOutput::BeginRow(Table table) {
  if (statements_) {
    row_ = *statements_->rows[table];
    sqlite3_bind_int64(row_, 1, log_id_);
    param_ = 2;
  } else {
    record_.assign(4, '\0'); // its length, filled in at the end
    record_ += static_cast<char>(table);
  }
}

void DatabaseOutput::Integer(std::int64_t value) {
  if (statements_) {
    sqlite3_bind_int64(row_, param_++, value);
  } else {
    record_ += kInteger;
    Append(record_, value);
  }
}

void DatabaseOutput::Real(std::optional<double> value) {
  if (!value) return Null();
  if (statements_) {
    sqlite3_bind_double(row_, param_++, *value);
  } else {
    record_ += kReal;
    Append(record_, *value);
  }
}

void DatabaseOutput::Null() {
  if (statements_) {
    sqlite3_bind_null(row_, param_++);
  } else {
    record_ += kNull;
  }
}

void DatabaseOutput::Text(std::string_view text, bool blob) {
  if (statements_) {
    // Every text bound stays where it is until the row's step (the line's fields, the scratch
    // members, the reader's buffer), and every parameter is bound anew for each row: no copy.
    const int size = static_cast<int>(text.size());
    if (blob) {
      sqlite3_bind_blob(row_, param_++, text.data(), size, SQLITE_STATIC);
    } else {
      sqlite3_bind_text(row_, param_++, text.data(), size, SQLITE_STATIC);
    }
  } else {
    record_ += blob ? kBlob : kText;
    Append(record_, static_cast<std::uint32_t>(text.size()));
    record_.append(text);
  }
}

void DatabaseOutput::CleanedText(std::string_view text) {
  // Most texts of a log are printable ASCII already.
  if (!NeedsCleaning(text)) return Text(text);
  clean_ = CleanText(text);
  Text(clean_);
}

void DatabaseOutput::Clock(const DateTime& clock) {
  if (const std::optional<std::string_view> text = ClockText(clock, clock_text_)) {
    Text(*text);
  } else {
    Null();
  }
}

void DatabaseOutput::EndRow() {
  if (statements_) {
    if (sqlite3_step(row_) != SQLITE_DONE) Fail();
    sqlite3_reset(row_);
    return;
  }
  const auto size = static_cast<std::uint32_t>(record_.size() - 4);
  std::memcpy(record_.data(), &size, sizeof size);
  spool_out_.Text(record_);
  if (spool_out_.Failed()) Fail(spool_out_.FailureDetail());
}

bool DatabaseOutput::Replay() {
  ScratchReader reader(spool_);
  for (;;) {
    std::string_view head = reader.Peek(4);
    if (head.size() < 4) break;
    const auto size = Load<std::uint32_t>(head.data());
    const std::string_view row = reader.Peek(4 + size);
    if (row.size() < 4 + size) break;
    const char* p = row.data() + 4;
    const char* end = p + size;
    BeginRow(static_cast<Table>(*p++));
    while (p < end && !failed_) {
      const char tag = *p++;
      if (tag == kNull) {
        Null();
      } else if (tag == kInteger) {
        Integer(Load<std::int64_t>(p));
        p += 8;
      } else if (tag == kReal) {
        Real(Load<double>(p));
        p += 8;
      } else {
        const auto length = Load<std::uint32_t>(p);
        Text(std::string_view(p + 4, length), tag == kBlob);
        p += 4 + length;
      }
    }
    EndRow();
    reader.Skip(4 + size);
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
  if (WriteRecordLine(line_, {frame, *decoder_, options_})) InsertRecord(frame);
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
  sqlite3_bind_int64(s, 7, log_id_);
  if (sqlite3_step(s) != SQLITE_DONE) Fail();
  sqlite3_reset(s);
  if (!failed_ && rebuild_indexes_ && !database_->Execute(database::kCreateIndexes))
    Fail(database_->FailureDetail());
  EndTransaction(!failed_);
  return !failed_;
}

void DatabaseOutput::Abandon() {
  decoder_.reset();
  EndTransaction(false);
}

std::vector<WrittenFile> DatabaseOutput::Written() const {
  if (!committed_) return {};
  return {WrittenFile(database_->Path(), records_, replaced_)};
}

} // namespace veltrix

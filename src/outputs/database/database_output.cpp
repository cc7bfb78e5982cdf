// One log's import into the survey database.
#include "outputs/database/database_output.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

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
// into its fields, unquoted.
void SplitLine(std::string_view line, std::vector<std::string>& fields) {
  fields.clear();
  if (line.size() >= 2) line.remove_suffix(2);
  std::size_t i = 0;
  for (;;) {
    std::string& field = fields.emplace_back();
    if (i < line.size() && line[i] == '"') {
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
    } else {
      const std::size_t end = std::min(line.find('\t', i), line.size());
      field.assign(line.substr(i, end - i));
      i = end;
    }
    if (i >= line.size()) break;
    ++i; // the tab
  }
}

// A JSON array of the fields from `first` on: they are numbers as the line writes them.
void JsonArray(const std::vector<std::string>& fields, std::size_t first, std::string& out) {
  out = '[';
  for (std::size_t i = first; i < fields.size(); ++i) {
    if (i > first) out += ',';
    out += fields[i];
  }
  out += ']';
}

std::optional<double> LeadingNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return std::nullopt;
  return value;
}

void BindText(sqlite3_stmt* s, int i, std::string_view text) {
  sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// A text of the log as the map files clean it; most are printable ASCII already.
void BindCleanText(sqlite3_stmt* s, int i, std::string_view text, std::string& scratch) {
  const bool clean =
      std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
  if (clean) return BindText(s, i, text);
  scratch = CleanText(text);
  BindText(s, i, scratch);
}

// A clock in ISO 8601, "2007-12-07T13:00:05", or NULL when out of range.
void BindClock(sqlite3_stmt* s, int i, const DateTime& clock) {
  if (!clock.InRange()) {
    sqlite3_bind_null(s, i);
    return;
  }
  char text[24];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", static_cast<int>(clock.year),
                static_cast<int>(clock.month), static_cast<int>(clock.day),
                static_cast<int>(clock.hours), static_cast<int>(clock.minutes),
                static_cast<int>(clock.seconds));
  BindText(s, i, text);
}

void BindOptional(sqlite3_stmt* s, int i, const std::optional<double>& value) {
  if (value) {
    sqlite3_bind_double(s, i, *value);
  } else {
    sqlite3_bind_null(s, i);
  }
}

std::int64_t Integer(const std::string& text) {
  return std::strtoll(text.c_str(), nullptr, 10);
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

} // namespace

struct DatabaseOutput::Statements {
  Statement log, record, fullSpectrum, singleSpectrum, survey, single, utilization, sighting;
  Statement findEarlier, finish;

  bool Prepare(sqlite3* db) {
    return log.Prepare(db,
                       "INSERT INTO logs(name, path, generation, bytes, sha256, frames, "
                       "damaged_bytes, tail_bytes, imported) VALUES (?, ?, ?, 0, ?, 0, 0, 0, ?)") &&
           record.Prepare(db,
                          "INSERT INTO records VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)") &&
           fullSpectrum.Prepare(db, "INSERT INTO full_spectrum VALUES (?, ?, ?)") &&
           singleSpectrum.Prepare(db, "INSERT INTO single_spectrum VALUES (?, ?, ?, ?)") &&
           survey.Prepare(db, "INSERT INTO survey VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)") &&
           single.Prepare(db, "INSERT INTO single VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)") &&
           utilization.Prepare(db, "INSERT INTO utilization VALUES (?, ?, ?, ?, ?)") &&
           sighting.Prepare(db, "INSERT INTO sightings VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)") &&
           findEarlier.Prepare(db, "SELECT id FROM logs WHERE sha256 = ?") &&
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
  if (writer_.owns_lock()) writer_.unlock();
}

bool DatabaseOutput::Open(LogVariant variant) {
  int error = 0;
  const std::string sha = FileSha256(log_path_, error);
  if (sha.empty()) {
    Fail(log_path_ + ": " + std::strerror(error));
    return false;
  }
  // One import at a time, each in a transaction of its own.
  writer_ = std::unique_lock<std::mutex>(database_->Writer());
  sqlite3* db = database_->Handle();
  statements_ = std::make_unique<Statements>();
  if (!database_->Execute("BEGIN IMMEDIATE")) {
    Fail(database_->FailureDetail());
    EndTransaction(false);
    return false;
  }
  in_transaction_ = true;
  if (!statements_->Prepare(db)) {
    Fail();
    EndTransaction(false);
    return false;
  }
  // An earlier import of the same bytes goes, in this transaction.
  sqlite3_stmt* find = *statements_->findEarlier;
  BindText(find, 1, sha);
  std::optional<std::int64_t> earlier;
  if (sqlite3_step(find) == SQLITE_ROW) earlier = sqlite3_column_int64(find, 0);
  sqlite3_reset(find);
  if (earlier) {
    replaced_ = true;
    const std::string id = std::to_string(*earlier);
    for (const char* table : {"full_spectrum", "single_spectrum", "survey", "single", "utilization",
                              "sightings", "records"}) {
      const std::string sql = std::string("DELETE FROM ") + table + " WHERE log_id = " + id;
      if (!database_->Execute(sql.c_str())) {
        Fail(database_->FailureDetail());
        EndTransaction(false);
        return false;
      }
    }
    const std::string sql = "DELETE FROM logs WHERE id = " + id;
    if (!database_->Execute(sql.c_str())) {
      Fail(database_->FailureDetail());
      EndTransaction(false);
      return false;
    }
  }
  // Into an empty database, the indexes are built once at the end, all rows known.
  Statement count;
  if (!count.Prepare(db, "SELECT count(*) FROM logs") || sqlite3_step(*count) != SQLITE_ROW) {
    Fail();
    EndTransaction(false);
    return false;
  }
  rebuild_indexes_ = sqlite3_column_int64(*count, 0) == 0;
  sqlite3_reset(*count);
  if (rebuild_indexes_ && !database_->Execute(database::kDropIndexes)) {
    Fail(database_->FailureDetail());
    EndTransaction(false);
    return false;
  }
  sqlite3_stmt* log = *statements_->log;
  BindText(log, 1, CleanText(log_name_));
  BindText(log, 2, CleanText(log_path_));
  BindText(log, 3, variant == LogVariant::B ? "802.11b" : "802.11g");
  BindText(log, 4, sha);
  BindText(log, 5, NowUtcIso());
  if (sqlite3_step(log) != SQLITE_DONE) {
    Fail();
    EndTransaction(false);
    return false;
  }
  log_id_ = sqlite3_last_insert_rowid(db);
  decoder_.emplace(variant, RecordGroups::All());
  decoder_->sightings = this;
  line_.CreateInMemory();
  return true;
}

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
  SplitLine(line_.Buffered(), fields_);
  const std::int64_t index = frames_ - 1;
  const RecordKind kind = decoder_->state.Kind;
  const bool b = decoder_->variant == LogVariant::B;
  const auto& f = fields_;
  const auto step = [&](sqlite3_stmt* s) {
    if (sqlite3_step(s) != SQLITE_DONE) Fail();
    sqlite3_reset(s);
  };
  const auto start = [&](const Statement& statement) {
    sqlite3_stmt* s = *statement;
    sqlite3_bind_int64(s, 1, log_id_);
    sqlite3_bind_int64(s, 2, index);
    return s;
  };

  sqlite3_stmt* r = start(statements_->record);
  BindText(r, 3, KindName(kind));
  BindClock(r, 4, frame.Rtc);
  for (std::size_t i = 0; i < kContextFields; ++i) {
    if (i == 2) {
      BindCleanText(r, static_cast<int>(5 + i), f[i], clean_);
    } else {
      BindText(r, static_cast<int>(5 + i), f[i]);
    }
  }
  const std::optional<GpsPosition> at = PositionOf(decoder_->gps);
  BindOptional(r, 12, at ? std::optional(at->latitude) : std::nullopt);
  BindOptional(r, 13, at ? std::optional(at->longitude) : std::nullopt);
  step(r);
  ++records_;

  const std::size_t k = kContextFields; // the group's first field
  switch (kind) {
  case RecordKind::FullSpectrum: {
    sqlite3_stmt* s = start(statements_->fullSpectrum);
    JsonArray(f, k, json_);
    BindText(s, 3, json_);
    step(s);
    break;
  }
  case RecordKind::SingleSpectrum: {
    sqlite3_stmt* s = start(statements_->singleSpectrum);
    sqlite3_bind_int64(s, 3, Integer(f[k]));
    JsonArray(f, k + 1, json_);
    BindText(s, 4, json_);
    step(s);
    break;
  }
  case RecordKind::Survey: {
    sqlite3_stmt* s = start(statements_->survey);
    sqlite3_bind_int64(s, 3, 0); // a survey's line is of one station
    sqlite3_bind_int64(s, 4, Integer(f[k]));
    BindText(s, 5, f[k + 1]);
    BindCleanText(s, 6, f[k + 2], clean_);
    sqlite3_bind_blob(s, 7, f[k + 2].data(), static_cast<int>(f[k + 2].size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 8, Integer(f[k + 3]));
    sqlite3_bind_int(s, 9, f[k + 4] == "Yes");
    sqlite3_bind_int(s, 10, f[k + 5] == "AP");
    step(s);
    break;
  }
  case RecordKind::Single: {
    sqlite3_stmt* s = start(statements_->single);
    BindText(s, 3, f[k]);
    sqlite3_bind_int64(s, 4, Integer(f[k + 1]));
    BindText(s, 5, f[k + 2]);
    BindOptional(s, 6, LeadingNumber(f[k + 2]));
    if (b) {
      JsonArray(f, k + 3, json_);
      BindText(s, 7, json_);
      sqlite3_bind_null(s, 8);
      sqlite3_bind_null(s, 9);
    } else {
      sqlite3_bind_null(s, 7);
      sqlite3_bind_int64(s, 8, Integer(f[k + 3]));
      sqlite3_bind_int(s, 9, f[k + 4] == "good");
    }
    step(s);
    break;
  }
  case RecordKind::Utilization: {
    // 802.11b: the record's channel, a value per rate; 802.11g: a value per channel.
    const std::size_t first = b ? k + 1 : k;
    for (std::size_t i = first; i < f.size() && !failed_; ++i) {
      sqlite3_stmt* s = start(statements_->utilization);
      const std::size_t n = i - first;
      sqlite3_bind_int64(s, 3, b ? Integer(f[k]) : static_cast<std::int64_t>(n + 1));
      if (b) {
        sqlite3_bind_double(s, 4, kBRates[n]->bytesPerSecond * 8 / 1e6);
      } else {
        sqlite3_bind_null(s, 4);
      }
      sqlite3_bind_double(s, 5, std::strtod(f[i].c_str(), nullptr));
      step(s);
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
  sqlite3_stmt* s = *statements_->sighting;
  char mac[kMacTextSize];
  sqlite3_bind_int64(s, 1, log_id_);
  sqlite3_bind_int64(s, 2, sightings_++);
  sqlite3_bind_int64(s, 3, frames_ - 1);
  BindText(s, 4, FormatMac(sighting.mac.data(), mac));
  BindCleanText(s, 5, sighting.ssid, clean_);
  sqlite3_bind_int(s, 6, sighting.channel);
  sqlite3_bind_int(s, 7, sighting.wep ? 1 : 0);
  sqlite3_bind_int(s, 8, sighting.level);
  BindClock(s, 9, sighting.rtc);
  BindOptional(s, 10,
               sighting.position ? std::optional(sighting.position->latitude) : std::nullopt);
  BindOptional(s, 11,
               sighting.position ? std::optional(sighting.position->longitude) : std::nullopt);
  if (sqlite3_step(s) != SQLITE_DONE) Fail();
  sqlite3_reset(s);
}

bool DatabaseOutput::Finish() {
  decoder_.reset();
  // A cancelled import leaves the database as it was: that is no failure of the output.
  if (end_.cancelled || failed_) {
    const bool ok = !failed_;
    EndTransaction(false);
    return ok;
  }
  sqlite3_stmt* s = *statements_->finish;
  sqlite3_bind_int64(s, 1, end_.bytesInFile);
  sqlite3_bind_int64(s, 2, frames_);
  sqlite3_bind_int64(s, 3, end_.damage.skippedBytes);
  sqlite3_bind_int64(s, 4, end_.damage.tailBytes);
  for (const auto& [column, rtc] : {std::pair{5, &first_rtc_}, std::pair{6, &last_rtc_}}) {
    if (*rtc) {
      BindText(s, column, (*rtc)->Iso('T'));
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

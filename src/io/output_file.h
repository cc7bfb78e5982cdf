#pragma once
// OutputFile: the delimited text file of one conversion. Fields are joined by the delimiter
// (a separator goes before a field exactly when a field precedes it on the line), every line
// ends with CR LF, and a field whose text holds the delimiter, a double quote, CR or LF is
// written between double quotes with its quotes doubled. Writes go through a large buffer into an
// OutputTarget, so an existing file is replaced only when the output is complete. A file may be
// written on the conversion's spare thread while the next buffer fills (WriteInBackground).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "io/background_writer.h"
#include "io/output_target.h"
#include "text/short_text.h"

namespace veltrix {

class OutputFile {
public:
  static constexpr std::size_t kBufferSize = 512 * 1024;

  explicit OutputFile(char delimiter);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file (see OutputTarget for how an existing one is replaced). False when it cannot
  // be created.
  bool Create(const std::string& path);
  // The same at a destination that may be an open descriptor (standard output).
  bool Create(const OutputDestination& destination);
  // From its second buffer on, the file is written on `thread` (the conversion's spare thread)
  // while the next buffer fills; null (the default) writes it in line.
  void WriteInBackground(SpareThread* thread) { spare_thread_ = thread; }
  // Keeps what is written in the buffer, to be taken line by line (Buffered, Clear) by a caller
  // that wants the fields as a file would have them. A line that outgrows the buffer fails.
  void CreateInMemory() { Started(true); }
  std::string_view Buffered() const { return {data_.get(), used_}; }
  void Clear() {
    used_ = 0;
    field_written_ = false;
  }
  // Writes out what is buffered and closes the file, putting it in place. False when any write,
  // the close or the replacement failed: a file being replaced is then left as it was.
  bool Close();
  // Closes the file without putting it in place: a file being replaced is left as it was.
  void Abandon();
  // The failure as messages show it, "PATH: reason"; empty when there is none.
  std::string FailureDetail() const { return target_.FailureDetail(); }
  // True once a write has failed; nothing more is written after that.
  bool Failed() const { return failed_; }
  char Delimiter() const { return delimiter_; }

  // A text field, quoted when it has to be.
  void Field(std::string_view text);
  // A field known to hold none of the delimiters, quotes or line ends (numbers, dates, MACs).
  void PlainField(std::string_view text) {
    Reserve(text.size() + 1);
    PutSeparator();
    PutRaw(text);
  }
  // A short text kept in place (a date, a time, a GPS text), copied whole.
  void Field(const ShortText& text);
  void PlainField(const ShortText& text) {
    Reserve(sizeof text.data + 1);
    PutSeparator();
    std::memcpy(data_.get() + used_, text.data.data(), sizeof text.data);
    used_ += text.size;
  }
  void IntegerField(std::int64_t value);
  void Fixed2Field(double value); // as printf "%.2f"
  // Raw bytes of any length, outside the field rule (XML, a fixed header line).
  void Text(std::string_view text);
  // The bytes of another open file, `size` of them from `offset`, after what is buffered.
  void TextFrom(int descriptor, std::int64_t offset, std::int64_t size);
  // Ends the line with CR LF; the next field starts a new line.
  void EndLine() {
    Reserve(2);
    data_[used_++] = '\r';
    data_[used_++] = '\n';
    field_written_ = false;
    if (used_ >= kFlushAt) Flush();
  }

  // For writers that format a run of fields themselves: the separator rule, and raw bytes.
  bool FieldWritten() const { return field_written_; }
  void MarkFieldWritten() { field_written_ = true; }
  // Room for at least `size` more bytes without a flush in between; returns where they go.
  char* Reserve(std::size_t size) {
    if (kBufferSize - used_ < size) Flush();
    return data_.get() + used_;
  }
  void Commit(std::size_t size) { used_ += size; }
  void PutRaw(std::string_view text) {
    if (text.empty()) return; // an empty view may have no data pointer at all
    std::memcpy(data_.get() + used_, text.data(), text.size());
    used_ += text.size();
  }
  void PutSeparator() {
    if (field_written_) data_[used_++] = delimiter_;
    field_written_ = true;
  }

private:
  static constexpr std::size_t kFlushAt = kBufferSize - 16 * 1024;
  void Flush();
  bool NeedsQuotes(std::string_view text) const;

  bool Started(bool opened);
  // Waits for the write in the background, if any; false when a write has failed.
  bool WaitForWriter();

  char delimiter_;
  OutputTarget target_;
  // From the second buffer on, each full buffer is written in the background while the other
  // fills (spare_ is the one being written).
  std::unique_ptr<BackgroundWriter> writer_;
  std::unique_ptr<char[]> spare_;
  SpareThread* spare_thread_ = nullptr;
  int flushes_ = 0;
  // Atomic: the conversion asks an output whether it failed while the output's thread aside (see
  // AsideWork) writes; the failure's detail is set before it. On a cache line of its own: asked
  // after every frame, it would otherwise share one with the buffer's fill level, which the thread
  // aside changes on every field, and each question would wait for that line to cross the cores.
  alignas(64) std::atomic<bool> failed_ = false;
  alignas(64) bool field_written_ = false;
  std::unique_ptr<char[]> data_; // while the file is open
  std::size_t used_ = 0;
};

} // namespace veltrix

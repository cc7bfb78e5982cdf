#pragma once
// A scratch file in the folder of an output, for what an output must keep until its end (the rows
// of a merged survey, say): it has no name from the moment it is made, so nothing is left behind
// however the program ends, and it lives on the output's file system, which the output's size
// must fit on anyway. It is written through an OutputFile on its descriptor and read back
// with a ScratchReader.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace veltrix {

class ScratchFile {
public:
  ScratchFile() = default;
  ~ScratchFile() { Close(); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Makes a new scratch file in the folder of `beside` (a file's path), or where that folder takes
  // no new files, in the temporary folder ($TMPDIR, else /tmp). False when neither can.
  bool Create(const std::string& beside);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // To write through (OutputDestination{Name(), Descriptor()}).
  int Descriptor() const { return fd_; }
  // How messages name it: "FOLDER (scratch file)".
  const std::string& Name() const { return name_; }
  // Its size in bytes; -1 when the system cannot tell.
  std::int64_t Size();
  // Up to `size` bytes from `offset`: the count read, 0 at the end, -1 when the read fails.
  std::int64_t ReadAt(std::int64_t offset, char* data, std::size_t size);
  // The failure as messages show it, "NAME: reason"; empty when there is none.
  std::string FailureDetail() const;

private:
  int fd_ = -1;
  int error_ = 0;
  std::string name_;
};

// Reads a scratch file from its start, through a buffer.
class ScratchReader {
public:
  explicit ScratchReader(ScratchFile& file);
  // At least `size` bytes from where the reader stands (fewer only at the end of the file),
  // without moving on.
  std::string_view Peek(std::size_t size);
  void Skip(std::size_t size);
  // The next line, its "\n" included; empty at the end. A line longer than the buffer comes in
  // parts.
  std::string_view Line();
  bool Failed() const { return failed_; }

private:
  static constexpr std::size_t kBufferSize = 256 * 1024;
  ScratchFile& file_;
  std::unique_ptr<char[]> data_;
  std::size_t begin_ = 0, end_ = 0;
  std::int64_t offset_ = 0; // of the byte after the buffer's
  bool eof_ = false, failed_ = false;
};

} // namespace veltrix

#pragma once
// A log opened for reading with exclusive access: nobody else who asks for the same lock (another
// conversion, an identification) gets the file while we hold it. A log may also come through a
// descriptor the process already holds (standard input), which is read from where it stands.

#include <cstddef>
#include <cstdint>
#include <string>

namespace veltrix {

class InputFile {
public:
  InputFile() = default;
  ~InputFile() { Close(); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens an existing file read-only and takes an exclusive, non-blocking lock on it.
  // False when either step fails; nothing stays open then, and Error() tells why.
  bool Open(const std::string& path);
  // The same on a copy of an open descriptor; `descriptor` itself stays open.
  bool OpenDescriptor(int descriptor);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // The errno of the last failed open (EISDIR for a folder, EWOULDBLOCK when locked).
  int Error() const { return error_; }

  // Reads up to `size` bytes; returns the count read, 0 at end of file or on an error.
  std::size_t Read(void* buffer, std::size_t size);
  // Reads what is there, at least one byte and up to `size` (a pipe delivers what its writer
  // has written so far); 0 at end of file or on an error.
  std::size_t ReadSome(void* buffer, std::size_t size);
  // True for a regular file, whose size is known before it is read; false for a pipe, a FIFO or
  // a device, which are read to their end.
  bool IsRegular() const { return regular_; }
  // Size of the open file in bytes, or -1 when it is not a regular file or the system cannot tell.
  std::int64_t Size() const;
  // Device and inode of the open file, to recognise the same file under another name.
  bool Identity(std::uint64_t& device, std::uint64_t& inode) const;

private:
  bool Adopt(int fd);

  int fd_ = -1;
  int error_ = 0;
  bool regular_ = false;
};

// The system's text for an open failure of InputFile ("Is a directory", ...).
std::string OpenErrorText(int error);

} // namespace veltrix

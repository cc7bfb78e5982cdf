#pragma once
// A log opened for reading with exclusive access: nobody else who asks for the same lock (another
// conversion, an identification) gets the file while we hold it.

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
  // False when either step fails; nothing stays open then.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Reads up to `size` bytes; returns the count read, 0 at end of file or on an error.
  std::size_t Read(void* buffer, std::size_t size);
  // Size of the open file in bytes, or -1 when the system cannot tell.
  std::int64_t Size() const;
  // Device and inode of the open file, to recognise the same file under another name.
  bool Identity(std::uint64_t& device, std::uint64_t& inode) const;

private:
  int fd_ = -1;
};

} // namespace veltrix

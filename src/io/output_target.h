#pragma once
// src/io/ holds the output files (this target and the buffered OutputFile). Where the bytes of one
// output file go. A regular file that we may replace (it does not exist yet, or it is ours and has
// no other links) is written as a new temporary file in the same folder and renamed onto its name
// when the output is finished, so that a failed write never destroys what was there before.
// Anything else (a symbolic link, a file with other links or another owner, a folder that takes no
// new files, a device, a FIFO, an open descriptor such as standard output) is written in place.

#include <cstddef>
#include <cstdint>
#include <string>

namespace veltrix {

// Where an output goes: a path, or a descriptor the process holds open (standard output), which
// the path then only names in messages.
struct OutputDestination {
  std::string path;
  int descriptor = -1;
};

class OutputTarget {
public:
  OutputTarget() = default;
  ~OutputTarget(); // abandons an output that was not finished
  OutputTarget(const OutputTarget&) = delete;
  OutputTarget& operator=(const OutputTarget&) = delete;

  // Opens `path` for writing as above. False when it cannot be created (Error() tells why).
  bool Open(const std::string& path);
  // Open or OpenDescriptor, as the destination says.
  bool Open(const OutputDestination& destination) {
    return destination.descriptor >= 0 ? OpenDescriptor(destination.descriptor, destination.path)
                                       : Open(destination.path);
  }
  // Writes to a copy of an open descriptor; `name` names it in messages.
  bool OpenDescriptor(int descriptor, std::string name);

  // Writes all `size` bytes; false (with Error()) when the system refuses any of them.
  bool Write(const char* data, std::size_t size);
  // Writes `size` bytes of the file open as `descriptor` from `offset` on, copied by the kernel
  // where it can; false (with Error()) when a read or a write fails, or the file is shorter.
  bool WriteFrom(int descriptor, std::int64_t offset, std::int64_t size);
  // Closes the file and, for a replacement, renames it onto the path. False when the close or
  // the rename fails; the temporary file is then removed and the path is left as it was.
  bool Finish();
  // Closes the file; a temporary file is removed and the path is left as it was.
  void Abandon();

  bool IsOpen() const { return fd_ >= 0; }
  // True when it writes to a device (/dev/null...), where a write costs next to nothing.
  bool IsDevice() const;
  // The errno of the last failure.
  int Error() const { return error_; }
  // The failure as messages show it, "PATH: reason"; empty when there is none.
  std::string FailureDetail() const;
  // The path (or name) given to Open.
  const std::string& Path() const { return path_; }
  // True while a temporary file stands in for the path.
  bool Replacing() const { return !temp_path_.empty(); }

private:
  bool OpenTemporary(int mode);
  void Close();

  int fd_ = -1;
  int error_ = 0;
  int pending_slot_ = -1;
  std::string path_;
  std::string temp_path_;
};

// Removes the temporary files of every output still being written in this process. Safe to call
// from a signal handler: for a process that a second Ctrl-C ends at once.
void RemovePendingOutputs();

} // namespace veltrix

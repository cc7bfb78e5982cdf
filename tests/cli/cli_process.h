#pragma once
// Runs the real veltrix-convert as a child process, and a fixture with logs written by the test
// that must come out of every test byte for byte as they went in.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "example_log.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"

extern char** environ;

namespace veltrix::clitest {

using testing::TempDir;

struct Result {
  int status = -1; // the exit status, or 128 + the signal that ended the process
  std::string out, err;
};

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf(); // whole buffers at a time, not byte by byte: outputs run to MiBs
  return text.str();
}

// A child's stdout and stderr go to stdout.txt and stderr.txt in `dir`.
inline void OutputsTo(const TempDir& dir, posix_spawn_file_actions_t& actions) {
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, dir.File("stdout.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, dir.File("stderr.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
}

// Starts the converter with stdout and stderr going to files in `dir`.
inline pid_t Start(const TempDir& dir, const std::vector<std::string>& args) {
  std::vector<std::string> all = {VELTRIX_CONVERT_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  OutputsTo(dir, actions);
  // The child must see SIGINT as a terminal would deliver it, even when this test runs in the
  // background, where it is ignored.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return failed ? -1 : pid;
}

inline Result Finish(const TempDir& dir, pid_t pid) {
  Result r;
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = Slurp(dir.File("stdout.txt"));
  r.err = Slurp(dir.File("stderr.txt"));
  return r;
}

inline Result RunCli(const TempDir& dir, const std::vector<std::string>& args) {
  return Finish(dir, Start(dir, args));
}

// Runs a shell command line in which $CLI stands for the converter (for pipes and redirections).
inline Result RunShell(const TempDir& dir, const std::string& script) {
  std::vector<std::string> all = {"/bin/sh", "-c", script, "sh"};
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = {std::string("CLI=") + VELTRIX_CONVERT_EXE, "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  OutputsTo(dir, actions);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return Finish(dir, failed ? -1 : pid);
}

// The names in a folder that look like our temporary files (".NAME.XXXXXX.tmp").
inline std::vector<std::string> TemporaryFiles(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name.front() == '.' && name.size() > 4 && name.substr(name.size() - 4) == ".tmp")
      names.push_back(name);
  }
  return names;
}

class ConvertCli : public ::testing::Test {
protected:
  std::string Log(const std::string& name, LogVariant generation, std::uint32_t seed = 1,
                  std::size_t minBytes = 4096) {
    return WriteLog(name, tools::MakeExampleLog(generation, minBytes, seed));
  }
  std::string WriteLog(const std::string& name, const testing::Bytes& bytes) {
    testing::WriteFile(dir.File(name), bytes);
    written_[dir.File(name)] = bytes;
    return dir.File(name);
  }

  // A conversion only ever reads its log: every log this test wrote still holds its bytes.
  void ExpectLogsUnchanged() const {
    for (const auto& [path, bytes] : written_) {
      std::ifstream in(path, std::ios::binary);
      testing::Bytes now(bytes.size() + 1); // one more, to notice a log that grew
      in.read(reinterpret_cast<char*>(now.data()), static_cast<std::streamsize>(now.size()));
      EXPECT_TRUE(in.gcount() == static_cast<std::streamsize>(bytes.size()) &&
                  std::equal(bytes.begin(), bytes.end(), now.begin()))
          << path << " was changed";
    }
  }
  void TearDown() override { ExpectLogsUnchanged(); }

  TempDir dir;
  TempDir logs; // stdout.txt and stderr.txt of the runs

private:
  std::map<std::string, testing::Bytes> written_;
};

} // namespace veltrix::clitest

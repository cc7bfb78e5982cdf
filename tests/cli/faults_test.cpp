// The real veltrix-convert where things go wrong: folders it may not write to, an output that is
// its input under another name, and a signal at any moment of a conversion.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli_process.h"

namespace veltrix {
namespace {

namespace fs = std::filesystem;
using namespace clitest;
using ConvertFaults = ConvertCli;

// The position of the first CR without its LF or LF without its CR, or npos.
std::size_t FirstBareLineEnd(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return i;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return i;
  }
  return std::string::npos;
}

// A log of 3 MiB: the frames of a 512 KiB example log six times over, which takes a fraction of
// the time of building one example log that size.
testing::Bytes BigLog(LogVariant generation) {
  constexpr std::size_t kFileHeader = 14;
  testing::Bytes log = tools::MakeExampleLog(generation, 512u << 10);
  const testing::Bytes frames(log.begin() + kFileHeader, log.end());
  for (int i = 1; i < 6; ++i) testing::Append(log, frames);
  return log;
}

TEST_F(ConvertFaults, AReadOnlyFolderCannotTakeTheOutput) {
  const std::string folder = dir.File("read-only");
  fs::create_directory(folder);
  const std::string inside = WriteLog("read-only/g.qx", tools::MakeExampleLog(LogVariant::G));
  const std::string g = Log("g.qx", LogVariant::G);
  const std::string kept = folder + "/kept.out";
  testing::WriteFile(kept, {'o', 'l', 'd'});
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  // Writable again at the end, or the temporary folder could not be removed.
  struct Writable {
    std::string path;
    ~Writable() {
      std::error_code ignored;
      fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  } writable{folder};

  const std::string probe = folder + "/probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd >= 0) {
    // This user (root, or with CAP_DAC_OVERRIDE) writes into read-only folders; /proc takes no
    // new files from anyone.
    ::close(fd);
    fs::remove(probe);
    const Result r = RunCli(logs, {"-o", "/proc/veltrix-test.out", "--records", g});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, g + ": Cannot Create Output File. (/proc/veltrix-test.out: No such file or "
                         "directory)\n");
    EXPECT_FALSE(fs::exists("/proc/veltrix-test.out"));
    return;
  }

  struct Case {
    std::string input;
    std::vector<std::string> output;
  };
  const Case cases[] = {
      {g, {"-o", folder + "/g.out"}},
      {inside, {}}, // the default output, next to a log on read-only media
  };
  const std::string denied =
      ": Cannot Create Output File. (" + folder + "/g.out: Permission denied)\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::vector<std::string> args = c.output;
    args.insert(args.end(), {"--records", c.input});
    const Result r = RunCli(logs, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.input + denied);
    EXPECT_EQ(r.out, "");
  }
  // A writable file in it is written in place, since no temporary file can go beside it.
  const Result r = RunCli(logs, {"--records", "-o", kept, g});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Slurp(kept).substr(0, 11), "RSSI (dBm),");
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"g.qx", "kept.out"}));
}

// A full disk: the earlier output stays as it was and no temporary file is left. A small tmpfs
// is the full disk; mounting one takes root.
TEST_F(ConvertFaults, AFullDiskLeavesTheEarlierOutput) {
  const std::string disk = dir.File("disk");
  fs::create_directory(disk);
  if (::geteuid() != 0 ||
      std::system(("mount -t tmpfs -o size=64k tmpfs '" + disk + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "needs root and a tmpfs mount for a full disk";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { (void)!std::system(("umount '" + path + "'").c_str()); }
  } unmount{disk};
  const std::string g = WriteLog("g.qx", tools::MakeExampleLog(LogVariant::G, 256u << 10));
  const std::string output = disk + "/g.out";
  testing::WriteFile(output, testing::Bytes(1000, 'e')); // the earlier output
  const Result r = RunCli(logs, {"--records", "--context", "-o", output, g});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, g + ": Cannot Write Output File. (" + output + ": No space left on device)\n");
  EXPECT_EQ(testing::ReadFile(output), testing::Bytes(1000, 'e'));
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(disk))
    names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"g.out"});
}

// True once every thread of `pid` has been asleep (state S) on a few looks in a row: the process
// waits for something, here more of its input.
bool Asleep(pid_t pid) {
  for (int look = 0; look < 5; ++look) {
    const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ec;
    for (const fs::directory_entry& task : fs::directory_iterator(tasks, ec)) {
      const std::string stat = Slurp((task.path() / "stat").string());
      const std::size_t name = stat.rfind(')');
      if (name == std::string::npos || stat.compare(name + 2, 1, "S") != 0) return false;
    }
    if (ec) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A second signal ends the process at once, here while it waits for more of a log from a FIFO
// (the first only asks it to end after the record it is reading); the temporary file of the
// output goes with it and the earlier output stays.
TEST_F(ConvertFaults, ASecondSignalStopsAtOnceAndLeavesNoTemporaryFile) {
  const testing::Bytes log = tools::MakeExampleLog(LogVariant::G);
  const std::string fifo = dir.File("log.fifo");
  const std::string output = dir.File("log.out");
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    testing::WriteFile(output, testing::Bytes(10, 'e'));
    const pid_t pid = Start(logs, {"--records", "-o", output, fifo});
    ASSERT_GT(pid, 0);
    const int writer = ::open(fifo.c_str(), O_WRONLY); // waits for the converter to open it
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, log.data(), 1000), 1000); // and no end of file yet
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((TemporaryFiles(dir).empty() || !Asleep(pid)) &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(TemporaryFiles(dir).size(), 1u);
    kill(pid, signal);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "still waiting for the log";
    kill(pid, signal);
    const Result r = Finish(logs, pid);
    ::close(writer);
    EXPECT_EQ(r.status, 128 + signal);
    EXPECT_EQ(TemporaryFiles(dir), std::vector<std::string>{});
    EXPECT_EQ(testing::ReadFile(output), testing::Bytes(10, 'e'));
    fs::remove(fifo);
  }
}

// A merge stopped by a signal while it reads leaves the merged files as they were: nothing is
// merged from part of a survey.
TEST_F(ConvertFaults, AnInterruptedMergeMergesNothing) {
  const std::string fifo = dir.File("log.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string g = Log("g.qx", LogVariant::G);
  testing::WriteFile(dir.File("s.kml"), testing::Bytes(10, 'e'));
  const pid_t pid =
      Start(logs, {"--merge", "--kml", "--wigle", "-j", "1", "-o", dir.File("s"), g, fifo});
  ASSERT_GT(pid, 0);
  const int writer = ::open(fifo.c_str(), O_WRONLY); // once the first log has been read
  ASSERT_GE(writer, 0);
  const testing::Bytes log = tools::MakeExampleLog(LogVariant::B);
  ASSERT_EQ(::write(writer, log.data(), 1000), 1000);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!Asleep(pid) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(pid, SIGTERM);
  // The signal asks for an end after the record being read: more of the log brings it, once the
  // handler has run (on whichever thread the signal went to).
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(::write(writer, log.data() + 1000, 1000), 1000);
  ::close(writer);
  const Result r = Finish(logs, pid);
  EXPECT_EQ(r.status, 130);
  EXPECT_EQ(r.err, fifo + ": Interrupted before the end of the log.\n" + dir.File("s") +
                       ": Not merged: the merged files are left as they were.\n");
  EXPECT_EQ(testing::ReadFile(dir.File("s.kml")), testing::Bytes(10, 'e'));
  EXPECT_FALSE(fs::exists(dir.File("s.wigle.csv")));
  EXPECT_EQ(TemporaryFiles(dir), std::vector<std::string>{});
}

TEST_F(ConvertFaults, TheInputUnderAnotherNameIsRefusedAsOutput) {
  const std::string g = Log("g.qx", LogVariant::G);
  const std::string symbolic = dir.File("symbolic.qx");
  const std::string hard = dir.File("hard.qx");
  const std::string folder = dir.File("folder");
  fs::create_symlink(g, symbolic);
  fs::create_hard_link(g, hard);
  fs::create_directory_symlink(dir.path(), folder);

  struct Case {
    std::string input, output;
  };
  const Case cases[] = {
      {g, symbolic},
      {g, hard},
      {symbolic, g}, // the log read through a link, the output by the log's own name
      {hard, g},
      {g, folder + "/g.qx"}, // through a link to the folder
      {g, dir.File("./g.qx")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input + " -o " + c.output);
    const Result r = RunCli(logs, {"--records", "-o", c.output, c.input});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.input + ": Output File Must Differ From Input File.\n");
    EXPECT_EQ(r.out, "");
    ExpectLogsUnchanged();
    EXPECT_EQ(fs::read_symlink(symbolic), g);
    EXPECT_TRUE(fs::equivalent(hard, g));
    EXPECT_EQ(fs::hard_link_count(g), 2u);
  }
}

// Whenever the signal comes (before the handlers exist, before the conversion starts, during it
// or after it), an output that exists is the header and whole CR LF lines.
TEST_F(ConvertFaults, ASignalAtAnyMomentLeavesOnlyWholeLines) {
  const std::string inputs[] = {WriteLog("g.qx", BigLog(LogVariant::G)),
                                WriteLog("b.qx", BigLog(LogVariant::B))};
  const std::pair<std::string, char> delimiters[] = {
      {"comma", ','}, {"tab", '\t'}, {"space", ' '}, {"semicolon", ';'}};
  // Delays spread over a log scale from 1 to 300 ms, one run in each of twelve equal steps of
  // it, so that on a fast machine as on a slow one some signals come before, some during and
  // some after the conversion. A fixed seed gives every run of the test the same delays.
  constexpr int kRuns = 12;
  std::mt19937 random(2024);
  for (int run = 0; run < kRuns; ++run) {
    const std::string& input = inputs[run % 2];
    const auto& [name, delimiter] = delimiters[run / 2 % 4];
    const int signal = run % 4 < 2 ? SIGINT : SIGTERM;
    const double step = (run + random() / 4294967296.0) / kRuns;
    const auto delay =
        std::chrono::microseconds(static_cast<std::int64_t>(1000 * std::pow(300.0, step)));
    char file[32];
    std::snprintf(file, sizeof file, "run%d.out", run);
    const std::string output = dir.File(file);
    SCOPED_TRACE(input + " -d " + name + ", signal " + std::to_string(signal) + " after " +
                 std::to_string(delay.count()) + " us");

    const pid_t pid = Start(logs, {"--records", "--context", "-d", name, "-o", output, input});
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(delay);
    kill(pid, signal);
    const Result r = Finish(logs, pid);

    EXPECT_EQ(r.out, "");
    EXPECT_EQ(TemporaryFiles(dir), std::vector<std::string>{});
    if (r.status == 0) {
      EXPECT_EQ(r.err, "");
      EXPECT_TRUE(fs::exists(output));
    } else if (r.err.empty()) {
      EXPECT_EQ(r.status, 128 + signal) << "ended by the signal before its handler was installed";
      EXPECT_FALSE(fs::exists(output));
    } else if (r.err == input + ": Not converted (interrupted).\n") {
      EXPECT_EQ(r.status, 130);
      EXPECT_FALSE(fs::exists(output));
    } else {
      EXPECT_EQ(r.status, 130);
      EXPECT_EQ(r.err, input + ": Interrupted; the output ends with the last whole line.\n");
      EXPECT_TRUE(fs::exists(output));
    }
    if (!fs::exists(output)) continue;

    const std::string text = Slurp(output);
    // The header first; with spaces between fields its "RTC Date" is quoted.
    const std::string first =
        delimiter == ' ' ? std::string("\"RTC Date\" ") : std::string("RTC Date") + delimiter;
    EXPECT_EQ(text.substr(0, first.size()), first);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(FirstBareLineEnd(text), std::string::npos);
    fs::remove(output);
  }
}

} // namespace
} // namespace veltrix

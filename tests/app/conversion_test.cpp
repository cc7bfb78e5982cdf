#include <gtest/gtest.h>

#include <filesystem>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>

#include "app/controls.h"
#include "convert/convert.h"
#include "example_log.h"
#include "reader/identify.h"
#include "window_test.h"

namespace veltrix::apptest {
namespace {

namespace fs = std::filesystem;
using O = ConversionOptions;
using Flag = bool ConversionOptions::*;

const Message kCompleted = Info(kMsgCompleted);

std::string Contents(const std::string& path) {
  const testing::Bytes bytes = testing::ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// Long enough that a conversion runs for a while when each record is held up a little.
testing::Bytes LongLog(LogVariant generation) {
  return tools::MakeExampleLog(generation, 256 * 1024);
}

const struct {
  Flag flag;
  QCheckBox* TMainForm::*box;
  const char* cliFlag; // for the header, the flag of the cleared box
} kOptions[] = {
    {&O::header, &TMainForm::cbHeader, "--no-header"},
    {&O::rtcDate, &TMainForm::cbRTCDate, "--rtc-date"},
    {&O::rtcTime, &TMainForm::cbRTCTime, "--rtc-time"},
    {&O::marker, &TMainForm::cbMarker, "--marker"},
    {&O::gpsDate, &TMainForm::cbGPSDate, "--gps-date"},
    {&O::gpsTime, &TMainForm::cbGPSTime, "--gps-time"},
    {&O::gpsLatitude, &TMainForm::cbGPSLat, "--gps-lat"},
    {&O::gpsLongitude, &TMainForm::cbGPSLon, "--gps-lon"},
    {&O::fullSpectrum, &TMainForm::cbFullSpectrum, "--full-spectrum"},
    {&O::singleSpectrum, &TMainForm::cbSingleSpectrum, "--single-spectrum"},
    {&O::survey, &TMainForm::cbMAC, "--survey"},
    {&O::accessPointsOnly, &TMainForm::cbAP, "--ap-only"},
    {&O::single, &TMainForm::cbSingle, "--single"},
    {&O::utilization, &TMainForm::cbUtil, "--util"},
};

ConversionOptions Ticked(std::initializer_list<Flag> flags, bool header, int delimiter) {
  ConversionOptions o;
  o.header = header;
  for (const Flag f : flags) o.*f = true;
  o.delimiter = static_cast<Delimiter>(delimiter);
  return o;
}

void SetControls(TMainForm& form, const ConversionOptions& options) {
  for (const auto& o : kOptions) (form.*o.box)->setChecked(options.*o.flag);
  form.rgDelimiter->setItemIndex(static_cast<int>(options.delimiter));
}

// What veltrix-convert writes for `input` with `options`.
std::string ConvertWithCli(const std::string& input, const std::string& output,
                           const ConversionOptions& options) {
#ifdef VELTRIX_CONVERT
  QStringList args;
  for (const auto& o : kOptions) {
    if (options.*o.flag != (o.flag == &O::header)) args << QString::fromLatin1(o.cliFlag);
  }
  const char* const delimiters[] = {"comma", "tab", "space", "semicolon"};
  args << "-d" << delimiters[static_cast<int>(options.delimiter)] << "-q"
       << "-o" << QString::fromStdString(output) << QString::fromStdString(input);
  EXPECT_EQ(QProcess::execute(QStringLiteral(VELTRIX_CONVERT), args), 0)
      << args.join(' ').toStdString();
  return Contents(output);
#else
  (void)input, (void)output, (void)options;
  return {};
#endif
}

#ifdef VELTRIX_CONVERT
#define SKIP_WITHOUT_CLI()
#else
#define SKIP_WITHOUT_CLI() GTEST_SKIP() << "veltrix-convert is not built"
#endif

TEST_F(WindowTest, ConvertWritesWhatTheCommandLineConverterWrites) {
  SKIP_WITHOUT_CLI();
  const std::initializer_list<Flag> groups = {&O::fullSpectrum, &O::singleSpectrum, &O::survey,
                                              &O::single, &O::utilization};
  ConversionOptions everything = Ticked(groups, false, 1);
  for (const auto& o : kOptions) everything.*o.flag = o.flag != &O::header;
  const std::pair<LogVariant, ConversionOptions> cases[] = {
      {LogVariant::G, Ticked(groups, true, 0)},
      {LogVariant::B, everything},
      {LogVariant::G,
       Ticked({&O::rtcDate, &O::gpsLatitude, &O::survey, &O::accessPointsOnly, &O::utilization},
              true, 3)},
      {LogVariant::B, Ticked({&O::marker, &O::gpsTime, &O::survey, &O::single}, true, 2)},
  };
  // One window for all: each CONVERT after an ended conversion takes the options anew.
  for (int n = 0; n < 4; ++n) {
    const auto& [generation, options] = cases[n];
    SCOPED_TRACE("case " + std::to_string(n));
    const std::string name = std::to_string(n);
    const std::string input = WriteLog(name + ".qx", tools::MakeExampleLog(generation, 32 * 1024));
    messages.clear();
    SetControls(form, options);
    ASSERT_EQ(form.Options(), options);

    StartConversion(input, File(name + ".out"));
    ASSERT_TRUE(WaitForConversionEnd());

    EXPECT_EQ(messages, std::vector{kCompleted});
    const std::string expected = ConvertWithCli(input, File(name + ".cli"), options);
    EXPECT_FALSE(expected.empty());
    EXPECT_TRUE(Contents(File(name + ".out")) == expected) << "the outputs differ";
    EXPECT_EQ(Text(form.lBytesRead), std::to_string(fs::file_size(input)));
    EXPECT_EQ(Text(form.lTotalBytes), std::to_string(fs::file_size(input)));
    EXPECT_FALSE(form.pbProgress->isVisibleTo(&form));
  }
}

// A failure's message: its first line, and "(PATH: reason)" under it.
Message Because(const char* first, const std::string& path, const char* reason,
                MessageKind kind = MessageKind::Information) {
  return {kind, std::string(first) + "\n(" + path + ": " + reason + ")"};
}
constexpr const char* kNoFile = "No such file or directory";

TEST_F(WindowTest, ConvertReportsWhatStopsIt) {
  const std::string log = WriteLog("in.qx", tools::MakeExampleLog(LogVariant::G));
  const std::string damaged = WriteLog("damaged.qx", [] {
    testing::Bytes garbled = tools::MakeExampleLog(LogVariant::G);
    garbled.insert(garbled.begin() + 14, 7, 0x00); // before the first frame
    return garbled;
  }());
  const std::string notLog = WriteLog("no.qx", {'Q', 'X', 'B', 0, 1, 2});
  fs::create_directory(File("folder"));
  const struct {
    std::string input, output;
    Message message;
  } cases[] = {
      // Found before anything starts.
      {notLog, File("a.out"), Info(kMsgNotValid)},
      {File("missing.qx"), File("a.out"), Because(kMsgCannotOpen, File("missing.qx"), kNoFile)},
      // Found by the conversion, with the system's reason and the full path on a second line.
      {log, log, {MessageKind::Error, kMsgSameFile}},
      {log, File("no/such/a.out"),
       Because(kMsgCannotCreate, File("no/such/a.out"), kNoFile, MessageKind::Error)},
      {log, File("folder"),
       Because(kMsgCannotCreate, File("folder"), "Is a directory", MessageKind::Error)},
      {log, "/dev/full",
       Because(kMsgCannotWrite, "/dev/full", "No space left on device", MessageKind::Error)},
      // Not a failure: damage in the log is a second line of the completion message.
      {damaged,
       File("d.out"),
       {MessageKind::Information, std::string(kMsgCompleted) + "\nDamaged log: 7 bytes skipped."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message.text + " " + c.output);
    messages.clear();
    StartConversion(c.input, c.output);
    ASSERT_TRUE(WaitForConversionEnd());
    EXPECT_EQ(messages, std::vector{c.message});
    // Unlocked again, whoever stopped it: the window before starting, or the conversion.
    for (QWidget* w : Inputs(form)) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  }
  EXPECT_FALSE(fs::exists(File("a.out")));
  EXPECT_EQ(testing::ReadFile(log), tools::MakeExampleLog(LogVariant::G));
}

// A log of unknown size (a pipe) shows a busy bar and its bytes, and no percentage.
TEST_F(WindowTest, ProgressOfALogOfUnknownSize) {
  ConversionDisplay& display = form;
  display.ShowStart(-1);
  display.ShowProgress(5000, -1);
  EXPECT_TRUE(form.pbProgress->isVisibleTo(&form));
  EXPECT_FALSE(form.pbProgress->isTextVisible());
  EXPECT_EQ(form.pbProgress->maximum(), 0);
  EXPECT_EQ(Text(form.lTotalBytes), "unknown");
  EXPECT_EQ(Text(form.lBytesRead), "5000");
  display.ShowFinish(7000);
  EXPECT_EQ(Text(form.lTotalBytes), "7000");
  display.ShowStart(100);
  EXPECT_TRUE(form.pbProgress->isTextVisible());
  EXPECT_EQ(form.pbProgress->maximum(), 100);
  EXPECT_EQ(Text(form.lTotalBytes), "100");
}

TEST_F(WindowTest, InputsAreLockedWhileAConversionRuns) {
  HoldConversions();
  const std::string input = WriteLog("in.qx", LongLog(LogVariant::B));
  StartConversion(input, File("out.out"));
  ASSERT_TRUE(WaitForFirstRecord());
  ASSERT_TRUE(form.ConversionRunning());
  for (QWidget* w : Inputs(form)) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_TRUE(form.btnCancel->isEnabled());
  // Locked captions grey out like the rest: the blue, the green and CONVERT's green are gone.
  for (QWidget* w : std::initializer_list<QWidget*>{form.GroupBox1, form.cbMAC, form.Label7,
                                                    form.rgDelimiter, form.btnConvert}) {
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    const QPalette::ColorRole role =
        w == form.btnConvert ? QPalette::ButtonText : QPalette::WindowText;
    EXPECT_EQ(w->palette().color(QPalette::Disabled, role),
              QApplication::palette().color(QPalette::Disabled, role))
        << w->objectName().toStdString();
  }

  // A dropped file and a second CONVERT, pressed in code past the disabled button, change
  // nothing.
  const std::string other = WriteLog("other.qx", tools::MakeExampleLog(LogVariant::G));
  Drop(form, {QUrl::fromLocalFile(QString::fromStdString(other))});
  EXPECT_EQ(form.edInputFile->text().toStdString(), input);
  EXPECT_EQ(form.edOutputFile->text().toStdString(), File("out.out"));
  form.edOutputFile->setText(QString::fromStdString(File("second.out")));
  form.btnConvertClick();

  ReleaseConversions();
  ASSERT_TRUE(WaitForConversionEnd());
  for (QWidget* w : Inputs(form)) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(fs::exists(File("second.out")));
  EXPECT_EQ(messages, std::vector{kCompleted});
  const std::string total = std::to_string(fs::file_size(input));
  EXPECT_EQ(Text(form.lBytesRead), total);
  EXPECT_EQ(Text(form.lTotalBytes), total);
}

// The worker publishes its counts after every record; the window shows them at display rate,
// never beyond the total nor backwards, and the final ones before the finished display.
TEST_F(WindowTest, ProgressIsShownAtDisplayRate) {
  form.SetRecordHook([](const std::atomic<bool>&) {
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  });
  const std::string input = WriteLog("in.qx", LongLog(LogVariant::G));
  const std::int64_t total = static_cast<std::int64_t>(fs::file_size(input));
  std::vector<std::int64_t> shown;
  StartConversion(input, File("out.out"));
  ASSERT_TRUE(WaitUntil([&] {
    const std::int64_t now = std::stoll(Text(form.lBytesRead));
    if (shown.empty() || shown.back() != now) shown.push_back(now);
    return !form.ConversionRunning();
  }));
  EXPECT_GT(shown.size(), 3u) << "a climbing count";
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
  EXPECT_LE(shown.back(), total);
  EXPECT_EQ(Text(form.lBytesRead), std::to_string(total));
  EXPECT_FALSE(form.pbProgress->isVisibleTo(&form));
}

// The output so far must be the start of the whole output, ending with a whole line.
void ExpectWholeLinesOf(const std::string& partial, const std::string& whole) {
  ASSERT_GE(partial.size(), 2u);
  EXPECT_EQ(partial.substr(partial.size() - 2), "\r\n");
  EXPECT_LT(partial.size(), whole.size());
  EXPECT_TRUE(whole.compare(0, partial.size(), partial) == 0) << "not a prefix of the output";
}

TEST_F(WindowTest, CancelStopsAConversionAfterWholeLines) {
  SKIP_WITHOUT_CLI();
  const std::string input = WriteLog("in.qx", LongLog(LogVariant::G));
  const std::string total = std::to_string(fs::file_size(input));
  const ConversionOptions options = Ticked({&O::rtcTime, &O::fullSpectrum, &O::single}, true, 0);
  SetControls(form, options);
  HoldConversions();
  StartConversion(input, File("out.out"));
  ASSERT_TRUE(WaitForFirstRecord());
  EXPECT_TRUE(form.pbProgress->isVisibleTo(&form));

  QElapsedTimer timer;
  timer.start();
  form.btnCancel->click();
  EXPECT_GE(timer.elapsed(), kCancelWaitMs);

  // The last display update and the message came before CANCEL returned.
  EXPECT_EQ(messages, std::vector{kCompleted});
  EXPECT_EQ(Text(form.lBytesRead), total);
  EXPECT_EQ(Text(form.lTotalBytes), total);
  EXPECT_FALSE(form.pbProgress->isVisibleTo(&form));
  EXPECT_FALSE(form.Converting());
  for (QWidget* w : Inputs(form)) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  ExpectWholeLinesOf(Contents(File("out.out")), ConvertWithCli(input, File("whole"), options));

  // CANCEL with nothing converting returns at once.
  timer.restart();
  form.btnCancel->click();
  EXPECT_LT(timer.elapsed(), kCancelWaitMs);
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(WindowTest, CancelWaitsEvenAfterTheConversionHasEnded) {
  StartConversion(WriteLog("in.qx", tools::MakeExampleLog(LogVariant::B)), File("out.out"));
  ASSERT_TRUE(WaitForConversionEnd());
  ASSERT_TRUE(form.Converting()); // until CANCEL
  QElapsedTimer timer;
  timer.start();
  form.btnCancel->click();
  EXPECT_GE(timer.elapsed(), kCancelWaitMs);
  EXPECT_FALSE(form.Converting());
  EXPECT_EQ(messages, std::vector{kCompleted}); // told once, at the end
}

TEST_F(WindowTest, ClosingDuringAConversionEndsItQuietly) {
  SKIP_WITHOUT_CLI();
  const std::string input = WriteLog("in.qx", LongLog(LogVariant::B));
  const ConversionOptions options = Ticked({&O::marker, &O::single, &O::utilization}, true, 0);
  const std::string whole = ConvertWithCli(input, File("whole"), options);
  SetControls(form, options);
  HoldConversions();
  // The close box, then File > Exit.
  for (QAction* close : {static_cast<QAction*>(nullptr), form.Exit1}) {
    SCOPED_TRACE(close ? "File > Exit" : "close box");
    form.show();
    form.lBytesRead->setText(QStringLiteral("0"));
    StartConversion(input, File("out.out"));
    ASSERT_TRUE(WaitForFirstRecord());

    close ? close->trigger() : (void)form.close();

    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.ConversionRunning());
    EXPECT_TRUE(messages.empty());                            // no completion message
    EXPECT_EQ(IdentifyLog(input).result, IdentifyResult::Ok); // the worker has let go of the log
    ExpectWholeLinesOf(Contents(File("out.out")), whole);
  }
}

} // namespace
} // namespace veltrix::apptest

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <QDir>

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "app/application.h"
#include "reader/identify.h"
#include "window_test.h"

namespace veltrix::apptest {
namespace {

testing::Bytes Signature(const char* four) {
  testing::Bytes bytes(64, 0x55); // whatever follows the signature never matters
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(four[i]);
  return bytes;
}

std::string Input(const TMainForm& form) {
  return form.edInputFile->text().toStdString();
}
std::string Output(const TMainForm& form) {
  return form.edOutputFile->text().toStdString();
}

TEST_F(WindowTest, BrowseForTheInput) {
  struct Case {
    const char* file;                      // nullptr: the dialog is cancelled
    std::optional<testing::Bytes> content; // nothing: the file doesn't exist
    const char* message;                   // nullptr: none
    const char* output;                    // the derived output name; nullptr: the fields stay
    const char* reason = nullptr;          // the system's, on a second line with the path
  };
  const Case cases[] = {
      {nullptr, std::nullopt, nullptr, nullptr},
      {"g.qx", Signature("QXBG"), kMsgLoaded, "g.out"},
      {"a.qx", Signature("QXA "), kMsgLoaded, "a.out"},
      {"b.qx", Signature("QXB "), kMsgLoaded, "b.out"},
      {"log.qxyz", Signature("QXB "), kMsgLoaded, "log.q.out"}, // the cut counts characters
      {"ab", Signature("QXB "), kMsgLoaded, ".out"},            // and stops at the folder
      {"lc.qx", Signature("qxb "), kMsgNotValid, nullptr},
      {"empty.qx", testing::Bytes{}, kMsgNotValid, nullptr},
      {"missing.qx", std::nullopt, kMsgCannotOpen, nullptr, "No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file ? c.file : "cancelled");
    messages.clear();
    form.edInputFile->setText(QStringLiteral("earlier.qx"));
    form.edOutputFile->setText(QStringLiteral("chosen-earlier.out"));
    const std::string path = c.file ? File(c.file) : std::string();
    if (c.content) testing::WriteFile(path, *c.content);
    nextInput = c.file ? std::optional(QString::fromStdString(path)) : std::nullopt;

    form.btnInputBrowse->click();

    std::vector<Message> expected;
    if (c.message) expected.push_back(Info(c.message));
    if (c.reason) expected.back().text += "\n(" + path + ": " + c.reason + ")";
    EXPECT_EQ(messages, expected);
    EXPECT_EQ(Input(form), c.output ? path : "earlier.qx");
    EXPECT_EQ(Output(form), c.output ? File(c.output) : "chosen-earlier.out");
    if (c.file) {
      EXPECT_EQ(std::filesystem::exists(path), c.content.has_value()); // never created
    }
  }
  // The dialog starts in the folder of the file picked before, found or not.
  std::filesystem::create_directory(File("sub"));
  nextInput = QString::fromStdString(File("sub/x.qx"));
  form.btnInputBrowse->click();
  form.btnInputBrowse->click();
  EXPECT_EQ(inputFolders.back(), File("sub"));
}

TEST_F(WindowTest, OutputBrowseTakesTheNameAsItIs) {
  form.edOutputFile->setText(QStringLiteral("first.out"));
  nextOutput.reset();
  form.btnOutputBrowse->click();
  EXPECT_EQ(Output(form), "first.out");
  nextOutput = QStringLiteral("/no/such/folder/x.txt");
  form.btnOutputBrowse->click();
  EXPECT_EQ(Output(form), "/no/such/folder/x.txt");
  EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, DroppingOneFilePicksItAsBrowseDoes) {
  const QUrl log = QUrl::fromLocalFile(QString::fromStdString(WriteLog("d.qx", Signature("QXBG"))));
  const QUrl junk =
      QUrl::fromLocalFile(QString::fromStdString(WriteLog("j.qx", Signature("JUNK"))));

  Drop(form, {junk});
  EXPECT_EQ(Input(form), "");
  Drop(form, {log});
  EXPECT_EQ(Input(form), File("d.qx"));
  EXPECT_EQ(Output(form), File("d.out"));
  // Two files at once, or something that isn't a local file, are not taken.
  Drop(form, {junk, log});
  Drop(form, {QUrl(QStringLiteral("https://example.org/x.qx"))});
  EXPECT_EQ(messages, (std::vector{Info(kMsgNotValid), Info(kMsgLoaded)}));
}

// `veltrix [LOG]`: the log named on the command line is picked as Browse picks it.
TEST_F(WindowTest, ALogOnTheCommandLineIsPickedAsBrowsePicksIt) {
  struct Case {
    QStringList arguments; // after the program's name, Qt's own taken out
    std::optional<int> exit;
    const char* says; // on stdout or stderr
  };
  const Case cases[] = {
      {{}, std::nullopt, ""},
      {{"--help"}, 0, "Usage: veltrix [LOG]"},
      {{"x.qx", "--version"}, 0, "veltrix " VELTRIX_VERSION "\n"},
      {{"-x"}, 2, "unknown option '-x'"},
      {{"a.qx", "b.qx"}, 2, "one LOG at most"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    std::ostringstream out, err;
    QString log = QStringLiteral("stale");
    EXPECT_EQ(ParseWindowArguments(c.arguments, log, out, err), c.exit);
    EXPECT_NE((out.str() + err.str()).find(c.says), std::string::npos) << out.str() << err.str();
    EXPECT_TRUE(log.isEmpty());
  }

  // `veltrix examples/tarvik-g.qx` in the project's folder: a relative name, as a shell gives it,
  // picked by its full path once the window runs.
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QStringLiteral(VELTRIX_SOURCE_DIR)));
  QString log;
  std::ostringstream out;
  EXPECT_EQ(ParseWindowArguments({QStringLiteral("--"), QStringLiteral("examples/tarvik-g.qx")},
                                 log, out, out),
            std::nullopt);
  PickLogOnStart(form, log);
  QDir::setCurrent(previous);
  EXPECT_EQ(Input(form), ""); // not before the message loop runs
  QCoreApplication::processEvents();
  EXPECT_EQ(Input(form), VELTRIX_SOURCE_DIR "/examples/tarvik-g.qx");
  EXPECT_EQ(Output(form), VELTRIX_SOURCE_DIR "/examples/tarvik-g.out");
  EXPECT_EQ(messages, std::vector{Info(kMsgLoaded)});
}

} // namespace
} // namespace veltrix::apptest

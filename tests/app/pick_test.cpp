#include <gtest/gtest.h>

#include <filesystem>

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

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
      {"missing.qx", std::nullopt, kMsgCannotOpen, nullptr},
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

    EXPECT_EQ(messages, c.message ? std::vector{Info(c.message)} : std::vector<Message>{});
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

} // namespace
} // namespace veltrix::apptest

#include <gtest/gtest.h>

#include <QMessageBox>

#include "window_test.h"

namespace veltrix::apptest {
namespace {

TEST_F(WindowTest, NotifyUserFormatsIntoItsBuffer) {
  EXPECT_EQ(NotifyUser(MessageKind::Warning, "%d of %s", 7, "the logs"), 1);
  NotifyUser(MessageKind::Error, "%s", std::string(300, 'x').c_str());
  EXPECT_EQ(messages, (std::vector<Message>{{MessageKind::Warning, "7 of the logs"},
                                            {MessageKind::Error, std::string(127, 'x')}}));
}

// Each line within 127 characters: the longest path loses its middle, keeping the rest whole.
TEST(NotifyUser, LongLinesLoseTheMiddleOfTheirLongestPath) {
  const std::string folder = "/home/ann/" + std::string(150, 'd');
  const std::string fitted = "/home/ann/" + std::string(38, 'd') + "..." + std::string(40, 'd') +
                             "/site.out"; // 100 characters
  const struct {
    std::string line, expected;
  } cases[] = {
      {"(/home/ann/site.out: No space left on device)",
       "(/home/ann/site.out: No space left on device)"},
      {"(" + folder + "/site.out: No space left on device)",
       "(" + fitted + ": No space left on device)"},
      {folder + "/site.out: warning: 12 bytes skipped", // 196 characters
       fitted + ": warning: 12 bytes skipped"},
      // No path to shorten: the line itself.
      {std::string(100, 'a') + std::string(100, 'b'),
       std::string(62, 'a') + "..." + std::string(62, 'b')},
  };
  for (const auto& c : cases) {
    const std::string got = FitLine(QString::fromStdString(c.line)).toStdString();
    EXPECT_EQ(got, c.expected);
    EXPECT_LE(got.size(), 127u);
  }
}

TEST(NotifyUser, BoxHasTheTitleAndIconOfItsKindAndOneOkButton) {
  const std::tuple<MessageKind, const char*, QMessageBox::Icon> cases[] = {
      {MessageKind::Information, "Information", QMessageBox::Information},
      {MessageKind::Warning, "Warning", QMessageBox::Warning},
      {MessageKind::Error, "Error", QMessageBox::Critical},
  };
  for (const auto& [kind, title, icon] : cases) {
    const auto box = MakeMessageBox(kind, QStringLiteral("Cannot Open File."));
    EXPECT_EQ(box->windowTitle().toStdString(), title);
    EXPECT_EQ(box->icon(), icon);
    EXPECT_EQ(box->text().toStdString(), "Cannot Open File.");
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
  }
}

} // namespace
} // namespace veltrix::apptest

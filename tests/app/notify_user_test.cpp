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

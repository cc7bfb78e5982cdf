// The Access Points window: the access-point table of a log, gathered like a conversion, the same
// as the command line's; sorted, filtered, copied and saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressBar>
#include <QTableView>

#include "analysis/access_points.h"
#include "app/access_points_form.h"
#include "decode/payload_types.h"
#include "example_log.h"
#include "support/conversion_run.h"
#include "window_test.h"

namespace veltrix::apptest {
namespace {

using testing::GpsBody;
using testing::GSurveyBody;
using testing::Mac;

class AccessPointsTest : public WindowTest {
protected:
  bool DrawLog(const std::string& log) {
    aps->Draw(log, QStringLiteral("in.qx"));
    return WaitUntil([this] { return !aps->Drawing(); });
  }
  static int ColumnOf(std::string_view title) {
    const auto& all = kAccessPointColumns;
    return static_cast<int>(std::find(all.begin(), all.end(), title) - all.begin());
  }
  // The header and the rows shown, as a table file with `delimiter` and no quoting has them.
  std::string Shown(char delimiter) const {
    std::string text;
    for (int r = -1; r < Model()->rowCount(); ++r) {
      for (int c = 0; c < Model()->columnCount(); ++c) {
        if (c > 0) text += delimiter;
        text += (r < 0 ? Model()->headerData(c, Qt::Horizontal) : Model()->index(r, c).data())
                    .toString()
                    .toStdString();
      }
      text += "\r\n";
    }
    return text;
  }
  // The last digit of the MAC of each row shown, in order.
  std::string Order() const {
    std::string order;
    for (int r = 0; r < Model()->rowCount(); ++r)
      order += Model()->index(r, 0).data().toString().toStdString().back();
    return order;
  }
  void ClickHeader(const char* title) {
    QHeaderView* header = aps->tvAccessPoints->horizontalHeader();
    const int section = ColumnOf(title);
    const QPointF at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                     header->height() / 2);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent event(type, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                        Qt::NoModifier);
      QCoreApplication::sendEvent(header->viewport(), &event);
    }
  }
  const QAbstractItemModel* Model() const { return aps->tvAccessPoints->model(); }

  // Five access points ...-01 to ...-05: two heard before the first GPS fix (one without an
  // SSID), three at 50, 9 and 10 degrees north.
  std::string SmallLog() {
    const auto mac = [](std::uint8_t last) { return Mac{0x00, 0x0A, 0x1B, 0x2C, 0x3D, last}; };
    const auto survey = [&](std::uint8_t last, std::int16_t rssi, const char* ssid) {
      return GSurveyBody({{mac(last), rssi}}, {{0, ssid, 6, false}});
    };
    const auto fix = [](std::int32_t degrees) {
      testing::GpsFix f;
      f.latitude = degrees * 3600000;
      return GpsBody(f);
    };
    using namespace g_payload;
    return WriteLog("small.qx",
                    testing::LogBuilder("QXBG")
                        .Frame(kChannel, {6}) // the instrument on the access points' channel
                        .Frame(kSurvey, survey(1, -70, "Office"))
                        .Frame(kSurvey, survey(2, -9, ""))
                        .Frame(kGps, fix(50))
                        .Frame(kSurvey, survey(3, -80, "Lab"))
                        .Frame(kGps, fix(9))
                        .Frame(kSurvey, survey(4, -55, "lobby"))
                        .Frame(kGps, fix(10))
                        .Frame(kSurvey, survey(5, -62, "Cafe"))
                        .bytes());
  }

  TAccessPointsForm* aps = new TAccessPointsForm(&form);
};

TEST_F(AccessPointsTest, ShowAndSaveTheCommandLinesTable) {
  const std::string log = WriteLog("in.qx", tools::MakeExampleLog(LogVariant::G, 64 * 1024));
  ASSERT_TRUE(DrawLog(log));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(aps->windowTitle().toStdString(), "Access Points \u2014 in.qx");
  EXPECT_TRUE(aps->btnSaveTable->isEnabled());
  EXPECT_FALSE(aps->btnCancelDrawing->isEnabled());
#ifdef VELTRIX_CONVERT
  const auto cli = [&](const char* delimiter, const std::string& name) {
    EXPECT_EQ(QProcess::execute(QStringLiteral(VELTRIX_CONVERT),
                                {QStringLiteral("--ap-summary"), QStringLiteral("--delimiter"),
                                 QLatin1String(delimiter), QStringLiteral("-o"),
                                 QString::fromStdString(File(name + ".out")),
                                 QString::fromStdString(log)}),
              0);
    return testing::AsText(testing::ReadFile(File(name + ".aps.csv")));
  };
  EXPECT_EQ(Shown('\t'), cli("tab", "tab"));

  // Every row is saved, whatever is shown, with the delimiter of the moment.
  aps->edFilter->setText(QStringLiteral("Lab"));
  aps->tvAccessPoints->sortByColumn(ColumnOf("Max RSSI (dBm)"), Qt::AscendingOrder);
  aps->delimiter = [] { return ';'; };
  QString proposed;
  aps->askTableFile = [&](const QString& name) -> std::optional<QString> {
    proposed = name;
    return QString::fromStdString(File("saved.csv"));
  };
  aps->btnSaveTable->click();
  EXPECT_EQ(proposed.toStdString(), File("in.aps.csv"));
  EXPECT_EQ(testing::AsText(testing::ReadFile(File("saved.csv"))), cli("semicolon", "semicolon"));
#endif
  aps->askTableFile = [](const QString&) { return QStringLiteral("/dev/full"); };
  aps->btnSaveTable->click();
  EXPECT_EQ(messages, (std::vector<Message>{{MessageKind::Error, "Cannot Write Output File.\n"
                                                                 "(/dev/full: No space left on "
                                                                 "device)"}}));

  // A drawing that fails leaves no table.
  messages.clear();
  ASSERT_TRUE(DrawLog(File("missing.qx")));
  EXPECT_EQ(messages, (std::vector<Message>{
                          {MessageKind::Information, "Cannot Open File.\n(" + File("missing.qx") +
                                                         ": No such file or directory)"}}));
  EXPECT_EQ(Model()->rowCount(), 0);
  EXPECT_FALSE(aps->btnSaveTable->isEnabled());
  EXPECT_EQ(Text(aps->lCount), "");
}

TEST_F(AccessPointsTest, SortAndFilter) {
  aps->resize(2000, 500); // every header in sight, for the clicks
  aps->show();
  ASSERT_TRUE(DrawLog(SmallLog()));
  EXPECT_EQ(Order(), "12345"); // the table's own order until a header is clicked
  const struct {
    const char* header; // clicked
    const char* order;
  } clicks[] = {
      {"Max RSSI (dBm)", "31542"}, // -80 -70 -62 -55 -9
      {"Max RSSI (dBm)", "24513"},
      {"Latitude", "45321"}, // 9 10 50, then the two without one, as they were
      {"Latitude", "35421"},
      {"SSID", "53412"}, // Cafe Lab lobby Office, then the empty one
      {"SSID", "14352"},
  };
  for (const auto& c : clicks) {
    ClickHeader(c.header);
    EXPECT_EQ(Order(), c.order) << c.header;
  }

  const struct {
    const char* filter;
    const char* order;
    const char* count;
  } filters[] = {
      {"", "14352", "5 access points, 3 with a position"},
      {"O", "14", "2 access points, 1 with a position"}, // in SSIDs only
      {"1b-2c-3d-02", "2", "1 access point, 0 with a position"},
      {"zzz", "", "0 access points, 0 with a position"},
  };
  for (const auto& f : filters) {
    aps->edFilter->setText(QString::fromLatin1(f.filter));
    EXPECT_EQ(Order(), f.order) << f.filter;
    EXPECT_EQ(Text(aps->lCount), f.count) << f.filter;
  }
}

TEST_F(AccessPointsTest, CopyPutsTheSelectedRowsShownOnTheClipboard) {
  ASSERT_TRUE(DrawLog(SmallLog()));
  EXPECT_FALSE(aps->btnCopy->isEnabled());
  aps->tvAccessPoints->sortByColumn(ColumnOf("Max RSSI (dBm)"), Qt::DescendingOrder); // 24513
  for (const int row : {3, 1})
    aps->tvAccessPoints->selectionModel()->select(
        Model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ASSERT_TRUE(aps->btnCopy->isEnabled());
  const std::string expected =
      "00-0A-1B-2C-3D-04\tlobby\t6\tNo\t1\t2007-07-12T13:05:09\t2007-07-12T13:05:09\t-55\t-55\t"
      "9.00000\t-122.50000\t-55\n"
      "00-0A-1B-2C-3D-01\tOffice\t6\tNo\t1\t2007-07-12T13:05:09\t2007-07-12T13:05:09\t-70\t-70\t"
      "\t\t\n";
  aps->btnCopy->click();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), expected);
  // Ctrl+C in the table copies the same rows, not one cell.
  QGuiApplication::clipboard()->clear();
  QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("c"));
  QCoreApplication::sendEvent(aps->tvAccessPoints, &copy);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), expected);
}

} // namespace
} // namespace veltrix::apptest

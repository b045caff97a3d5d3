#include "dialogs/DialogTestSupport.h"
#include "dialogs/TrackingLineDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPushButton>
#include <QtTest>

namespace corvane {
namespace {

TEST(TrackingLineRange, DurationsReadAsSeconds)
{
    const std::pair<const char*, qint64> cases[] = {
        {"1 Hours", 3600}, {"3 Hours", 10800}, {"7 Hours", 25200},
        {"1 Days", 86400}, {"3 Days", 259200}, {"7 Days", 604800},
    };
    TrackingLineDlg dialog;
    auto* combo = dialog.findChild<QComboBox*>("durationCombo");
    EXPECT_EQ(dialog.durationSeconds(), 0);
    for (const auto& [text, seconds] : cases) {
        combo->setCurrentIndex(combo->findText(text));
        EXPECT_EQ(dialog.durationSeconds(), seconds) << text;
    }
    EXPECT_FALSE(dialog.rangeChosen());
}

TEST(TrackingLineRange, RangeNeedsNoDurationAndRefusesFromAfterTo)
{
    TrackingLineDlg dialog;
    dialog.show();
    auto* check = dialog.findChild<QCheckBox*>("rangeCheck");
    auto* from = dialog.findChild<QDateTimeEdit*>("fromTime");
    auto* to = dialog.findChild<QDateTimeEdit*>("toTime");
    auto* show = dialog.findChild<QPushButton*>("show");
    EXPECT_FALSE(from->isEnabled());
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
    ASSERT_TRUE(check->isChecked());
    EXPECT_TRUE(from->isEnabled());
    EXPECT_TRUE(to->isEnabled());

    test::ModalWatcher watcher;
    const QDateTime eight(QDate(2011, 12, 31), QTime(8, 0, 0));
    from->setDateTime(eight.addSecs(1));
    to->setDateTime(eight);
    QTest::mouseClick(show, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(watcher.texts(), QStringList{"From must not be later than To"});

    // One instant is a range: both ends are included.
    from->setDateTime(eight);
    QTest::mouseClick(show, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.rangeChosen());
    EXPECT_EQ(dialog.from(), eight);
    EXPECT_EQ(dialog.to(), eight);
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()

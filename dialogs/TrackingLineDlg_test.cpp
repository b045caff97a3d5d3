#include "dialogs/DialogTestSupport.h"
#include "dialogs/TrackingLineDlg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace corvane {
namespace {

TEST(TrackingLineDlg, ListsDurationsSortedWithNoneChosen)
{
    TrackingLineDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Tracking Line");
    auto* combo = dialog.findChild<QComboBox*>("durationCombo");
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    EXPECT_EQ(entries,
              QStringList({"1 Days", "1 Hours", "3 Days", "3 Hours", "7 Days", "7 Hours"}));
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->currentText(), "");
}

TEST(TrackingLineDlg, ShowNeedsAChosenEntry)
{
    TrackingLineDlg dialog;
    dialog.show();
    auto* combo = dialog.findChild<QComboBox*>("durationCombo");
    auto* show = dialog.findChild<QPushButton*>("show");
    test::ModalWatcher watcher;

    QTest::mouseClick(show, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());

    // Typing over a chosen entry takes the choice back.
    combo->setCurrentIndex(combo->findText("7 Days"));
    combo->lineEdit()->setText("7 Weeks");
    QTest::mouseClick(show, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(watcher.messages().size(), 2u);
    for (const test::ShownMessage& message : watcher.messages()) {
        EXPECT_EQ(message.text, "Choose a duration");
        EXPECT_EQ(message.caption, "ORVEX Corvane");
    }

    combo->setCurrentIndex(combo->findText("3 Hours"));
    QTest::mouseClick(show, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(watcher.messages().size(), 2u);
}

// Typed text is no choice, however exactly it matches an entry and however the
// box completes it; a pick from the list or by the arrow keys is.
TEST(TrackingLineDlg, TypedTextIsNoChoice)
{
    TrackingLineDlg dialog;
    dialog.show();
    auto* combo = dialog.findChild<QComboBox*>("durationCombo");
    auto* show = dialog.findChild<QPushButton*>("show");
    test::ModalWatcher watcher;

    for (const char* typed : {"3 Hours", "3 hours", "7 D"}) {
        combo->lineEdit()->clear();
        QTest::keyClicks(combo->lineEdit(), typed);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        if (dialog.isVisible())
            QTest::mouseClick(show, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible()) << typed;
    }
    // The box itself had made the typed text its entry "3 Hours" each time; only the
    // last text matched none.
    EXPECT_EQ(combo->itemText(combo->currentIndex()), "3 Hours");
    EXPECT_GE(watcher.messages().size(), 3u);

    // Typed, then picked from the list with the mouse: that is a choice.
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    const QModelIndex hours = combo->model()->index(combo->findText("7 Hours"), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(hours).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list->isVisible(); }));
    EXPECT_EQ(combo->currentText(), "7 Hours");
    QTest::mouseClick(show, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    // An arrow key steps to an entry: that is a choice too.
    dialog.show();
    QTest::keyClicks(combo->lineEdit(), "x");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Up);
    EXPECT_EQ(combo->currentText(), "7 Days");
    QTest::mouseClick(show, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(TrackingLineDlg, CancelCloses)
{
    TrackingLineDlg dialog;
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("cancel"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()

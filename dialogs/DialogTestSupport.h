#pragma once

// Helpers shared by the dialog tests: a QApplication on the headless
// platform, and a watcher that answers the modal boxes a dialog opens.

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace corvane::test {

struct ShownMessage
{
    QString caption;
    QString text;
    QMessageBox::Icon icon;
};

// While it lives, every modal window that opens is handed to the handler
// (when set) or, when it is a message box, recorded and closed. Works inside
// the nested event loop the modal window runs, so no test waits or sleeps.
class ModalWatcher
{
public:
    using Handler = std::function<bool(QWidget& modal)>;

    explicit ModalWatcher(Handler handler = {}) : m_handler(std::move(handler))
    {
        ++live();
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start(0);
    }
    ~ModalWatcher() { --live(); }
    ModalWatcher(const ModalWatcher&) = delete;
    ModalWatcher& operator=(const ModalWatcher&) = delete;

    static int& live()
    {
        static int count = 0;
        return count;
    }

    const std::vector<ShownMessage>& messages() const { return m_messages; }
    QStringList texts() const
    {
        QStringList list;
        for (const ShownMessage& message : m_messages)
            list << message.text;
        return list;
    }
    void clear() { m_messages.clear(); }

private:
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        if (m_handler && m_handler(*modal))
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            m_messages.push_back({box->windowTitle(), box->text(), box->icon()});
            box->done(QMessageBox::Ok);
        }
    }

    Handler m_handler;
    QTimer m_timer;
    std::vector<ShownMessage> m_messages;
};

// Closes any modal window that opens while no watcher is alive, and fails
// the running test: an unexpected box must not hang the program.
class StrayModalGuard
{
public:
    StrayModalGuard()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            QWidget* modal = QApplication::activeModalWidget();
            if (ModalWatcher::live() > 0 || modal == nullptr || !modal->isVisible())
                return;
            const auto* box = qobject_cast<QMessageBox*>(modal);
            ADD_FAILURE() << "unexpected modal window "
                          << (box ? box->text() : modal->windowTitle()).toStdString();
            modal->close();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        });
        m_timer.start(0);
    }

private:
    QTimer m_timer;
};

} // namespace corvane::test

// The test program's entry: the widgets need a QApplication, on the
// offscreen platform unless the environment names another.
#define CORVANE_DIALOG_TEST_MAIN()                                                                 \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);                                               \
        QApplication app(argc, argv);                                                              \
        corvane::test::StrayModalGuard guard;                                                      \
        ::testing::InitGoogleTest(&argc, argv);                                                    \
        return RUN_ALL_TESTS();                                                                    \
    }

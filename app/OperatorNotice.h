#pragma once

#include <QMessageBox>
#include <QString>
#include <string>

class QWidget;

namespace corvane {

// What a worker thread wants the operator to read: a problem that stops part
// of the station, or the end of one. Travels to the window in a posted event.
struct OperatorNotice
{
    bool problem = true;
    std::string text;
};

// Opens a window-modal, self-deleting box with the station's caption over
// parent and returns at once, so the station goes on receiving while the
// operator reads it. name is the box's object name; text is shown as plain
// text, never as markup.
//
// Threads: the GUI thread. Throws: never but std::bad_alloc.
void openNoticeBox(QWidget* parent, const QString& name, QMessageBox::Icon icon,
                   const QString& text);

} // namespace corvane

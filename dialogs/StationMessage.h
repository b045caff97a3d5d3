#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace corvane {

// The caption of every message box of the station.
inline constexpr const char* stationCaption = "ORVEX Corvane";

// Shows text in a modal message box with the station's caption, an OK button
// and the icon, and returns when the operator has closed it. The text is
// shown as plain text (it may quote a sender's), never as markup.
//
// Threads: the GUI thread only. Throws: never but std::bad_alloc.
void showStationMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon);

// Asks question in an application-modal box (object name "question") with
// the station's caption and Yes and No, No the default; returns when the
// operator has answered, true for Yes. Same threads and throws as above.
bool askStationQuestion(QWidget* parent, const QString& question);

} // namespace corvane

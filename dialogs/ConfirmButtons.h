#pragma once

#include <QSize>
#include <QString>

class QDialog;
class QHBoxLayout;

namespace corvane {

// The closing row of a small dialog: the confirming button (default, named
// confirmName) and "Cancel"-like button (named "cancel"), both of one size,
// with gap pixels between them, wired to the dialog's accept() and
// reject() (overrides included). With indent below 0 the row is centred;
// otherwise it starts indent pixels from the left and stays there when the
// dialog is sized.
//
// Ownership: the buttons belong to the dialog; the caller adds the returned
// layout to its own. Threads: the GUI thread. Throws: never but std::bad_alloc.
QHBoxLayout* makeConfirmButtons(QDialog& dialog, const QString& confirmText,
                                const QString& confirmName, const QString& cancelText,
                                QSize buttonSize, int gap, int indent = -1);

} // namespace corvane

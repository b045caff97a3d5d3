#pragma once

class QLineEdit;
class QString;

namespace corvane {

// Bounds what the operator types into a line edit without cutting what the
// program shows there: up to limit characters can be typed, and a longer text
// put in with setBoundedText is shown whole. Such a text may be kept or
// shortened, but nothing can be typed into it until it is within the limit.
// (A plain QLineEdit::setMaxLength would cut it, and an OK without changes
// would then store the cut text.)
//
// Threads: the GUI thread. Throws: never but std::bad_alloc.

// Gives box the limit; call once, before setBoundedText.
void limitTyping(QLineEdit& box, int limit);

// Shows text whole in a box given a limit by limitTyping.
void setBoundedText(QLineEdit& box, const QString& text);

} // namespace corvane

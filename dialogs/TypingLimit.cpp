#include "dialogs/TypingLimit.h"

#include <QLineEdit>
#include <QVariant>
#include <algorithm>

namespace corvane {

namespace {

const char* const limitProperty = "corvaneTypingLimit";

void fitLimit(QLineEdit& box)
{
    const int limit = box.property(limitProperty).toInt();
    box.setMaxLength(std::max(limit, int(box.text().size())));
}

} // namespace

void limitTyping(QLineEdit& box, int limit)
{
    box.setProperty(limitProperty, limit);
    box.setMaxLength(limit);
    // Shortening a long text lowers the bound with it, down to the limit.
    QObject::connect(&box, &QLineEdit::textEdited, &box, [&box] { fitLimit(box); });
}

void setBoundedText(QLineEdit& box, const QString& text)
{
    box.setMaxLength(std::max(box.property(limitProperty).toInt(), int(text.size())));
    box.setText(text);
}

} // namespace corvane

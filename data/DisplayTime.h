#pragma once

#include "base/IFormatable.h"

namespace corvane {

class DateTime;

// Writes a DateTime as the station's display time text: the selected date
// pattern and time pattern joined by one blank, e.g. "2011-05-31 14:07:09".
// This is the text stored in app.db's time columns and shown on the page.
// Replaces the target's text; at most 63 characters.
// Threads: any thread. Throws: only what the target's format() throws.
void formatDisplayTime(const DateTime& time, IFormatable& target);

} // namespace corvane

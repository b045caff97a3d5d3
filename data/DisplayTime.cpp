#include "data/DisplayTime.h"

#include "base/DateTime.h"
#include "base/DateTimeFormat.h"
#include "base/FormatableBuffer.h"
#include "callback/AppConstants.h"

namespace corvane {

void formatDisplayTime(const DateTime& time, IFormatable& target)
{
    const AppConstants& constants = AppConstants::instance();
    FormatableBuffer<256> pattern;
    pattern.format("%s %s", constants.dateFormat(AppConstants::dateFormatIndex).c_str(),
                   constants.timeFormat(AppConstants::timeFormatIndex).c_str());
    FormatableBuffer<64> text;
    DateTimeFormat::formatDateTime(time, pattern.getText(), text);
    target.format("%s", text.getText());
}

} // namespace corvane

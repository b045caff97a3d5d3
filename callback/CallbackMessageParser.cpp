#include "callback/CallbackMessageParser.h"

#include "base/Trace.h"
#include "callback/AppConstants.h"
#include "callback/DecimalText.h"
#include "callback/FieldScanner.h"
#include "callback/Utf8Text.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace corvane {

namespace {

// Recorders carry a comma inside a text as the unit separator.
std::string unitSeparatorsToCommas(std::string_view field)
{
    std::string text(field);
    std::replace(text.begin(), text.end(), '\x1f', ',');
    return text;
}

std::string decodeText(std::string_view field)
{
    return Utf8Text::decode(unitSeparatorsToCommas(field), CallbackMessageParser::maxTextUnits);
}

std::string_view orEmpty(const std::optional<std::string_view>& field)
{
    return field.value_or(std::string_view());
}

std::int32_t toInt(const std::optional<std::string_view>& field)
{
    return field ? DecimalText::toInt(*field) : 0;
}

bool isDetailKey(std::string_view key)
{
    const auto& keys = CallbackMessageParser::detailKeys;
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

void readOptionalInfo(FieldScanner& scanner, CallbackInfo& info)
{
    scanner.next(); // unused
    const std::int32_t count = toInt(scanner.next());
    // The count is only an upper bound: the text ends the list as well, and
    // so does the pair limit, whatever the count claims.
    const std::int32_t pairs = std::min<std::int32_t>(count, CallbackMessageParser::maxDetailPairs);
    for (std::int32_t i = 0; i < pairs; ++i) {
        const auto key = scanner.next();
        if (!key) {
            break;
        }
        const auto value = scanner.next();
        if (!value) {
            break;
        }
        // Keys the station does not use cost a comparison, not a copy.
        if (!isDetailKey(*key))
            continue;
        info.optionalInfo()[std::string(*key)] =
            *value == " " ? std::string() : unitSeparatorsToCommas(*value);
    }
}

} // namespace

bool CallbackMessageParser::parse(const char* text, CallbackInfo& info) const
{
    FieldScanner scanner(text != nullptr ? std::string_view(text) : std::string_view());
    // A record handed in twice must not keep the tail of its earlier message.
    info.setGpsData(std::string());
    info.optionalInfo().clear();

    const auto name = scanner.next();
    std::string decodedName = name && *name != " " ? decodeText(*name) : std::string();
    info.setName(decodedName.empty() ? std::string("Vehicle") : std::move(decodedName));

    info.setType(toInt(scanner.next()));
    const auto ordinal = scanner.next();
    // Unsigned addition: a number of INT32_MAX wraps instead of overflowing.
    info.setOrdinal(ordinal ? static_cast<std::int32_t>(
                                  static_cast<std::uint32_t>(DecimalText::toInt(*ordinal)) + 1u)
                            : 0);
    scanner.next(); // unused
    info.setDeviceTitle(decodeText(orEmpty(scanner.next())));
    info.setFlags(BitMask32(static_cast<std::uint32_t>(toInt(scanner.next()))));
    const Date date = Date::fromPacked(toInt(scanner.next()));
    const Time time = Time::fromPacked(toInt(scanner.next()) & 0xFFFFFF);
    info.setTime(DateTime(date, time));
    info.setAuxText1(std::string(orEmpty(scanner.next())));
    info.setAuxNumber(toInt(scanner.next()));
    info.setAuxText2(std::string(orEmpty(scanner.next())));
    const auto id = scanner.next();
    std::string idText;
    if (id)
        idText.assign(*id);
    // A message without an identifier names no vehicle: it gets the all-zero
    // one, as text that is no identifier does, and the window drops it.
    info.setId(id ? UniqueID(idText.c_str()) : UniqueID::zero());

    if (info.getType() == AppConstants::gpsMessageType) {
        info.setGpsData(std::string(orEmpty(scanner.next('*'))));
    } else if (info.getType() == AppConstants::optionalInfoMessageType) {
        traceMessage("%s", idText.c_str());
        readOptionalInfo(scanner, info);
    }
    return true;
}

} // namespace corvane

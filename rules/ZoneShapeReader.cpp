#include "rules/ZoneShapeReader.h"

#include "rules/JsonValue.h"

#include <algorithm>
#include <vector>

namespace corvane {

namespace {

constexpr const char* expected =
    "expected a Polygon, or a Feature holding a Polygon or a Point with a \"radius\"";

bool refuse(std::string& reason, std::string text)
{
    reason = std::move(text);
    return false;
}

std::nullopt_t refused(std::string& reason, std::string text)
{
    reason = std::move(text);
    return std::nullopt;
}

bool readPosition(const JsonValue& value, LonLat& out, std::string& reason)
{
    const std::vector<JsonValue>& items = value.items();
    if (!value.isArray() || items.size() < 2 || !items[0].isNumber() || !items[1].isNumber())
        return refuse(reason, "a position is not [longitude, latitude]");
    out.longitude = items[0].number();
    out.latitude = items[1].number();
    if (out.longitude < -360.0 || out.longitude > 360.0)
        return refuse(reason, "a longitude is outside -360 to 360");
    if (out.latitude < -90.0 || out.latitude > 90.0)
        return refuse(reason, "a latitude is outside -90 to 90");
    return true;
}

bool readRing(const JsonValue& value, std::vector<LonLat>& ring, std::size_t& vertices,
              std::string& reason)
{
    if (!value.isArray())
        return refuse(reason, "a ring is not an array of positions");
    if (value.items().size() < 4)
        return refuse(reason, "a ring has fewer than four positions");
    vertices += value.items().size();
    if (vertices > ZoneShapeReader::maxVertices)
        return refuse(reason,
                      "more than " + std::to_string(ZoneShapeReader::maxVertices) + " positions");
    for (const JsonValue& item : value.items()) {
        LonLat position;
        if (!readPosition(item, position, reason))
            return false;
        ring.push_back(position);
    }
    const LonLat& first = ring.front();
    const LonLat& last = ring.back();
    if (first.latitude != last.latitude ||
        ZoneShape::unwrapAfter(first.longitude, last.longitude) != first.longitude)
        return refuse(reason, "a ring is not closed");
    // Walked the short way round, a ring that ends a whole turn from where
    // it began winds around a pole: it has no inside on the map.
    double lon = first.longitude;
    double west = lon, east = lon;
    for (std::size_t i = 1; i < ring.size(); ++i) {
        lon = ZoneShape::unwrapAfter(lon, ring[i].longitude);
        west = std::min(west, lon);
        east = std::max(east, lon);
    }
    if (lon != first.longitude)
        return refuse(reason, "a ring winds around a pole");
    if (east - west >= 360.0)
        return refuse(reason, "a ring spans every longitude");
    return true;
}

std::optional<ZoneShape> readPolygon(const JsonValue& geometry, std::string& reason)
{
    const JsonValue* coordinates = geometry.find("coordinates");
    if (coordinates == nullptr || !coordinates->isArray())
        return refused(reason, "the Polygon has no \"coordinates\" array");
    if (coordinates->items().empty())
        return refused(reason, "the Polygon has no ring");
    std::vector<std::vector<LonLat>> rings;
    std::size_t vertices = 0;
    for (const JsonValue& item : coordinates->items()) {
        rings.emplace_back();
        if (!readRing(item, rings.back(), vertices, reason))
            return std::nullopt;
    }
    return ZoneShape::polygon(rings);
}

std::optional<ZoneShape> readCircle(const JsonValue& feature, const JsonValue& point,
                                    std::string& reason)
{
    const JsonValue* coordinates = point.find("coordinates");
    LonLat centre;
    if (coordinates == nullptr)
        return refused(reason, "the Point has no \"coordinates\"");
    if (!readPosition(*coordinates, centre, reason))
        return std::nullopt;
    const JsonValue* properties = feature.find("properties");
    const JsonValue* radius = properties != nullptr ? properties->find("radius") : nullptr;
    if (radius == nullptr || !radius->isNumber())
        return refused(reason, "the Point has no \"radius\" in metres in its properties");
    if (!(radius->number() > 0) || radius->number() > ZoneShapeReader::maxRadiusMetres)
        return refused(reason,
                       "the radius is not more than 0 and at most " +
                           std::to_string(static_cast<long>(ZoneShapeReader::maxRadiusMetres)) +
                           " metres");
    return ZoneShape::circle(centre.latitude, centre.longitude, radius->number());
}

bool hasType(const JsonValue& value, std::string_view type)
{
    const JsonValue* member = value.find("type");
    return member != nullptr && member->isText() && member->text() == type;
}

} // namespace

std::optional<ZoneShape> ZoneShapeReader::read(std::string_view geometry, std::string& reason)
{
    if (geometry.size() > maxTextBytes)
        return refused(reason, "longer than " + std::to_string(maxTextBytes) + " bytes");
    JsonValue::Limits limits;
    limits.maxDepth = 16; // a Feature's rings lie five deep
    // Three values per position and a few around them: enough for every
    // position allowed, and a text of nothing but values stops there.
    limits.maxValues = 3 * maxVertices + 64;
    std::string error;
    const std::optional<JsonValue> root = JsonValue::parse(geometry, limits, error);
    if (!root)
        return refused(reason, "not JSON: " + error);
    if (!root->isObject())
        return refused(reason, expected);
    if (hasType(*root, "Polygon"))
        return readPolygon(*root, reason);
    if (!hasType(*root, "Feature"))
        return refused(reason, expected);
    const JsonValue* shape = root->find("geometry");
    if (shape != nullptr && shape->isObject() && hasType(*shape, "Polygon"))
        return readPolygon(*shape, reason);
    if (shape != nullptr && shape->isObject() && hasType(*shape, "Point"))
        return readCircle(*root, *shape, reason);
    return refused(reason, expected);
}

} // namespace corvane

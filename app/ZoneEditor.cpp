#include "app/ZoneEditor.h"

#include "app/ZoneAlarms.h"
#include "base/Exception.h"
#include "base/Trace.h"
#include "browser/scriptcalls/MapPage.h"
#include "data/DBManager.h"
#include "rules/ZoneShapeReader.h"

#include <charconv>

namespace corvane {

namespace {

// A zone id as the page sends it back: a positive decimal, nothing else.
std::int64_t zoneId(const std::string& text)
{
    std::int64_t id = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), id);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || id <= 0)
        return 0;
    return id;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// UTF-8 characters, not bytes.
std::size_t characters(const std::string& text)
{
    std::size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

} // namespace

void ZoneEditor::refuse(const std::string& reason)
{
    traceMessage("Zone edit refused: %s", reason.c_str());
    m_page.zoneRefused(reason);
}

void ZoneEditor::save(const std::string& idText, const std::string& name,
                      const std::string& geometry)
{
    const bool isNew = idText.empty();
    const std::int64_t id = isNew ? 0 : zoneId(idText);
    if (!isNew && id == 0)
        return refuse("no such zone");
    const std::string shownName = trimmed(name);
    if (isNew && (shownName.empty() || characters(shownName) > ZoneTable::maxNameCharacters))
        return refuse("a zone needs a name of 1 to " +
                      std::to_string(ZoneTable::maxNameCharacters) + " characters");
    std::string reason;
    if (!ZoneShapeReader::read(geometry, reason))
        return refuse("the shape is " + reason);
    try {
        if (DBManager::getInstance().saveZone(id, shownName, geometry) == 0)
            return refuse("no such zone");
    } catch (const Exception& e) {
        traceException(e);
        return refuse("it could not be stored");
    }
    reload();
}

void ZoneEditor::remove(const std::string& idText)
{
    const std::int64_t id = zoneId(idText);
    try {
        if (id == 0 || !DBManager::getInstance().deleteZone(id))
            return refuse("no such zone");
    } catch (const Exception& e) {
        traceException(e);
        return refuse("it could not be stored");
    }
    reload();
}

void ZoneEditor::reload()
{
    try {
        m_zones.replace(DBManager::getInstance().loadZones());
    } catch (const Exception& e) {
        // The watcher keeps what it had; the page is told what that is.
        traceException(e);
    }
    m_page.setZones(m_zones.drawings());
}

} // namespace corvane

#include "data/RecordCodec.h"

#include "data/AlarmAck.h"
#include "data/EventLog.h"
#include "data/GPSData.h"
#include "data/VehicleInfo.h"
#include "data/ZoneCrossing.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace corvane {

namespace {

class Writer
{
public:
    explicit Writer(std::string& out) : m_out(out) { m_out.clear(); }

    void int32(std::int32_t value) { raw(&value, sizeof value); }
    void int64(std::int64_t value) { raw(&value, sizeof value); }
    void byte(std::uint8_t value) { raw(&value, 1); }
    void text(std::string_view value)
    {
        const auto length = static_cast<std::uint32_t>(value.size());
        raw(&length, sizeof length);
        raw(value.data(), value.size());
    }
    void id(const UniqueID& value) { raw(value.bytes().data(), UniqueID::byteSize); }

private:
    void raw(const void* data, std::size_t size)
    {
        m_out.append(static_cast<const char*>(data), size);
    }

    std::string& m_out;
};

class Reader
{
public:
    Reader(const void* bytes, std::size_t size)
        : m_next(static_cast<const char*>(bytes)), m_left(size)
    {}

    bool int32(std::int32_t& value) { return raw(&value, sizeof value); }
    bool int64(std::int64_t& value) { return raw(&value, sizeof value); }
    bool byte(std::uint8_t& value) { return raw(&value, 1); }
    bool text(std::string_view& value)
    {
        std::uint32_t length = 0;
        if (!raw(&length, sizeof length) || length > m_left)
            return false;
        value = std::string_view(m_next, length);
        skip(length);
        return true;
    }
    bool text(std::string& value)
    {
        std::string_view view;
        if (!text(view))
            return false;
        value.assign(view);
        return true;
    }
    // A bounded field: the text is cut as the field's setter cuts it.
    template <typename Setter>
    bool boundedText(Setter set)
    {
        std::string_view view;
        if (!text(view))
            return false;
        set(std::string(view).c_str());
        return true;
    }
    bool id(UniqueID& value)
    {
        if (m_left < UniqueID::byteSize)
            return false;
        value = UniqueID::fromBytes(std::span<const std::uint8_t, UniqueID::byteSize>(
            reinterpret_cast<const std::uint8_t*>(m_next), UniqueID::byteSize));
        skip(UniqueID::byteSize);
        return true;
    }
    bool atEnd() const { return m_left == 0; }

private:
    bool raw(void* data, std::size_t size)
    {
        if (m_left < size)
            return false;
        std::memcpy(data, m_next, size);
        skip(size);
        return true;
    }
    void skip(std::size_t size)
    {
        m_next += size;
        m_left -= size;
    }

    const char* m_next;
    std::size_t m_left;
};

constexpr RecordCodec::VehicleField vehicleFields[] = {
    {.column = "id", .id = &VehicleInfo::id},
    {.column = "name", .text = &VehicleInfo::name},
    {.column = "edited_name", .text = &VehicleInfo::edited_name},
    {.column = "last_updated_time", .text = &VehicleInfo::last_updated_time},
    {.column = "last_updated_latitude", .text = &VehicleInfo::last_updated_latitude},
    {.column = "last_updated_longitude", .text = &VehicleInfo::last_updated_longitude},
    {.column = "deleted", .flag = &VehicleInfo::deleted},
    {.column = "company", .text = &VehicleInfo::company},
    {.column = "maker", .text = &VehicleInfo::maker},
    {.column = "model", .text = &VehicleInfo::model},
    {.column = "registration", .text = &VehicleInfo::registration},
    {.column = "driver", .text = &VehicleInfo::driver},
    {.column = "license", .text = &VehicleInfo::license},
    {.column = "info1", .text = &VehicleInfo::info1},
    {.column = "info2", .text = &VehicleInfo::info2},
    {.column = "image_path", .text = &VehicleInfo::image_path},
};

void encodeVehicle(const VehicleInfo& v, Writer& w)
{
    for (const RecordCodec::VehicleField& field : vehicleFields) {
        if (field.id != nullptr)
            w.id(v.*field.id);
        else if (field.flag != nullptr)
            w.byte(v.*field.flag ? 1 : 0);
        else
            w.text(v.*field.text);
    }
}

bool decodeVehicle(Reader& r, VehicleInfo& v)
{
    for (const RecordCodec::VehicleField& field : vehicleFields) {
        std::uint8_t flag = 0;
        bool read = false;
        if (field.id != nullptr)
            read = r.id(v.*field.id);
        else if (field.flag != nullptr)
            read = r.byte(flag);
        else
            read = r.text(v.*field.text);
        if (!read)
            return false;
        if (field.flag != nullptr)
            v.*field.flag = flag != 0;
    }
    return true;
}

void encodeGps(const GPSData& g, Writer& w)
{
    w.int32(g.id);
    w.text(g.gps_data);
    w.text(g.update_time);
    w.id(g.vehicle_id);
}

bool decodeGps(Reader& r, GPSData& g)
{
    return r.int32(g.id) && r.boundedText([&](const char* t) { g.setGpsData(t); }) &&
           r.boundedText([&](const char* t) { g.setUpdateTime(t); }) && r.id(g.vehicle_id);
}

void encodeEvent(const EventLog& e, Writer& w)
{
    w.int32(e.id);
    w.text(e.address);
    w.text(e.name);
    w.text(e.time);
    w.int32(e.event_type);
    w.text(e.device_title);
    w.id(e.vehicle_id);
}

bool decodeEvent(Reader& r, EventLog& e)
{
    return r.int32(e.id) && r.text(e.address) &&
           r.boundedText([&](const char* t) { e.setName(t); }) &&
           r.boundedText([&](const char* t) { e.setTime(t); }) && r.int32(e.event_type) &&
           r.boundedText([&](const char* t) { e.setDeviceTitle(t); }) && r.id(e.vehicle_id);
}

void encodeCrossing(const ZoneCrossing& c, Writer& w)
{
    encodeEvent(c.event, w);
    w.int64(c.zone_id);
    w.byte(c.inside ? 1 : 0);
}

bool decodeCrossing(Reader& r, ZoneCrossing& c)
{
    std::uint8_t inside = 0;
    if (!decodeEvent(r, c.event) || !r.int64(c.zone_id) || !r.byte(inside))
        return false;
    c.inside = inside != 0;
    return true;
}

void encodeAck(const AlarmAck& a, Writer& w)
{
    w.int64(a.event_id);
    w.byte(a.wholeVehicle ? 1 : 0);
    w.id(a.vehicle_id);
    w.text(a.acknowledged);
    w.text(a.operator_name);
    w.text(a.note);
}

bool decodeAck(Reader& r, AlarmAck& a)
{
    std::uint8_t whole = 0;
    std::string text;
    if (!r.int64(a.event_id) || !r.byte(whole) || !r.id(a.vehicle_id) || !r.text(a.acknowledged))
        return false;
    a.wholeVehicle = whole != 0;
    if (!r.text(text))
        return false;
    a.setOperator(std::move(text));
    text.clear();
    if (!r.text(text))
        return false;
    a.setNote(std::move(text));
    return true;
}

} // namespace

bool RecordCodec::encode(const AbstractDatabaseRecord& record, std::string& out)
{
    Writer w(out);
    w.int32(record.recordType);
    w.int32(record.operation);
    switch (record.recordType) {
    case AbstractDatabaseRecord::Vehicle:
        if (auto* v = dynamic_cast<const VehicleInfo*>(&record)) {
            encodeVehicle(*v, w);
            return true;
        }
        break;
    case AbstractDatabaseRecord::GPSSample:
        if (auto* g = dynamic_cast<const GPSData*>(&record)) {
            encodeGps(*g, w);
            return true;
        }
        break;
    case AbstractDatabaseRecord::Event:
        if (auto* e = dynamic_cast<const EventLog*>(&record)) {
            encodeEvent(*e, w);
            return true;
        }
        break;
    case AbstractDatabaseRecord::Crossing:
        if (auto* c = dynamic_cast<const ZoneCrossing*>(&record)) {
            encodeCrossing(*c, w);
            return true;
        }
        break;
    case AbstractDatabaseRecord::Acknowledgement:
        if (auto* a = dynamic_cast<const AlarmAck*>(&record)) {
            encodeAck(*a, w);
            return true;
        }
        break;
    default:
        break;
    }
    out.clear();
    return false;
}

std::span<const RecordCodec::VehicleField> RecordCodec::vehicleFields()
{
    return ::corvane::vehicleFields;
}

std::unique_ptr<AbstractDatabaseRecord> RecordCodec::decode(const void* bytes, std::size_t size)
{
    Reader r(bytes, size);
    std::int32_t type = 0;
    std::int32_t operation = 0;
    if (!r.int32(type) || !r.int32(operation))
        return nullptr;
    std::unique_ptr<AbstractDatabaseRecord> record;
    bool whole = false;
    switch (type) {
    case AbstractDatabaseRecord::Vehicle: {
        auto v = std::make_unique<VehicleInfo>(UniqueID::zero());
        whole = decodeVehicle(r, *v);
        record = std::move(v);
        break;
    }
    case AbstractDatabaseRecord::GPSSample: {
        auto g = std::make_unique<GPSData>("", UniqueID::zero());
        whole = decodeGps(r, *g);
        record = std::move(g);
        break;
    }
    case AbstractDatabaseRecord::Event: {
        auto e = std::make_unique<EventLog>();
        whole = decodeEvent(r, *e);
        record = std::move(e);
        break;
    }
    case AbstractDatabaseRecord::Crossing: {
        auto c = std::make_unique<ZoneCrossing>();
        whole = decodeCrossing(r, *c);
        record = std::move(c);
        break;
    }
    case AbstractDatabaseRecord::Acknowledgement: {
        auto a = std::make_unique<AlarmAck>();
        whole = decodeAck(r, *a);
        record = std::move(a);
        break;
    }
    default:
        return nullptr;
    }
    if (!whole || !r.atEnd())
        return nullptr;
    record->recordType = type;
    record->operation = operation;
    return record;
}

} // namespace corvane

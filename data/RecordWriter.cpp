#include "data/RecordWriter.h"

#include "base/Trace.h"
#include "data/AlarmAck.h"
#include "data/AlarmDesk.h"
#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/EventLog.h"
#include "data/FormatableSQL.h"
#include "data/GPSData.h"
#include "data/RecordCodec.h"
#include "data/RowSet.h"
#include "data/Statement.h"
#include "data/StationReceipts.h"
#include "data/Transaction.h"
#include "data/VehicleInfo.h"
#include "data/VehicleUpdateCoalescer.h"
#include "data/ZoneCrossing.h"
#include "data/ZoneTable.h"
#include "thread/MessageQueue.h"

#include <algorithm>
#include <optional>
#include <sqlite3.h>

namespace corvane {

namespace {

constexpr int takeLimitMs = 5000;

void insertEvent(Database& db, const EventLog& e)
{
    FormatableSQL sql(
        "INSERT INTO event_info (address, name, time, event_type, "
        "device_title,vehicle_id)VALUES ('%q', '%q', DATETIME('%q'), %d, '%q', '%q');",
        e.address.c_str(), e.name, e.time, e.event_type, e.device_title,
        e.vehicle_id.toText().c_str());
    db.execute(sql.getText());
}

// The values of a vehicle_info row from parameter `first` on, in the order of
// its columns after the identifier.
void bindVehicle(Statement& statement, const VehicleInfo& v, int first)
{
    int index = first;
    for (const std::string* text : {&v.name, &v.edited_name, &v.last_updated_time,
                                    &v.last_updated_latitude, &v.last_updated_longitude})
        statement.bindTextNoCopy(index++, text->c_str());
    statement.bindInt(index++, v.deleted ? 1 : 0);
    for (const std::string* text : {&v.company, &v.maker, &v.model, &v.registration, &v.driver,
                                    &v.license, &v.info1, &v.info2, &v.image_path})
        statement.bindTextNoCopy(index++, text->c_str());
}

} // namespace

Statement& RecordWriter::Compiled::on(Database& database)
{
    if (statement == nullptr || !statement->isPrepared() || connection != database.getHandle()) {
        // The old statement goes first: it keeps a closed connection alive.
        statement.reset();
        statement = std::make_unique<Statement>(database, sql);
        connection = database.getHandle();
    }
    return *statement;
}

void RecordWriter::insertGps(const GPSData& g)
{
    Statement& insert = m_gpsInsert.on(m_database);
    const std::string vehicle = g.vehicle_id.toText();
    insert.bindTextNoCopy(1, g.gps_data);
    insert.bindTextNoCopy(2, g.update_time);
    insert.bindTextNoCopy(3, vehicle.c_str());
    insert.execute();
    insert.reset();
}

void RecordWriter::insertVehicle(const VehicleInfo& vehicle)
{
    Statement& insert = m_vehicleInsert.on(m_database);
    const std::string id = vehicle.id.toText();
    insert.bindTextNoCopy(1, id.c_str());
    bindVehicle(insert, vehicle, 2);
    insert.execute();
    insert.reset();
}

void RecordWriter::updateVehicle(const VehicleInfo& vehicle)
{
    Statement& update = m_vehicleUpdate.on(m_database);
    const std::string id = vehicle.id.toText();
    bindVehicle(update, vehicle, 1);
    update.bindTextNoCopy(16, id.c_str());
    update.execute();
    update.reset();
    if (m_database.getChanges() == 0)
        insertVehicle(vehicle);
}

void RecordWriter::apply(const AbstractDatabaseRecord& record)
{
    using R = AbstractDatabaseRecord;
    if (record.recordType == R::Vehicle && record.operation == R::Insert)
        insertVehicle(static_cast<const VehicleInfo&>(record));
    else if (record.recordType == R::Vehicle && record.operation == R::Update)
        updateVehicle(static_cast<const VehicleInfo&>(record));
    else if (record.recordType == R::GPSSample && record.operation == R::Insert)
        insertGps(static_cast<const GPSData&>(record));
    else if (record.recordType == R::Event && record.operation == R::Insert)
        storeEvent(static_cast<const EventLog&>(record));
    else if (record.recordType == R::Crossing && record.operation == R::Insert) {
        // The presence first: should the event fail on its own account, the
        // vehicle's state is still right for the next start.
        const auto& crossing = static_cast<const ZoneCrossing&>(record);
        ZoneTable::storePresence(m_database, crossing);
        storeEvent(crossing.event);
    } else if (record.recordType == R::Acknowledgement && record.operation == R::Insert) {
        const auto ids =
            AlarmDesk::acknowledge(m_database, static_cast<const AlarmAck&>(record), m_alarmKinds);
        m_batchAcknowledged.insert(m_batchAcknowledged.end(), ids.begin(), ids.end());
        m_batchHadAck = true;
    }
}

void RecordWriter::storeEvent(const EventLog& event)
{
    insertEvent(m_database, event);
    if (m_openAlarms == nullptr ||
        !std::binary_search(m_alarmKinds.begin(), m_alarmKinds.end(), event.event_type))
        return;
    OpenAlarm alarm;
    alarm.id = sqlite3_last_insert_rowid(m_database.getHandle());
    alarm.vehicle_id = event.vehicle_id;
    alarm.event_type = event.event_type;
    alarm.device_title = event.device_title;
    // The time as stored: what the file says after a restart.
    const FormatableSQL select("SELECT time FROM event_info WHERE id = %lld;",
                               static_cast<long long>(alarm.id));
    RowSet stored(m_database, select.getText());
    if (stored.next() && stored.getText(0) != nullptr)
        alarm.time = stored.getText(0);
    m_batchAlarms.push_back(std::move(alarm));
}

RecordWriter::~RecordWriter() = default;

void RecordWriter::discardPending() noexcept
{
    if (!m_pending.empty())
        traceMessage("%d records could not be written", static_cast<int>(m_pending.size()));
    m_pending.clear();
}

namespace {

// Failures that say nothing about the record: it may succeed later.
bool isTransient(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
        return true;
    default:
        return RecordWriter::isDatabaseFault(code);
    }
}

} // namespace

bool RecordWriter::isDatabaseFault(int code) noexcept
{
    switch (code & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_PERM:
    case SQLITE_FULL:
    case SQLITE_IOERR:
        return true;
    default:
        return false;
    }
}

bool RecordWriter::keepFor(const DatabaseException& e)
{
    traceException(e);
    m_lastFault.code = e.getCode();
    m_lastFault.message = e.getMessage();
    return false;
}

int RecordWriter::writeBatch(MessageQueue& queue, int count, std::vector<char>& buffer)
{
    int taken = 0;
    while (taken < count && m_pending.size() < m_pendingLimit) {
        const int length = queue.take(buffer.data(), buffer.size(), takeLimitMs);
        if (length <= 0)
            break;
        ++taken;
        auto record = RecordCodec::decode(buffer.data(), static_cast<std::size_t>(length));
        if (record == nullptr)
            traceMessage("Undecodable record of %d bytes dropped", length);
        else
            m_pending.push_back(std::move(record));
    }
    m_lastFault = Fault();
    if (commitPending())
        m_pending.clear();
    return taken;
}

bool RecordWriter::begin(std::optional<Transaction>& transaction)
{
    transaction.reset();
    try {
        transaction.emplace(m_database);
        m_heard.clear();
        m_batchAlarms.clear();
        m_batchAcknowledged.clear();
        m_batchHadAck = false;
        if (m_openAlarms != nullptr)
            m_alarmKinds = m_openAlarms->kinds();
        if (!m_pending.empty())
            StationReceipts::markBatch(m_database);
    } catch (const DatabaseException& e) {
        if (!transaction || isTransient(e.getCode()))
            return keepFor(e);
        // A file whose station tables cannot be written still takes the
        // records; retention then finds no hours and waits.
        tellReceiptFault(e);
    }
    return true;
}

void RecordWriter::tellReceiptFault(const DatabaseException& e)
{
    if (!m_receiptFaultTold)
        traceException(e);
    m_receiptFaultTold = true;
}

bool RecordWriter::writeHeard()
{
    try {
        Statement& upsert = m_heardUpsert.on(m_database);
        for (const auto& [vehicle, sample] : m_heard) {
            upsert.bindTextNoCopy(1, vehicle.c_str());
            upsert.bindInt64(2, sample);
            upsert.execute();
            upsert.reset();
        }
    } catch (const DatabaseException& e) {
        if (isTransient(e.getCode()))
            return keepFor(e);
        tellReceiptFault(e);
    }
    return true;
}

bool RecordWriter::commitPending()
{
    VehicleUpdateCoalescer::coalesce(m_pending);
    std::optional<Transaction> transaction;
    if (!begin(transaction))
        return false;
    for (auto record = m_pending.begin(); record != m_pending.end();) {
        try {
            apply(**record);
            if ((*record)->recordType == AbstractDatabaseRecord::GPSSample)
                m_heard[static_cast<const GPSData&>(**record).vehicle_id.toText()] =
                    sqlite3_last_insert_rowid(m_database.getHandle());
            ++record;
            continue;
        } catch (const DatabaseException& e) {
            if (isTransient(e.getCode()))
                return keepFor(e); // the transaction rolls back; all wait for the next batch
            traceException(e);
        }
        record = m_pending.erase(record);
        if (!m_database.inTransaction()) {
            // SQLite ended the transaction itself: apply the others again.
            if (!begin(transaction))
                return false;
            record = m_pending.begin();
        }
    }
    if (!writeHeard())
        return false;
    try {
        transaction->commit();
    } catch (const DatabaseException& e) {
        return keepFor(e); // rolled back by the transaction's destructor
    }
    if (m_openAlarms != nullptr && (!m_batchAlarms.empty() || m_batchHadAck))
        m_openAlarms->apply(std::move(m_batchAlarms), m_batchAcknowledged);
    m_batchAlarms.clear();
    m_batchAcknowledged.clear();
    return true;
}

} // namespace corvane

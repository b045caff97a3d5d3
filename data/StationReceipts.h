#pragma once

#include <cstdint>

namespace corvane {

class Database;

// What app.db knows of when the station itself received its rows, by the
// station's own clock and order, never by the times recorders write into
// them: a recorder whose clock runs in 2099 or fell back to 1971 can neither
// hold retention back nor hurry it, nor push itself to the front of the list.
// The tables are the station's own; the recorders' tables and their stored
// texts stay as they are.
//
//   received_hour (table_name, hour, first_id): for gps_data and event_info,
//     each hour (seconds since 1970, UTC, divided by 3600) in which the
//     writer committed a batch, with the lowest id a row of that table could
//     get from that batch on. Every row with an id below the smallest
//     first_id of the hours from H on was received before hour H began.
//   vehicle_heard (vehicle_id, last_sample_id): the id of each vehicle's
//     newest stored GPS sample; ids only grow, so the highest is the vehicle
//     the station heard from last.
//
// Rows stored before these tables existed count as received at the open
// that created them (their stored times are the recorders' and are not
// trusted), and vehicles without a heard row as heard before all others.
//
// Ownership: borrows the Database for each call. Threads: the caller holds
// the database mutex. Throws: DatabaseException from a failing statement.
class StationReceipts
{
public:
    // Creates the tables when missing; a table without any hour gets the
    // current hour from id 1 on.
    static void ensureTables(Database& database);

    // Notes the current hour for both tables, unless it is noted already;
    // call inside the transaction of a batch, before its rows are inserted.
    static void markBatch(Database& database);

    // The lowest id of table that may have been received within the last
    // keepDays days, by the station's clock; every row below it is older.
    // INT64_MAX when no row of the table was received since.
    static std::int64_t firstIdReceivedWithin(Database& database, const char* table, int keepDays);

    // Drops the hours of table older than keepDays days: once the rows below
    // firstIdReceivedWithin() are gone, nothing refers to them.
    static void forgetOlderThan(Database& database, const char* table, int keepDays);
};

} // namespace corvane

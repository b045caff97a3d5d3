// Pure logic of the alarm desk, free of the DOM: the station's open alarms grouped under
// their vehicles, and an alarm's age as a short text.
//
//   groupOpenAlarms({alarms: [[id, vehicleId, type, title, time], ...], total,
//                    vehicles: [[vehicleId, count, newestId], ...]}, 3)
//   gives [{vehicleId, count, newest, alarms: [{id, type, title, time}, ...]}, ...]

// Groups in the station's order (newest alarm first); each keeps at most perVehicle of its
// alarms, newest first. Rows that are not what the station sends are left out.
export function groupOpenAlarms(open, perVehicle) {
    var groups = [];
    var byVehicle = Object.create(null);
    var vehicles = open && Array.isArray(open.vehicles) ? open.vehicles : [];
    vehicles.forEach(function (row) {
        if (!Array.isArray(row) || typeof row[0] !== 'string' || row[0] in byVehicle) {
            return;
        }
        var group = { vehicleId: row[0], count: Number(row[1]) || 0, newest: Number(row[2]) || 0, alarms: [] };
        byVehicle[row[0]] = group;
        groups.push(group);
    });
    var alarms = open && Array.isArray(open.alarms) ? open.alarms : [];
    alarms.forEach(function (row) {
        if (!Array.isArray(row) || !(String(row[1]) in byVehicle)) {
            return;
        }
        var group = byVehicle[row[1]];
        if (group.alarms.length < perVehicle) {
            group.alarms.push({ id: Number(row[0]), type: Number(row[2]), title: String(row[3]),
                                time: String(row[4]) });
        }
    });
    return groups;
}

// "YYYY-MM-DD HH:MM:SS" as the station's local time, in milliseconds; NaN for anything else.
export function parseStationTime(text) {
    var match = /^(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})$/.exec(String(text));
    if (!match) {
        return NaN;
    }
    var parts = match.slice(1).map(Number);
    var date = new Date(parts[0], parts[1] - 1, parts[2], parts[3], parts[4], parts[5]);
    // new Date rolls 2011-02-30 over into March: such a time is no time.
    if (date.getMonth() !== parts[1] - 1 || date.getDate() !== parts[2] || date.getHours() !== parts[3]) {
        return NaN;
    }
    return date.getTime();
}

// How long ago the alarm's time was: "45 s", "12 min", "3 h 5 min", "2 d 4 h"; empty for a
// time that cannot be read or lies ahead (a recorder's clock may be wrong).
export function alarmAge(timeText, nowMs) {
    var at = parseStationTime(timeText);
    if (isNaN(at) || at > nowMs + 60000) {
        return '';
    }
    var seconds = Math.max(0, Math.floor((nowMs - at) / 1000));
    if (seconds < 60) {
        return seconds + ' s';
    }
    var minutes = Math.floor(seconds / 60);
    if (minutes < 60) {
        return minutes + ' min';
    }
    var hours = Math.floor(minutes / 60);
    if (hours < 24) {
        return hours + ' h' + (minutes % 60 ? ' ' + (minutes % 60) + ' min' : '');
    }
    var days = Math.floor(hours / 24);
    return days + ' d' + (hours % 24 ? ' ' + (hours % 24) + ' h' : '');
}

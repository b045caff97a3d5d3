import assert from 'node:assert/strict';
import { test } from 'node:test';
import { alarmAge, groupOpenAlarms, parseStationTime } from '../src/alarm-groups.js';

test('open alarms group under their vehicles in the station order, each cut to its share', () => {
    const open = {
        alarms: [[9, 'b', 13, 'B', '2026-12-10 10:00:09'], [8, 'a', 13, 'A', '2026-12-10 10:00:08'],
                 [7, 'b', 2, 'B', '2026-12-10 10:00:07'], [6, 'b', 13, 'B', '2026-12-10 10:00:06'],
                 [5, 'x', 13, 'X', 't'], 'junk', [4, 'a', 13, 'A', '2026-12-10 10:00:04']],
        total: 105,
        // b holds 100 open alarms, of which the station sent three.
        vehicles: [['b', 100, 9], ['a', 2, 8], ['b', 1, 1], [3, 1, 1], 'junk'],
    };
    const groups = groupOpenAlarms(open, 2);
    assert.deepEqual(groups.map((g) => [g.vehicleId, g.count, g.newest, g.alarms.map((a) => a.id)]),
                     [['b', 100, 9, [9, 7]], ['a', 2, 8, [8, 4]]]);
    assert.deepEqual(groups[1].alarms[0], { id: 8, type: 13, title: 'A', time: '2026-12-10 10:00:08' });
    assert.deepEqual(groupOpenAlarms(null, 2), []);
    assert.deepEqual(groupOpenAlarms({ alarms: 'x', vehicles: {} }, 2), []);
});

test('an alarm age reads the station time and gives nothing for a time it cannot trust', () => {
    const now = parseStationTime('2026-12-10 12:00:00');
    const cases = [
        ['2026-12-10 11:59:15', '45 s'],
        ['2026-12-10 12:00:00', '0 s'],
        ['2026-12-10 11:48:00', '12 min'],
        ['2026-12-10 08:55:00', '3 h 5 min'],
        ['2026-12-10 09:00:00', '3 h'],
        ['2026-12-08 08:00:00', '2 d 4 h'],
        ['2026-12-10 12:00:30', '0 s'],  // a clock a little ahead
        ['2026-12-10 12:05:00', ''],     // far ahead
        ['2026-02-30 10:00:00', ''],     // no such day
        ['2026-12-10 25:00:00', ''],
        ['', ''],
        ['2026-12-10T11:00:00', ''],
    ];
    for (const [time, age] of cases) {
        assert.equal(alarmAge(time, now), age, time);
    }
});

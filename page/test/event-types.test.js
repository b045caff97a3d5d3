import assert from 'node:assert/strict';
import { test } from 'node:test';
import { eventName, eventPicture } from '../src/event-types.js';

test('event names of the recorders and of the station', () => {
    const cases = [
        [0, 'Sensor'],
        [13, 'Emergency'],
        ['13', 'Emergency'],
        [14, ''],
        [999, ''],
        [1000, 'Zone enter'],
        [1001, 'Zone exit'],
        [1002, 'Overspeed'],
        [1003, ''],
        [-1, ''],
        [1.5, ''],
        [1000.5, ''],
        ['x', ''],
        [undefined, '']
    ];
    for (const [type, name] of cases) {
        assert.equal(eventName(type), name, String(type));
        assert.equal(eventPicture(type) !== '', name !== '', String(type));
    }
});

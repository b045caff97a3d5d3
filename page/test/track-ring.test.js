import assert from 'node:assert/strict';
import { test } from 'node:test';
import { TrackRing } from '../src/track-ring.js';

const pairs = (ring) => ring.map((lat, lng) => [lat, lng]);
const pushAll = (ring, from, to, capacity) => {
    for (let i = from; i <= to; i++) {
        ring.push(i, -i, capacity);
    }
};

test('the ring keeps the newest points oldest first, across wraps and capacity changes', () => {
    const cases = [
        // name, pushes [from, to, capacity] in turn, latitudes expected
        ['empty', [], []],
        ['under capacity', [[1, 3, 5]], [1, 2, 3]],
        ['exactly full', [[1, 5, 5]], [1, 2, 3, 4, 5]],
        ['wrapped more than once', [[1, 12, 5]], [8, 9, 10, 11, 12]],
        ['shrunk while wrapped keeps the newest', [[1, 7, 5], [8, 8, 3]], [6, 7, 8]],
        ['grown while wrapped keeps all and adds', [[1, 7, 3], [8, 9, 6]], [5, 6, 7, 8, 9]],
        ['a capacity below one keeps one', [[1, 4, 0]], [4]],
    ];
    for (const [name, pushes, expected] of cases) {
        const ring = new TrackRing();
        for (const [from, to, capacity] of pushes) {
            pushAll(ring, from, to, capacity);
        }
        assert.deepEqual(pairs(ring), expected.map((lat) => [lat, -lat]), name);
    }
});

test('a cleared ring starts again and keeps no old point', () => {
    const ring = new TrackRing();
    pushAll(ring, 1, 7, 4);
    ring.clear();
    assert.deepEqual(pairs(ring), []);
    pushAll(ring, 20, 21, 4);
    assert.deepEqual(pairs(ring), [[20, -20], [21, -21]]);
});

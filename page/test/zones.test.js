import assert from 'node:assert/strict';
import { test } from 'node:test';
import { zoneShape } from '../src/zones.js';

const square = '{"type":"Polygon","coordinates":[[[11.5,48.1],[11.6,48.1],[11.6,48.2],[11.5,48.1]]]}';

test('a zone geometry reads as rings in latitude, longitude order or as a circle', () => {
    const cases = [
        [square, { rings: [[[48.1, 11.5], [48.1, 11.6], [48.2, 11.6], [48.1, 11.5]]] }],
        [`{"type":"Feature","properties":{},"geometry":${square}}`,
         { rings: [[[48.1, 11.5], [48.1, 11.6], [48.2, 11.6], [48.1, 11.5]]] }],
        ['{"type":"Feature","properties":{"radius":250},"geometry":{"type":"Point","coordinates":[11.5,48.1]}}',
         { center: [48.1, 11.5], radius: 250 }],
        // Across the 180th meridian: carried on past it, not drawn round the world.
        ['{"type":"Polygon","coordinates":[[[179,-17],[-179,-17],[-179,-16],[179,-17]]]}',
         { rings: [[[-17, 179], [-17, 181], [-16, 181], [-17, 179]]] }],
    ];
    for (const [text, shape] of cases) {
        assert.deepEqual(zoneShape(text), shape, text);
    }
});

test('what is no zone shape is left undrawn', () => {
    for (const text of ['', 'not json', 'null', '{"type":"Polygon"}', '{"type":"Polygon","coordinates":[]}',
                        '{"type":"Polygon","coordinates":[[[1,2],[3,4]]]}',
                        '{"type":"Polygon","coordinates":[[[1,2],[3,"x"],[5,6],[1,2]]]}',
                        '{"type":"Feature","properties":{"radius":0},"geometry":{"type":"Point","coordinates":[1,2]}}',
                        '{"type":"Feature","properties":{},"geometry":{"type":"Point","coordinates":[1,2]}}',
                        '{"type":"LineString","coordinates":[[1,2],[3,4]]}']) {
        assert.equal(zoneShape(text), null, text);
    }
});

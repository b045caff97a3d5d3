import assert from 'node:assert/strict';
import { test } from 'node:test';
import { roadAttribution, satelliteAttribution, tileSource } from '../src/tile-source.js';

const defaults = { road: 'https://road.example/{z}/{x}/{y}.png',
                   satellite: 'https://sky.example/{z}/{y}/{x}' };
const own = { road: 'http://127.0.0.1:9/{z}/{x}/{y}.png', satellite: defaults.satellite };

test('each map type asks the station or the address, with the attribution of a known source', () => {
    const cases = [
        // type, sources, station, url, attribution
        ['map', defaults, true, 'corvane-tile://road/{z}/{x}/{y}', roadAttribution],
        ['map', defaults, false, defaults.road, roadAttribution],
        ['satellite', defaults, true, 'corvane-tile://satellite/{z}/{x}/{y}', satelliteAttribution],
        ['satellite', defaults, false, defaults.satellite, satelliteAttribution],
        ['map', own, true, 'corvane-tile://road/{z}/{x}/{y}', ''],
        ['map', own, false, own.road, ''],
        ['offline', defaults, true, 'corvane-tile://offline/{z}/{x}/{y}', ''],
        // Without the station, offline is the outlines alone.
        ['offline', defaults, false, '', ''],
        // A source switched off shows no tiles, through the station or not.
        ['map', { road: '', satellite: defaults.satellite }, true, '', ''],
        ['satellite', { road: defaults.road, satellite: '' }, false, '', ''],
        // Anything unknown is the road map.
        ['terrain', defaults, true, 'corvane-tile://road/{z}/{x}/{y}', roadAttribution],
    ];
    for (const [type, sources, station, url, attribution] of cases) {
        assert.deepEqual(tileSource(type, sources, defaults, station), { url, attribution },
                         `${type} ${JSON.stringify(sources)} station=${station}`);
    }
});

import assert from 'node:assert/strict';
import { test } from 'node:test';
import { isPosition, latitudeToText, longitudeToText, readDegrees, speedToText }
    from '../src/coordinates.js';

test('only signed decimal degrees on the globe are a position', () => {
    const cases = [
        ['51.5', '-0.12', { lat: 51.5, lng: -0.12 }],
        ['90', '180', { lat: 90, lng: 180 }],
        ['-90', '-180', { lat: -90, lng: -180 }],
        ['0', '0', { lat: 0, lng: 0 }],
        ['90.0000001', '0', null],
        ['0', '180.5', null],
        ['1e300', '0', null],
        ['1e1', '0', null],
        ['0x10', '0', null],
        ['nan', '0', null],
        ['NaN', '0', null],
        ['Infinity', '0', null],
        ['', '0', null],
        [' 1', '0', null],
        ['1.', '0', null],
        ['.5', '0', null],
        ['+1', '0', null],
        ['1,5', '0', null],
        ['--1', '0', null],
        [undefined, '0', null],
        [null, null, null],
        [51.5, -0.12, { lat: 51.5, lng: -0.12 }], // numbers read as their text
    ];
    for (const [lat, lng, expected] of cases) {
        assert.deepEqual(readDegrees(lat, lng), expected, `${lat}, ${lng}`);
    }
});

test('a position value must be a finite number on the globe', () => {
    const cases = [
        [0, 0, true], [90, 180, true], [-90, -180, true], [90.1, 0, false], [0, -180.1, false],
        [NaN, 0, false], [Infinity, 0, false], ['1', '2', false], [null, 0, false],
    ];
    for (const [lat, lng, expected] of cases) {
        assert.equal(isPosition(lat, lng), expected, `${lat}, ${lng}`);
    }
});

test('degrees are written with minutes, seconds and the hemisphere', () => {
    const cases = [
        [latitudeToText, 0, '0\u00B0 0\' 0.00" N'],
        [latitudeToText, -0.5, '0\u00B0 30\' 0.00" S'],
        [latitudeToText, 51.477928, '51\u00B0 28\' 40.54" N'],
        [latitudeToText, 89.9999999, '90\u00B0 0\' 0.00" N'], // never 60.00 seconds
        [longitudeToText, -180, '180\u00B0 0\' 0.00" W'],
        [longitudeToText, 13.999999, '14\u00B0 0\' 0.00" E'],
        [longitudeToText, 0.0000001, '0\u00B0 0\' 0.00" E'],
    ];
    for (const [write, value, text] of cases) {
        assert.equal(write(value), text, `${write.name}(${value})`);
    }
});

test('speed in knots is shown in km/h and mph', () => {
    const cases = [
        [0, '0km/h (0 mph)'],
        [10, '18.52km/h (11.51 mph)'],
        ['1.5', '2.78km/h (1.73 mph)'],
        ['abc', '0km/h (0 mph)'],
        [undefined, '0km/h (0 mph)'],
    ];
    for (const [knots, text] of cases) {
        assert.equal(speedToText(knots), text, String(knots));
    }
});

import assert from 'node:assert/strict';
import { test } from 'node:test';
import { unwrapLongitudes } from '../src/antimeridian.js';
import { fitClearOf } from '../src/track-fit.js';

function rect(left, top, width, height) {
    return { left, top, width, height, right: left + width, bottom: top + height };
}

test('a line across the 180th meridian is carried on past it; one all round keeps its longitudes', () => {
    const cases = [
        ['east to west across 180', [[179, 1], [-179, 2]], [[179, 1], [181, 2]]],
        ['west to east across 180', [[-179, 1], [179, 2]], [[-179, 1], [-181, 2]]],
        ['there and back', [[178, 0], [-178, 0], [178, 1]], [[178, 0], [182, 0], [178, 1]]],
        ['not crossing', [[10, 0], [20, 0], [-5, 1]], [[10, 0], [20, 0], [-5, 1]]],
        ['round the pole', [[-180, -80], [-60, -80], [60, -80], [179, -80], [-180, -80]],
         [[-180, -80], [-60, -80], [60, -80], [179, -80], [-180, -80]]],
        ['one point', [[180, 0]], [[180, 0]]],
        ['none', [], []],
    ];
    for (const [name, points, expected] of cases) {
        assert.deepEqual(unwrapLongitudes(points), expected, name);
    }
});

test('the track is fitted clear of the banner and of the pop-up, taking the larger view', () => {
    const map = rect(200, 27, 700, 573);
    const label = rect(0, 0, 120, 18);
    const noBanner = rect(0, 0, 0, 0);
    const banner = rect(450, 60, 300, 24); // bottom 84: 57 px into the map
    const popup = rect(580, 40, 310, 160); // over the map's top right corner
    // The zoom a padding allows: less room, smaller zoom; wide paddings cost more here.
    const wideCostsMore = ([x, y]) => 18 - x / 50 - y / 100;
    const tallCostsMore = ([x, y]) => 18 - x / 100 - y / 50;
    const cases = [
        ['nothing over the map', noBanner, null, wideCostsMore, [70, 38], [70, 30]],
        ['the banner pushes the top down', banner, null, wideCostsMore, [70, 95], [70, 30]],
        ['below the pop-up when width is dearer', noBanner, popup, wideCostsMore, [70, 211], [70, 30]],
        ['left of the pop-up when height is dearer', noBanner, popup, tallCostsMore, [70, 38], [390, 30]],
        ['a pop-up off the map is no obstacle', noBanner, rect(950, 40, 300, 150), wideCostsMore,
         [70, 38], [70, 30]],
        ['a hidden pop-up is no obstacle', noBanner, rect(580, 40, 0, 0), tallCostsMore, [70, 38], [70, 30]],
    ];
    for (const [name, bannerRect, popupRect, zoomFor, topLeft, bottomRight] of cases) {
        const fit = fitClearOf({ map, label, banner: bannerRect, popup: popupRect }, zoomFor);
        assert.deepEqual(fit.paddingTopLeft, topLeft, name);
        assert.deepEqual(fit.paddingBottomRight, bottomRight, name);
        assert.equal(fit.animate, false);
    }
});

test('the room kept grows with the time label', () => {
    const map = rect(0, 0, 800, 600);
    const fit = fitClearOf({ map, label: rect(0, 0, 300, 40), banner: null, popup: null }, () => 10);
    assert.deepEqual(fit.paddingTopLeft, [160, 60]);
    assert.deepEqual(fit.paddingBottomRight, [160, 30]);
});

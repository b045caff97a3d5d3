import assert from 'node:assert/strict';
import { test } from 'node:test';
import { ClusterIndex } from '../src/cluster-index.js';

// A 10 x 10 grid of vehicles 0.01 degrees apart near Munich, one of them alarming, and two
// vehicles on either side of the 180th meridian.
function fleet() {
    const points = [];
    for (let i = 0; i < 100; i++) {
        points.push({ vehicleID: 'v' + i, lat: 48 + Math.floor(i / 10) * 0.01, lng: 11 + (i % 10) * 0.01,
                      alarm: i === 57 });
    }
    points.push({ vehicleID: 'east', lat: -17, lng: 179.9 });
    points.push({ vehicleID: 'west', lat: -17, lng: -179.9 });
    return points;
}

function summary(shown) {
    const clusters = shown.filter((s) => s.cluster !== undefined);
    return {
        alone: shown.filter((s) => s.vehicleID !== undefined).map((s) => s.vehicleID).sort(),
        counted: clusters.reduce((sum, c) => sum + c.count, 0),
        alarming: clusters.filter((c) => c.alarm).map((c) => c.count),
    };
}

test('the view shows every vehicle once, alone or counted, an alarm showing through its cluster', () => {
    const index = new ClusterIndex();
    index.load(fleet());
    const munich = [10.9, 47.9, 11.2, 48.2];
    const cases = [
        // The whole world at zoom 2: the grid is one cluster, alarming; the pair near the
        // antimeridian is far apart on the map, each alone.
        { box: [-180, -85, 180, 85], zoom: 2, alone: ['east', 'west'], counted: 100, alarming: [100] },
        // Deep enough that nothing joins.
        { box: munich, zoom: 16, alone: fleet().slice(0, 100).map((p) => p.vehicleID).sort(), counted: 0,
          alarming: [] },
        // A view across the antimeridian finds both sides of it.
        { box: [179, -18, 181, -16], zoom: 16, alone: ['east', 'west'], counted: 0, alarming: [] },
        // A view panned a world to the west is the same world.
        { box: [-180 - 360, -85, 180 - 360, 85], zoom: 2, alone: ['east', 'west'], counted: 100,
          alarming: [100] },
    ];
    for (const c of cases) {
        const got = summary(index.query(c.box[0], c.box[1], c.box[2], c.box[3], c.zoom));
        assert.deepEqual(got, { alone: c.alone, counted: c.counted, alarming: c.alarming }, JSON.stringify(c.box));
    }
});

test('a cluster names its vehicles and the zoom at which it falls apart', () => {
    const index = new ClusterIndex();
    index.load(fleet());
    const [grid] = index.query(10.9, 47.9, 11.2, 48.2, 5);
    assert.equal(grid.count, 100);
    assert.equal(index.vehicles(grid.cluster).length, 100);
    const apart = index.expansionZoom(grid.cluster);
    assert.ok(apart > 5 && apart <= ClusterIndex.maxZoom + 1, String(apart));
    const next = index.query(10.9, 47.9, 11.2, 48.2, apart);
    assert.ok(next.length > 1, 'still one cluster at its own expansion zoom');
    // Two vehicles on one spot never part: the zoom past the last that groups.
    const pair = new ClusterIndex();
    pair.load([{ vehicleID: 'a', lat: 1, lng: 2 }, { vehicleID: 'b', lat: 1, lng: 2 }]);
    const [both] = pair.query(0, 0, 3, 3, 10);
    assert.equal(pair.expansionZoom(both.cluster), ClusterIndex.maxZoom + 1);
    // Nothing loaded, nothing shown.
    assert.deepEqual(new ClusterIndex().query(-180, -85, 180, 85, 3), []);
});

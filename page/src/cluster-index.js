import Supercluster from 'supercluster';

// Which vehicles the map shows one by one and which together, as a count, at a zoom.
// Pure logic over plain points ({ vehicleID, lat, lng, alarm }), no page and no map library:
// the marker layer loads the positions it draws and asks for the view it shows.
//
// Leaflet's tiles are 256 pixels and the index reckons with 512, so radiusPixels is the
// distance on the screen within which markers join.
export function ClusterIndex() {
    this.features = [];
    this.level = null;
}
// Above this zoom every vehicle stands alone: a street's worth of vehicles is no crowd.
ClusterIndex.maxZoom = 15;
ClusterIndex.radiusPixels = 45;

// The grouping of some vehicles at one zoom, from their own positions. A map shows one zoom
// at a time, and the vehicles move: grouping every zoom at each regroup cost ten times the
// one that is seen (most of the page's work at ten thousand vehicles).
function grouping(features, zoom) {
    var z = Math.min(zoom, ClusterIndex.maxZoom);
    var index = new Supercluster({
        radius: ClusterIndex.radiusPixels * 2,
        minZoom: z,
        maxZoom: z,
        // A cluster is alarming when any vehicle in it is.
        map: function (props) { return { alarm: props.alarm }; },
        reduce: function (accumulated, props) { accumulated.alarm = accumulated.alarm || props.alarm; }
    });
    index.load(features);
    return index;
}

// New positions: the grouping is made again when a zoom is next asked for.
ClusterIndex.prototype.load = function (points) {
    var features = new Array(points.length);
    for (var i = 0; i < points.length; i++) {
        var p = points[i];
        features[i] = {
            type: 'Feature',
            properties: { vehicleID: p.vehicleID, alarm: Boolean(p.alarm) },
            geometry: { type: 'Point', coordinates: [p.lng, p.lat] }
        };
    }
    this.features = features;
    this.level = null;
};

// The grouping at a whole zoom (past maxZoom: none), made once per load.
ClusterIndex.prototype.at = function (zoom) {
    var z = Math.max(0, Math.min(Math.floor(zoom), ClusterIndex.maxZoom + 1));
    if (!this.level || this.level.zoom !== z) {
        this.level = { zoom: z, index: grouping(this.features, z) };
    }
    return this.level;
};

// What the view from west to east and south to north shows at a zoom: vehicles alone as
// { vehicleID, lat, lng }, the others as { cluster, count, alarm, lat, lng }. A view wider
// than the world asks for all of it; one across the antimeridian, for both sides of it.
ClusterIndex.prototype.query = function (west, south, east, north, zoom) {
    if (this.features.length === 0) {
        return [];
    }
    var level = this.at(zoom);
    var boxes = [];
    if (east - west >= 360) {
        boxes.push([-180, south, 180, north]);
    } else {
        var w = ((west + 180) % 360 + 360) % 360 - 180;
        var e = w + (east - west);
        if (e > 180) {
            boxes.push([w, south, 180, north], [-180, south, e - 360, north]);
        } else {
            boxes.push([w, south, e, north]);
        }
    }
    var shown = [];
    for (var b = 0; b < boxes.length; b++) {
        var features = level.index.getClusters(boxes[b], level.zoom);
        for (var i = 0; i < features.length; i++) {
            var f = features[i];
            var lng = f.geometry.coordinates[0];
            var lat = f.geometry.coordinates[1];
            if (f.properties.cluster) {
                shown.push({ cluster: f.properties.cluster_id, count: f.properties.point_count,
                             alarm: Boolean(f.properties.alarm), lat: lat, lng: lng });
            } else {
                shown.push({ vehicleID: f.properties.vehicleID, lat: lat, lng: lng });
            }
        }
    }
    return shown;
};

// Of a cluster the last query showed: the vehicles it holds, and the first zoom at which
// they no longer make one group (past maxZoom when they never part).
ClusterIndex.prototype.leaves = function (cluster) {
    return this.level ? this.level.index.getLeaves(cluster, Infinity) : [];
};
ClusterIndex.prototype.vehicles = function (cluster) {
    return this.leaves(cluster).map(function (f) { return f.properties.vehicleID; });
};
ClusterIndex.prototype.expansionZoom = function (cluster) {
    var leaves = this.leaves(cluster);
    var from = this.level ? this.level.zoom + 1 : 0;
    for (var z = from; z <= ClusterIndex.maxZoom; z++) {
        if (grouping(leaves, z).getClusters([-180, -90, 180, 90], z).length > 1) {
            return z;
        }
    }
    return ClusterIndex.maxZoom + 1;
};

import Supercluster from 'supercluster';

// Which vehicles the map shows one by one and which together, as a count, at a zoom.
// Pure logic over plain points ({ vehicleID, lat, lng, alarm }), no page and no map library:
// the marker layer loads the positions it draws and asks for the view it shows.
//
// Leaflet's tiles are 256 pixels and the index reckons with 512, so radiusPixels is the
// distance on the screen within which markers join.
export function ClusterIndex() {
    this.index = null;
}
// Above this zoom every vehicle stands alone: a street's worth of vehicles is no crowd.
ClusterIndex.maxZoom = 15;
ClusterIndex.radiusPixels = 45;

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
    this.index = new Supercluster({
        radius: ClusterIndex.radiusPixels * 2,
        maxZoom: ClusterIndex.maxZoom,
        // A cluster is alarming when any vehicle in it is.
        map: function (props) { return { alarm: props.alarm }; },
        reduce: function (accumulated, props) { accumulated.alarm = accumulated.alarm || props.alarm; }
    });
    this.index.load(features);
};

// What the view from west to east and south to north shows at a zoom: vehicles alone as
// { vehicleID, lat, lng }, the others as { cluster, count, alarm, lat, lng }. A view wider
// than the world asks for all of it; one across the antimeridian, for both sides of it.
ClusterIndex.prototype.query = function (west, south, east, north, zoom) {
    if (!this.index) {
        return [];
    }
    var z = Math.max(0, Math.floor(zoom));
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
        var features = this.index.getClusters(boxes[b], z);
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

// The zoom at which a cluster falls apart, and the vehicles it holds.
ClusterIndex.prototype.expansionZoom = function (cluster) {
    return this.index.getClusterExpansionZoom(cluster);
};
ClusterIndex.prototype.vehicles = function (cluster) {
    return this.index.getLeaves(cluster, Infinity).map(function (f) { return f.properties.vehicleID; });
};

import { unwrapLongitudes } from './antimeridian.js';
import { global } from './state.js';

// The station's zones under the vehicles, each with its name. The station sends only
// the zones it watches, their geometry as the stored GeoJSON text: a Polygon (or a
// Feature holding one), or a Feature of a Point with "radius" in metres (a circle).
// Whatever cannot be read as one of these is left undrawn; names are shown as text.
var zones = { shown: [], layers: [], pane: null };

// What the map's zone editing adds to each drawn zone (its edit and removal), set by
// that module; the drawing itself needs none of it.
export var zoneHooks = { layerMade: null };

// The rings of a polygon geometry, or null; longitudes carried across the 180th
// meridian, so a zone there is drawn where it is rather than round the world.
function polygonRings(geometry) {
    if (!geometry || geometry.type !== 'Polygon' || !Array.isArray(geometry.coordinates)) {
        return null;
    }
    var rings = [];
    for (var r = 0; r < geometry.coordinates.length; r++) {
        var ring = geometry.coordinates[r];
        if (!Array.isArray(ring) || ring.length < 4) {
            return null;
        }
        var points = [];
        for (var i = 0; i < ring.length; i++) {
            var lng = Number(ring[i] && ring[i][0]);
            var lat = Number(ring[i] && ring[i][1]);
            if (!isFinite(lng) || !isFinite(lat)) {
                return null;
            }
            points.push([lng, lat]);
        }
        rings.push(unwrapLongitudes(points).map(function (p) { return [p[1], p[0]]; }));
    }
    return rings.length > 0 ? rings : null;
}

// What to draw for one zone's geometry text: { rings } or { center, radius }, or null.
export function zoneShape(text) {
    var value;
    try {
        value = JSON.parse(String(text));
    } catch (e) {
        return null;
    }
    if (value && value.type === 'Feature') {
        var geometry = value.geometry;
        var radius = Number(value.properties && value.properties.radius);
        if (geometry && geometry.type === 'Point' && Array.isArray(geometry.coordinates)) {
            var lng = Number(geometry.coordinates[0]);
            var lat = Number(geometry.coordinates[1]);
            if (!isFinite(lat) || !isFinite(lng) || !(radius > 0)) {
                return null;
            }
            return { center: [lat, lng], radius: radius };
        }
        value = geometry;
    }
    var rings = polygonRings(value);
    return rings ? { rings: rings } : null;
}

function nameLabel(name) {
    var label = document.createElement('span');
    label.className = 'zoneName';
    label.textContent = String(name);
    return label;
}

function drawZones() {
    var map = global.map && global.map.map;
    if (!map) {
        return;
    }
    zones.layers.forEach(function (layer) { map.removeLayer(layer); });
    zones.layers = [];
    if (!zones.pane) {
        // Above the tiles and the world outlines, beneath the vehicles and the track.
        zones.pane = map.createPane('zonePane');
        zones.pane.style.zIndex = 380;
    }
    // Interactive only for the editing tools (pmIgnore false: the one kind of layer
    // they may change); a click on a zone does nothing else.
    var style = { pane: 'zonePane', color: '#1F5FBF', weight: 2, opacity: 0.8, fillColor: '#1F5FBF',
                  fillOpacity: 0.08, interactive: true, bubblingMouseEvents: true, pmIgnore: false };
    zones.shown.forEach(function (zone) {
        var shape = zoneShape(zone.geometry);
        if (!shape) {
            return;
        }
        var layer = shape.rings ? L.polygon(shape.rings, style)
                                : L.circle(shape.center, L.extend({ radius: shape.radius }, style));
        layer.bindTooltip(nameLabel(zone.name), { permanent: true, direction: 'center',
                                                  className: 'zoneLabel', pane: 'zonePane' });
        layer.zoneId = zone.id;
        layer.addTo(map);
        zones.layers.push(layer);
        if (zoneHooks.layerMade) {
            zoneHooks.layerMade(layer);
        }
    });
}

// The station's call with every zone it watches: [{ id, name, geometry }, ...].
export function setZones(list) {
    zones.shown = Array.isArray(list) ? list : [];
    drawZones();
}

// Once the map exists (zones sent before it are drawn then).
export function initializeZones() {
    drawZones();
}

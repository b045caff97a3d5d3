import { unwrapLongitudes } from './antimeridian.js';
import { global } from './state.js';

// ---- The built-in world layer ----
// Land, coastlines and country borders at 1:110 million, drawn beneath the tiles: where
// tiles cannot load (no network) the operator still sees where the vehicles are. The map
// selector's "Offline" shows it beneath the station's offline tiles (the operator's tile files).
var worldLayer = {
    attribution: 'Outlines: Made with Natural Earth',
    sea: '#AAD3DF',
    land: '#F2EFE9',
    coast: '#6A8FA8',
    border: '#A88FA8',
    group: null
};

function unwrapGeometry(coordinates, depth) {
    return depth === 1 ? unwrapLongitudes(coordinates)
                       : coordinates.map(function (c) { return unwrapGeometry(c, depth - 1); });
}
function unwrapFeature(geoJson) {
    var depths = { LineString: 1, MultiLineString: 2, Polygon: 2, MultiPolygon: 3 };
    var fix = function (geometry) {
        if (geometry && depths[geometry.type]) {
            geometry.coordinates = unwrapGeometry(geometry.coordinates, depths[geometry.type]);
        }
    };
    if (geoJson.type === 'FeatureCollection') {
        geoJson.features.forEach(function (f) { fix(f.geometry); });
    } else if (geoJson.type === 'Feature') {
        fix(geoJson.geometry);
    } else {
        fix(geoJson);
    }
    return geoJson;
}

export function initializeWorldLayer() {
    var map = global.map.map;
    var pane = map.createPane('worldPane');
    // Beneath the tile pane (z-index 200), above the map's own sea-coloured background.
    pane.style.zIndex = 150;
    pane.style.pointerEvents = 'none';
    var renderer = L.canvas({ pane: 'worldPane', padding: 0.5 });
    var countries = worldAtlas.objects.countries;
    var options = function (style) {
        return L.extend({ pane: 'worldPane', renderer: renderer, interactive: false }, style);
    };
    var land = L.geoJSON(unwrapFeature(topojson.feature(worldAtlas, countries)),
                         options({ style: { stroke: false, fill: true, fillColor: worldLayer.land,
                                            fillOpacity: 1 } }));
    var borders = L.geoJSON(unwrapFeature(topojson.mesh(worldAtlas, countries, function (a, b) { return a !== b; })),
                            options({ style: { color: worldLayer.border, weight: 1, opacity: 0.9 } }));
    var coasts = L.geoJSON(unwrapFeature(topojson.mesh(worldAtlas, countries, function (a, b) { return a === b; })),
                           options({ style: { color: worldLayer.coast, weight: 1, opacity: 1 } }));
    worldLayer.group = L.layerGroup([land, borders, coasts], { attribution: worldLayer.attribution });
    worldLayer.group.addTo(map);
    map.attributionControl.addAttribution(worldLayer.attribution);
}

import { MarkerLayer } from './marker-layer.js';
import { global } from './state.js';
import { tileSource } from './tile-source.js';

// The map service behind one small adapter, so the rest of the page never touches the
// tile library directly. Points are L.LatLng objects; 0 stands for an unknown position.
export function MapAdapter(element, sources) {
    var self = this;
    this.sources = sources;
    this.type = 'map';
    this.stationTiles = global.stationTiles;
    this.tileLayer = null;
    this.overlays = [];
    this.map = L.map(element, { center: [0, 0], zoom: 0, zoomControl: true, attributionControl: true,
                                fadeAnimation: false, worldCopyJump: false,
                                // The zone tools work on the map and on the zones alone.
                                pmIgnore: false });
    this.map.attributionControl.setPrefix(false);
    this.markerPane = this.map.createPane('vehicleMarkerPane');
    this.markerPane.style.zIndex = 650;
    this.markerLayer = new MarkerLayer(this);
    // The markers' canvas moves with the map while it pans and is drawn again once the view
    // settles.
    this.map.on('zoomend viewreset moveend resize', function () {
        self.markerLayer.drawNow();
    });
    this.applyTiles();
}
MapAdapter.prototype.applyTiles = function () {
    if (this.tileLayer) {
        this.map.removeLayer(this.tileLayer);
        this.tileLayer = null;
    }
    var source = tileSource(this.type, this.sources, MapAdapter.defaultSources, this.stationTiles);
    // The world outlines lie beneath the tiles: "Offline" without tile files shows them alone.
    if (!source.url) {
        return;
    }
    // Tiles that fail to load (no network, no file has them) simply stay blank over the
    // outlines; nothing waits for them.
    this.tileLayer = L.tileLayer(source.url, { maxZoom: 19, attribution: source.attribution,
                                               crossOrigin: false });
    this.tileLayer.addTo(this.map);
};
MapAdapter.prototype.setSources = function (sources) {
    this.sources = sources;
    this.applyTiles();
};
MapAdapter.prototype.setStationTiles = function (enabled) {
    this.stationTiles = Boolean(enabled);
    this.applyTiles();
};
MapAdapter.prototype.setType = function (type) {
    this.type = type === 'satellite' || type === 'offline' ? type : 'map';
    this.applyTiles();
};
MapAdapter.prototype.setCenter = function (point) {
    this.map.setView(point, this.map.getZoom(), { animate: false });
};
MapAdapter.prototype.panTo = function (point) {
    this.map.panTo(point, { animate: false });
};
MapAdapter.prototype.contains = function (point) {
    return this.map.getBounds().contains(point);
};
MapAdapter.prototype.relayout = function () {
    this.map.invalidateSize(false);
};
MapAdapter.prototype.toLayerPoint = function (point) {
    return this.map.latLngToLayerPoint(point);
};
// Vehicle markers, all drawn by the one marker layer.
MapAdapter.prototype.addOverlay = function (overlay) {
    this.overlays.push(overlay);
    this.markerLayer.regrouped();
};
MapAdapter.prototype.removeOverlay = function (overlay) {
    var i = this.overlays.indexOf(overlay);
    if (i >= 0) {
        this.overlays.splice(i, 1);
    }
    this.markerLayer.regrouped();
};
MapAdapter.prototype.markersChanged = function () {
    this.markerLayer.changed();
};
MapAdapter.prototype.markersRegrouped = function () {
    this.markerLayer.regrouped();
};
MapAdapter.prototype.createPolyline = function (style) {
    return new MapPolyline(this, style);
};
// Asks the reverse geocoder for the addresses of a point. The answer arrives later, or
// never: callback(status, results) with status 'OK' and results [{ formatted_address }],
// most precise first.
MapAdapter.prototype.reverseGeocode = function (point, callback) {
    var template = this.sources.geocoder;
    if (!template || typeof fetch !== 'function') {
        return;
    }
    var url = template.replace('{lat}', encodeURIComponent(point.lat.toFixed(6)))
                      .replace('{lon}', encodeURIComponent(point.lng.toFixed(6)));
    var controller = typeof AbortController === 'function' ? new AbortController() : null;
    var timer = controller ? setTimeout(function () { controller.abort(); }, 10000) : 0;
    fetch(url, controller ? { signal: controller.signal } : {})
        .then(function (response) {
            if (!response.ok) {
                throw new Error('geocoder status ' + response.status);
            }
            return response.json();
        })
        .then(function (answer) {
            clearTimeout(timer);
            var name = answer && typeof answer.display_name === 'string' ? answer.display_name : '';
            if (!name) {
                callback('ZERO_RESULTS', []);
                return;
            }
            // The full address first, then the same address one level coarser.
            var results = [{ formatted_address: name }];
            var comma = name.indexOf(', ');
            if (comma >= 0) {
                results.push({ formatted_address: name.substring(comma + 2) });
            }
            callback('OK', results);
        })
        .catch(function () {
            clearTimeout(timer);
            callback('ERROR', []);
        });
};

// One line drawn on the map. Its path comes from the caller's function, asked at each
// redraw: after the path changed, call refresh() to redraw it.
function noPath() {
    return [];
}
function MapPolyline(adapter, style) {
    this.adapter = adapter;
    this.path = noPath;
    this.attached = false;
    this.pending = false;
    this.line = L.polyline([], { color: style.color, opacity: style.opacity, weight: style.weight,
                                 interactive: false });
}
MapPolyline.prototype.setPath = function (path) {
    this.path = path || noPath;
    this.line.setLatLngs(this.path());
};
// Redraws at the next frame at most once, however many points arrived meanwhile: a
// redraw costs the whole path, a new point alone should not.
MapPolyline.prototype.refresh = function () {
    var self = this;
    if (!this.attached || this.pending) {
        return;
    }
    this.pending = true;
    requestAnimationFrame(function () {
        self.pending = false;
        if (self.attached) {
            self.line.setLatLngs(self.path());
        }
    });
};
MapPolyline.prototype.attach = function () {
    if (!this.attached) {
        this.line.setLatLngs(this.path());
        this.line.addTo(this.adapter.map);
        this.attached = true;
    }
};
MapPolyline.prototype.detach = function () {
    if (this.attached) {
        this.adapter.map.removeLayer(this.line);
        this.attached = false;
    }
};
MapAdapter.defaultSources = L.extend({}, global.mapSources);

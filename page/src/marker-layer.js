import { vehicleAlarms } from './alarm.js';
import { ClusterIndex } from './cluster-index.js';
import { findMarker } from './fleet.js';
import { onMarkerPressed } from './selection.js';
import { global } from './state.js';

// Every vehicle marker drawn together on one canvas over the map: one element however many
// vehicles there are, where an element per marker cost the compositor a layer each. Above
// clusterAbove vehicles on the map, markers close together at a low zoom are drawn as one
// circle with their count (red while the flash is lit if any of them has an alarm); a click
// on it zooms in until it falls apart. The selected vehicle, and the one whose pop-up is
// open, always stand alone, on top. A fleet of up to clusterAbove looks as it always did.
//
// Frames: markers moving ask for a frame, drawn at most once every frameMs, and spaced
// further when drawing took long (costShare times the last frame's cost), so that drawing
// keeps to about a sixteenth of a core however many vehicles move: a hundred moving
// markers every 160 ms, as when each was an element of its own. Panning carries the canvas
// with the map; it is drawn again when the view settles.
export function MarkerLayer(adapter) {
    var self = this;
    this.adapter = adapter;
    this.canvas = document.createElement('canvas');
    this.canvas.className = 'markerLayer leaflet-zoom-hide';
    adapter.markerPane.appendChild(this.canvas);
    this.timer = 0;
    this.lastFrame = -Infinity;
    this.lastCost = 0;
    this.frames = 0;
    this.placed = [];
    this.placements = {};
    this.clusters = [];
    // Patterns by sprite; a sprite no longer cached is let go with its pattern.
    this.patterns = new WeakMap();
    this.index = null;
    this.indexedAt = -Infinity;
    this.indexedApart = '';
    this.regroup = true;
    this.pressedCluster = null;
    this.hoverPending = false;
    var container = adapter.map.getContainer();
    // Capturing: a press on a marker must not start a drag of the map beneath it.
    container.addEventListener('mousedown', function (e) { self.onPress(e); }, true);
    container.addEventListener('click', function (e) { self.onClick(e); }, true);
    container.addEventListener('dblclick', function (e) {
        if (self.hitEvent(e)) {
            e.stopPropagation();
        }
    }, true);
    container.addEventListener('mousemove', function (e) { self.onHover(e); });
}
MarkerLayer.frameMs = 80;
MarkerLayer.costShare = 16;
MarkerLayer.clusterAbove = 101;
// Vehicles moving regroup at most this often; one added, removed, selected or alarming
// regroups at the next frame.
MarkerLayer.regroupMs = 1000;
// How far beyond the view a marker is still drawn: half of it may show.
MarkerLayer.viewMargin = 32;

MarkerLayer.prototype.changed = function () {
    if (this.timer) {
        return;
    }
    var spacing = Math.max(MarkerLayer.frameMs, this.lastCost * MarkerLayer.costShare);
    var wait = this.lastFrame + spacing - performance.now();
    var self = this;
    this.timer = setTimeout(function () { self.draw(); }, Math.max(0, wait));
};
MarkerLayer.prototype.regrouped = function () {
    this.regroup = true;
    this.changed();
};
MarkerLayer.prototype.drawNow = function () {
    this.draw();
};

// The vehicles standing alone whatever the zoom, as one text to notice a change by.
function apartKey() {
    return String(global.currentVehicle) + '\n' + String(global.currentClickImg);
}
function standsApart(vehicleID) {
    return vehicleID === global.currentVehicle || vehicleID === global.currentClickImg;
}
function drawable(marker) {
    return Boolean(marker.position) && !marker.hidden;
}

MarkerLayer.prototype.clustering = function (zoom) {
    if (zoom > ClusterIndex.maxZoom) {
        return false;
    }
    var overlays = this.adapter.overlays;
    var count = 0;
    for (var i = 0; i < overlays.length && count <= MarkerLayer.clusterAbove; i++) {
        if (drawable(overlays[i])) {
            count++;
        }
    }
    return count > MarkerLayer.clusterAbove;
};

MarkerLayer.prototype.indexMarkers = function (now) {
    var overlays = this.adapter.overlays;
    var points = [];
    for (var i = 0; i < overlays.length; i++) {
        var m = overlays[i];
        if (drawable(m) && !standsApart(m.vehicleID)) {
            points.push({ vehicleID: m.vehicleID, lat: m.position.lat, lng: m.position.lng,
                          alarm: m.alarm });
        }
    }
    if (!this.index) {
        this.index = new ClusterIndex();
    }
    this.index.load(points);
    this.indexedAt = now;
    this.indexedApart = apartKey();
    this.regroup = false;
};

MarkerLayer.prototype.draw = function () {
    if (this.timer) {
        clearTimeout(this.timer);
        this.timer = 0;
    }
    var start = performance.now();
    this.lastFrame = start;
    var map = this.adapter.map;
    var size = map.getSize();
    var ratio = window.devicePixelRatio || 1;
    L.DomUtil.setPosition(this.canvas, map.containerPointToLayerPoint([0, 0]).round());
    var width = Math.max(1, Math.round(size.x * ratio));
    var height = Math.max(1, Math.round(size.y * ratio));
    if (this.canvas.width !== width || this.canvas.height !== height) {
        this.canvas.width = width;
        this.canvas.height = height;
        this.canvas.style.width = size.x + 'px';
        this.canvas.style.height = size.y + 'px';
    }
    var ctx = this.canvas.getContext('2d');
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.clearRect(0, 0, width, height);
    this.placed = [];
    this.placements = {};
    this.clusters = [];
    this.frame = { ctx: ctx, ratio: ratio, map: map, size: size };

    var overlays = this.adapter.overlays;
    var apart = [];
    var i;
    if (this.clustering(map.getZoom())) {
        if (this.regroup || !this.index || this.indexedApart !== apartKey() ||
            start - this.indexedAt >= MarkerLayer.regroupMs) {
            this.indexMarkers(start);
        }
        var bounds = map.getBounds().pad(0.1);
        var shown = this.index.query(bounds.getWest(), bounds.getSouth(), bounds.getEast(),
                                     bounds.getNorth(), map.getZoom());
        for (i = 0; i < shown.length; i++) {
            if (shown[i].cluster !== undefined) {
                this.drawCluster(shown[i]);
            } else {
                var alone = findMarker(shown[i].vehicleID);
                if (alone && drawable(alone) && !standsApart(alone.vehicleID)) {
                    this.drawMarker(alone);
                }
            }
        }
        for (i = 0; i < overlays.length; i++) {
            if (standsApart(overlays[i].vehicleID) && drawable(overlays[i])) {
                apart.push(overlays[i]);
            }
        }
    } else {
        this.index = null;
        for (i = 0; i < overlays.length; i++) {
            if (!drawable(overlays[i])) {
                continue;
            }
            if (standsApart(overlays[i].vehicleID)) {
                apart.push(overlays[i]);
            } else {
                this.drawMarker(overlays[i]);
            }
        }
    }
    for (i = 0; i < apart.length; i++) {
        this.drawMarker(apart[i]);
    }
    // The engine paints the canvas later, and that is most of a frame's cost: reading one
    // pixel has it paint now, so that the cost, and the spacing of the frames, are known.
    ctx.getImageData(0, 0, 1, 1);
    this.frame = null;
    this.frames++;
    this.lastCost = performance.now() - start;
};

MarkerLayer.prototype.drawMarker = function (marker) {
    var f = this.frame;
    var p = f.map.latLngToContainerPoint(marker.position);
    var margin = MarkerLayer.viewMargin;
    if (p.x < -margin || p.y < -margin || p.x > f.size.x + margin || p.y > f.size.y + margin) {
        return;
    }
    var sprite = marker.sprite();
    var x = Math.round(p.x - sprite.width / 2) + sprite.width / 2;
    var y = Math.round(p.y - sprite.height / 2) + sprite.height / 2;
    var c = Math.cos(marker.angle) * f.ratio;
    var s = Math.sin(marker.angle) * f.ratio;
    f.ctx.setTransform(c, s, -s, c, x * f.ratio, y * f.ratio);
    // A timed-out vehicle fades a little, unless its alarm calls.
    f.ctx.globalAlpha = marker.status === 'timedout' && !marker.alarm ? 0.7 : 1;
    f.ctx.fillStyle = this.patternOf(sprite);
    f.ctx.fillRect(-sprite.width / 2, -sprite.height / 2, sprite.width, sprite.height);
    f.ctx.globalAlpha = 1;
    var reach = Math.max(sprite.width, sprite.height) / 2 - 4;
    this.placed.push({ vehicleID: marker.vehicleID, x: x, y: y, reach: reach });
    this.placements[marker.vehicleID] = { x: x, y: y, angle: marker.angle, width: sprite.width,
                                          height: sprite.height };
};

// A sprite is laid on the canvas as a pattern filling its square: the web engine takes a
// thousand such fills in the time of a few dozen drawImage calls, each of which costs it
// more than a millisecond here.
MarkerLayer.prototype.patternOf = function (sprite) {
    if (!this.patterns.has(sprite)) {
        var pattern = this.frame.ctx.createPattern(sprite, 'no-repeat');
        pattern.setTransform(new DOMMatrix([1, 0, 0, 1, -sprite.width / 2, -sprite.height / 2]));
        this.patterns.set(sprite, pattern);
    }
    return this.patterns.get(sprite);
};

MarkerLayer.clusterRadius = function (count) {
    return Math.round(12 + 5 * Math.log(count) / Math.LN10);
};
MarkerLayer.prototype.drawCluster = function (cluster) {
    var f = this.frame;
    var p = f.map.latLngToContainerPoint([cluster.lat, cluster.lng]);
    var r = MarkerLayer.clusterRadius(cluster.count);
    if (p.x < -r || p.y < -r || p.x > f.size.x + r || p.y > f.size.y + r) {
        return;
    }
    var lit = cluster.alarm && vehicleAlarms.flashOn;
    var ctx = f.ctx;
    ctx.setTransform(f.ratio, 0, 0, f.ratio, 0, 0);
    ctx.beginPath();
    ctx.arc(p.x, p.y, r, 0, 2 * Math.PI);
    ctx.fillStyle = lit ? 'rgba(224, 32, 32, 0.92)' : 'rgba(35, 64, 141, 0.85)';
    ctx.fill();
    ctx.lineWidth = cluster.alarm ? 3 : 2;
    ctx.strokeStyle = cluster.alarm ? '#E02020' : '#FFFFFF';
    ctx.stroke();
    ctx.fillStyle = '#FFFFFF';
    ctx.font = 'bold 11px Arial, sans-serif';
    ctx.textAlign = 'center';
    ctx.textBaseline = 'middle';
    ctx.fillText(String(cluster.count), p.x, p.y + 0.5);
    var drawn = { cluster: cluster.cluster, count: cluster.count, alarm: cluster.alarm, lit: lit,
                  x: p.x, y: p.y, reach: r };
    this.placed.push(drawn);
    this.clusters.push(drawn);
};

// The topmost marker or cluster at a point of the map's container, or null.
MarkerLayer.prototype.hit = function (x, y) {
    for (var i = this.placed.length - 1; i >= 0; i--) {
        var d = this.placed[i];
        if (Math.abs(x - d.x) <= d.reach && Math.abs(y - d.y) <= d.reach) {
            return d;
        }
    }
    return null;
};
MarkerLayer.prototype.hitEvent = function (e) {
    // The map's own controls lie over the markers.
    if (e.target.closest && e.target.closest('.leaflet-control')) {
        return null;
    }
    var p = this.adapter.map.mouseEventToContainerPoint(e);
    return this.hit(p.x, p.y);
};
MarkerLayer.prototype.onPress = function (e) {
    this.pressedCluster = null;
    var hit = this.hitEvent(e);
    if (!hit) {
        return;
    }
    if (hit.cluster !== undefined) {
        // The map may still be dragged from a cluster; only a click opens it.
        this.pressedCluster = { cluster: hit.cluster, x: e.clientX, y: e.clientY };
        return;
    }
    e.stopPropagation();
    if (e.button === 0) {
        onMarkerPressed(hit.vehicleID, e);
    }
};
MarkerLayer.prototype.onClick = function (e) {
    var pressed = this.pressedCluster;
    this.pressedCluster = null;
    if (!pressed || e.button !== 0 || Math.abs(e.clientX - pressed.x) > 4 ||
        Math.abs(e.clientY - pressed.y) > 4) {
        return;
    }
    var hit = this.hitEvent(e);
    if (hit && hit.cluster === pressed.cluster) {
        e.stopPropagation();
        this.openCluster(hit);
    }
};
// Zooms in on a cluster as far as it takes to fall apart.
MarkerLayer.prototype.openCluster = function (drawn) {
    if (!this.index) {
        return;
    }
    var map = this.adapter.map;
    var zoom = Math.min(this.index.expansionZoom(drawn.cluster), map.getMaxZoom());
    map.setView(map.containerPointToLatLng([drawn.x, drawn.y]), Math.max(zoom, map.getZoom() + 1),
                { animate: false });
};
MarkerLayer.prototype.onHover = function (e) {
    if (this.hoverPending) {
        return;
    }
    this.hoverPending = true;
    var self = this;
    var x = e.clientX;
    var y = e.clientY;
    requestAnimationFrame(function () {
        self.hoverPending = false;
        var container = self.adapter.map.getContainer();
        var rect = container.getBoundingClientRect();
        container.classList.toggle('overMarker', self.hit(x - rect.left, y - rect.top) !== null);
    });
};
// Where the last frame drew a vehicle's marker (its centre in the map's container, heading
// and size), or null.
MarkerLayer.prototype.placement = function (vehicleID) {
    return Object.prototype.hasOwnProperty.call(this.placements, vehicleID) ? this.placements[vehicleID] : null;
};

import { fitClearOf } from './track-fit.js';
import { findMarker, findVehicle } from './fleet.js';
import { global } from './state.js';

// A vehicle's stored track in place of its live view: the line (already thinned by the
// native side to what a screen can show), start and end marks with their times, the
// replay marker, and a banner that names the vehicle and the range. While it is shown,
// that vehicle's live marker is hidden and stops following its reports; the reports are
// still received and stored. showLiveView() returns to the live view.

export function historyHolds(vehicleID) {
    return global.history !== null && global.history !== undefined &&
        global.history.id === vehicleID;
}

export function historyBanner() {
    var banner = document.getElementById('historyBanner');
    if (!banner) {
        banner = document.createElement('div');
        banner.id = 'historyBanner';
        document.body.appendChild(banner);
    }
    return banner;
}

function setLiveMarkerHidden(vehicleID, hidden) {
    var marker = findMarker(vehicleID);
    if (!marker) {
        return;
    }
    marker.setHidden(hidden);
    // Back to live: where the reports received meanwhile have put the vehicle.
    var info = findVehicle(vehicleID);
    if (!hidden && info && info.getPosition()) {
        marker.rotate(info.getBearing() * Math.PI / 180);
        marker.setPosition(info.getPosition());
    }
}

// How to fit a stored track so that its line and its end marks with their times stay in
// the map and clear of what is drawn over it (the banner, the event pop-up).
function historyFit(leaflet, history) {
    var rect = function (element) { return element.getBoundingClientRect(); };
    var bounds = history.line.getBounds();
    return fitClearOf({
        map: rect(leaflet.getContainer()),
        label: rect(history.end.getTooltip().getElement()),
        banner: rect(historyBanner()),
        popup: global.eventPopup ? rect(global.eventPopup.element) : null
    }, function (padding) {
        return leaflet.getBoundsZoom(bounds, false, L.point(padding[0], padding[1]));
    });
}

// track: { id, title, message } or { id, title, points: [lat, lon, lat, lon, ...], count,
// start: { lat, lon, time }, end: { lat, lon, time } }.
export function showTrackHistory(track) {
    showLiveView();
    var leaflet = global.map.map;
    var history = { id: String(track.id), layers: L.layerGroup().addTo(leaflet), marker: null,
                    count: 0 };
    global.history = history;
    setLiveMarkerHidden(history.id, true);
    var banner = historyBanner();
    banner.textContent = String(track.title);
    banner.style.display = 'block';
    if (track.message) {
        var line = document.createElement('div');
        line.className = 'historyMessage';
        line.textContent = String(track.message);
        banner.appendChild(line);
        return;
    }
    var flat = track.points;
    var path = new Array(flat.length / 2);
    for (var i = 0; i + 1 < flat.length; i += 2) {
        path[i / 2] = L.latLng(flat[i], flat[i + 1]);
    }
    history.count = track.count;
    history.line = L.polyline(path, { color: '#23408D', opacity: 0.85, weight: 4,
                                      renderer: L.canvas({ padding: 0.2 }), interactive: false });
    history.layers.addLayer(history.line);
    [['start', '#1E9E3A', 'Start '], ['end', '#D00000', 'End ']].forEach(function (end) {
        var mark = track[end[0]];
        var circle = L.circleMarker([mark.lat, mark.lon], { radius: 7, color: '#FFFFFF', weight: 2,
                                                            fillColor: end[1], fillOpacity: 1 });
        circle.bindTooltip(end[2] + mark.time, { permanent: true, direction: 'top',
                                                 className: 'historyEnd', offset: [0, -8] });
        history.layers.addLayer(circle);
        history[end[0]] = circle;
    });
    history.marker = L.marker([track.start.lat, track.start.lon], {
        icon: L.divIcon({ className: 'historyMarker', html: '<div class="historyArrow"></div>',
                          iconSize: [16, 22], iconAnchor: [8, 11] }),
        interactive: false, keyboard: false, zIndexOffset: 1000 });
    history.layers.addLayer(history.marker);
    if (path.length > 1) {
        leaflet.fitBounds(history.line.getBounds(), historyFit(leaflet, history));
    } else {
        global.map.setCenter(path[0]);
    }
}

// The replay marker at a point of the stored track, turned to course (degrees).
export function moveHistoryMarker(latitude, longitude, course) {
    var history = global.history;
    if (!history || !history.marker || !isFinite(latitude) || !isFinite(longitude)) {
        return;
    }
    var point = L.latLng(Number(latitude), Number(longitude));
    history.marker.setLatLng(point);
    var element = history.marker.getElement();
    if (element && element.firstChild) {
        element.firstChild.style.transform = 'rotate(' + Number(course) + 'deg)';
    }
    if (!global.map.contains(point)) {
        global.map.panTo(point);
    }
}

export function showLiveView() {
    var history = global.history;
    if (!history) {
        return;
    }
    history.layers.remove();
    setLiveMarkerHidden(history.id, false);
    global.history = null;
    var banner = historyBanner();
    banner.textContent = '';
    banner.style.display = 'none';
}

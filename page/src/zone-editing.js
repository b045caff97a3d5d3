import { callNative } from './native.js';
import { global } from './state.js';
import { zoneHooks } from './zones.js';

// Zones drawn, changed and removed on the map with the drawing tools. The page only
// proposes: the station checks and stores each edit and sends every zone back
// (setZones), or says why it did not store it (zoneRefused). A new zone is named in a
// bar over the map, never in a dialog box.

// The drawing tools (L.PM) are loaded beside the map library, before this script.
// Only the station's zones may be changed: the vehicles, the track and the outlines
// never get the tools' handles.
L.PM.setOptIn(true);

var editing = { bar: null, input: null, message: null, pending: null };

// A zone's GeoJSON as the station stores it: a Polygon, or a circle as a Feature of
// its centre with the radius in metres.
export function layerGeometry(layer) {
    if (layer instanceof L.Circle) {
        var centre = layer.getLatLng();
        return { type: 'Feature', properties: { radius: layer.getRadius() },
                 geometry: { type: 'Point', coordinates: [centre.lng, centre.lat] } };
    }
    return layer.toGeoJSON().geometry;
}

function showBar(askName, message) {
    editing.bar.style.display = 'block';
    editing.input.style.display = askName ? '' : 'none';
    editing.bar.querySelector('#zoneSave').style.display = askName ? '' : 'none';
    editing.message.textContent = message || '';
    if (askName) {
        editing.input.value = '';
        editing.input.focus();
    }
}

function hideBar() {
    editing.bar.style.display = 'none';
    editing.pending = null;
}

function saveNamed() {
    var name = editing.input.value.trim();
    if (!name) {
        editing.message.textContent = 'Give the zone a name';
        return;
    }
    var geometry = editing.pending;
    hideBar();
    callNative('onZoneSaved', '', name, JSON.stringify(geometry));
}

function makeBar() {
    var bar = document.createElement('div');
    bar.id = 'zoneNaming';
    var input = document.createElement('input');
    input.id = 'zoneNameInput';
    input.placeholder = 'Zone name';
    input.maxLength = 200;
    var save = document.createElement('button');
    save.id = 'zoneSave';
    save.textContent = 'Save';
    var cancel = document.createElement('button');
    cancel.id = 'zoneCancel';
    cancel.textContent = 'Close';
    var message = document.createElement('span');
    message.id = 'zoneMessage';
    [input, save, cancel, message].forEach(function (e) { bar.appendChild(e); });
    save.addEventListener('click', saveNamed);
    cancel.addEventListener('click', hideBar);
    input.addEventListener('keydown', function (e) {
        if (e.key === 'Enter') {
            saveNamed();
        } else if (e.key === 'Escape') {
            hideBar();
        }
    });
    // Typing a name must not move or zoom the map.
    L.DomEvent.disableClickPropagation(bar);
    L.DomEvent.disableScrollPropagation(bar);
    bar.style.display = 'none';
    document.getElementById('content').appendChild(bar);
    editing.bar = bar;
    editing.input = input;
    editing.message = message;
}

// Once the map exists.
export function initializeZoneEditing() {
    var map = global.map.map;
    makeBar();
    map.pm.addControls({ position: 'topleft', drawMarker: false, drawCircleMarker: false,
                         drawPolyline: false, drawRectangle: false, drawText: false,
                         drawPolygon: true, drawCircle: true, editMode: true, dragMode: false,
                         cutPolygon: false, removalMode: true, rotateMode: false });
    map.on('pm:create', function (e) {
        // The station draws what it stored; the tools' own shape goes.
        editing.pending = layerGeometry(e.layer);
        map.removeLayer(e.layer);
        showBar(true, '');
    });
    map.on('pm:remove', function (e) {
        if (e.layer && e.layer.zoneId !== undefined) {
            callNative('onZoneDeleted', String(e.layer.zoneId));
        }
    });
    zoneHooks.layerMade = function (layer) {
        layer.on('pm:edit', function () {
            callNative('onZoneSaved', String(layer.zoneId), '', JSON.stringify(layerGeometry(layer)));
        });
    };
}

// Called by the native side: why the last zone edit was not stored.
export function zoneRefused(reason) {
    if (editing.bar) {
        showBar(false, 'Not stored: ' + String(reason));
    }
}

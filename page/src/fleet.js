import { readDegrees } from './coordinates.js';
import { uniqueName as uniqueNameAmong } from './unique-name.js';
import { imageContainer, vehicleInfoContainer } from './state.js';
import { VehicleInfo } from './vehicle-info.js';

// Lookups by vehicle identifier and by name, each a single step: a fleet of ten thousand
// reporting every second asks thousands of times a second. The containers keep every
// vehicle the page has listed, in order; a deleted vehicle stays there but is found no
// more and no longer blocks its name.
var vehiclesById = new Map();
var markersById = new Map();
var vehiclesByName = new Map();
function nameTaken(name, vehicleID, delta) {
    var holders = vehiclesByName.get(name);
    if (delta > 0) {
        if (!holders) {
            vehiclesByName.set(name, holders = new Set());
        }
        holders.add(vehicleID);
    } else if (holders) {
        holders.delete(vehicleID);
        if (holders.size === 0) {
            vehiclesByName.delete(name);
        }
    }
}
export function addVehicle(info, marker) {
    vehicleInfoContainer.push(info);
    imageContainer.push(marker);
    vehiclesById.set(info.getVehicleID(), info);
    markersById.set(info.getVehicleID(), marker);
    nameTaken(info.getName(), info.getVehicleID(), 1);
}
export function renameVehicle(info, name) {
    if (info.getName() !== name) {
        if (!info.getDeleted()) {
            nameTaken(info.getName(), info.getVehicleID(), -1);
            nameTaken(name, info.getVehicleID(), 1);
        }
        info.setName(name);
    }
}
export function removeVehicle(info) {
    var vehicleID = info.getVehicleID();
    var marker = markersById.get(vehicleID);
    if (marker) {
        marker.remove();
        imageContainer.splice(imageContainer.indexOf(marker), 1);
        markersById.delete(vehicleID);
    }
    vehiclesById.delete(vehicleID);
    nameTaken(info.getName(), vehicleID, -1);
    info.setDeleted(true);
}
export function findVehicle(vehicleID) {
    var info = vehiclesById.get(vehicleID);
    return info === undefined ? null : info;
}
export function findMarker(vehicleID) {
    var marker = markersById.get(vehicleID);
    return marker === undefined ? null : marker;
}
export function nameClashes(name, vehicleID) {
    var holders = vehiclesByName.get(name);
    return Boolean(holders) && (holders.size > 1 || !holders.has(vehicleID));
}
export function uniqueName(name, vehicleID) {
    return uniqueNameAmong(name, function (candidate) { return nameClashes(candidate, vehicleID); });
}
// The list holds at most listLimit vehicles that are not deleted. Vehicles beyond it
// are known by name only: they get no entry and no marker, but their alarms still pop
// up, the header tells how many there are, and each takes the first free place when
// it next reports. The station sets the limit from its settings before it sends the fleet;
// a lower limit leaves listed vehicles listed, a higher one lists the others as they report.
export var listLimits = { least: 101, most: 10000 };
export var listLimit = listLimits.least;
var trackPointBudget = 101000;
export function setListLimit(count) {
    var limit = Math.floor(Number(count));
    if (limit >= listLimits.least) {
        listLimit = Math.min(limit, listLimits.most);
        // The live tracks share one budget of points: a thousand each for the hundred the list
        // always held, fewer each for a larger fleet, never fewer than a hundred.
        VehicleInfo.maxTrackLength = Math.max(100, Math.min(1000, Math.floor(trackPointBudget / listLimit)));
    }
}
var unlistedVehicles = {};
export function listedCount() {
    return vehiclesById.size;
}
export function isUnlisted(vehicleID) {
    return Object.prototype.hasOwnProperty.call(unlistedVehicles, vehicleID);
}
export function unlistedName(vehicleID) {
    return isUnlisted(vehicleID) ? unlistedVehicles[vehicleID] : null;
}
export function setUnlisted(vehicleID, name) {
    if (name === null) {
        delete unlistedVehicles[vehicleID];
    } else {
        unlistedVehicles[vehicleID] = name;
    }
    var count = Object.keys(unlistedVehicles).length;
    var label = document.getElementById('unlistedCount');
    label.textContent = count > 0 ? '+' + count + ' not listed' : '';
    label.style.display = count > 0 ? 'block' : 'none';
}
// A stored position as the station wrote it, as the map's point; 0 when it is none. Never a
// box: a script dialog would stop the page until someone answers it.
export function readPosition(latitude, longitude) {
    var degrees = readDegrees(latitude, longitude);
    return degrees === null ? 0 : L.latLng(degrees.lat, degrees.lng);
}

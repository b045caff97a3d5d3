import { readDegrees } from './coordinates.js';
import { uniqueName as uniqueNameAmong } from './unique-name.js';
import { imageContainer, vehicleInfoContainer } from './state.js';

// Lookups. A deleted vehicle stays in the container but no longer blocks its name.
export function findVehicle(vehicleID) {
    for (var i = 0; i < vehicleInfoContainer.length; i++) {
        var info = vehicleInfoContainer[i];
        if (info.getVehicleID() === vehicleID && !info.getDeleted()) {
            return info;
        }
    }
    return null;
}
export function findMarker(vehicleID) {
    for (var i = 0; i < imageContainer.length; i++) {
        if (imageContainer[i].vehicleID === vehicleID) {
            return imageContainer[i];
        }
    }
    return null;
}
export function nameClashes(name, vehicleID) {
    for (var i = 0; i < vehicleInfoContainer.length; i++) {
        var info = vehicleInfoContainer[i];
        if (!info.getDeleted() && info.getVehicleID() !== vehicleID && info.getName() === name) {
            return true;
        }
    }
    return false;
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
export function setListLimit(count) {
    var limit = Math.floor(Number(count));
    if (limit >= listLimits.least) {
        listLimit = Math.min(limit, listLimits.most);
    }
}
var unlistedVehicles = {};
export function listedCount() {
    var count = 0;
    for (var i = 0; i < vehicleInfoContainer.length; i++) {
        if (!vehicleInfoContainer[i].getDeleted()) {
            count++;
        }
    }
    return count;
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

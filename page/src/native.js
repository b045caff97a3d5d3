import { isPosition } from './coordinates.js';
import { setReportedName } from './search.js';
import { alarmRaised, alarmSeen, setAlarmKinds, setAlarmMuted, setZoneAlarmKinds } from './alarm.js';
import { alarmAckRefused, setOpenAlarms } from './alarm-desk.js';
import { eventName, eventPicture } from './event-popup.js';
import {
    addVehicle,
    findMarker,
    findVehicle,
    isUnlisted,
    listLimit,
    listedCount,
    nameClashes,
    readPosition,
    removeVehicle,
    renameVehicle,
    setListLimit,
    setUnlisted,
    uniqueName,
} from './fleet.js';
import { historyHolds, moveHistoryMarker, showLiveView, showTrackHistory } from './history.js';
import { initialize, layoutPage } from './layout.js';
import { clearAddress, followTrack, restartTimeout, sortListBox } from './list.js';
import { MapAdapter } from './map.js';
import { ImageCanvasOverlay } from './markers.js';
import { updatePopupDetails, updateVehicleInfoView } from './selection.js';
import {
    global,
    setTooltipEnabled,
    userDefined,
    vehiclePopupWidth,
} from './state.js';
import { reportTime, setLiveSeconds } from './status.js';
import { VehicleInfo } from './vehicle-info.js';
import { zoneRefused } from './zone-editing.js';
import { setZones } from './zones.js';

// Every operator action leaves the page through the native extension, and only through it.
export function callNative(name) {
    var args = Array.prototype.slice.call(arguments, 1);
    if (window.cef && cef.extension && typeof cef.extension[name] === 'function') {
        return cef.extension[name].apply(cef.extension, args);
    }
    return undefined;
}

// ---- Functions called by the native side ----

// Tile and geocoder addresses of the station's settings; an empty text keeps the default.
export function setMapSources(roadTileUrl, satelliteTileUrl, geocoderUrl) {
    var defaults = MapAdapter.defaultSources;
    global.mapSources = {
        road: roadTileUrl ? String(roadTileUrl) : defaults.road,
        satellite: satelliteTileUrl ? String(satelliteTileUrl) : defaults.satellite,
        geocoder: geocoderUrl ? String(geocoderUrl) : defaults.geocoder
    };
    if (global.map) {
        global.map.setSources(global.mapSources);
    }
}

// enabled 1: road, satellite and "Offline" tiles come through the station (corvane-tile://),
// which answers from the operator's tile files, its cache and the network; 0: straight from
// the addresses of setMapSources, and "Offline" shows the outlines alone.
export function setStationTiles(enabled) {
    global.stationTiles = Boolean(enabled);
    if (global.map) {
        global.map.setStationTiles(global.stationTiles);
    }
}

export function setPageSize(cx, cy) {
    var popup = global.contextMenu;
    global.eventPopup.changePosition(cx - global.width, 0);
    popup.changePosition(cx + global.listWidth, cy - global.headerHeight);
    global.width = cx;
    global.height = cy;
    layoutPage();
    if (popup.left + vehiclePopupWidth > cx) {
        popup.moveTo(cx - vehiclePopupWidth - 2, popup.top);
    }
    if (popup.top + popup.currentHeight() > cy) {
        popup.moveTo(popup.left, cy - popup.currentHeight() - 4);
    }
}

export function resetTimeout(timeout) {
    var period = Number(timeout) * 60000;
    if (!(period >= 0) || period === global.timeout) {
        return;
    }
    global.timeout = period;
    // The silence already passed counts against the new period.
    var entries = global.listBox.all();
    for (var i = 0; i < entries.length; i++) {
        restartTimeout(entries[i], true);
    }
}

export function sortVehicleList(e) {
    if (e && e.button !== undefined && e.button !== 0) {
        return;
    }
    sortListBox(global.listBox);
}

export function insertVehicle(isLoaded, latitude, longitude, vehicleID, vehicleName, updateTime) {
    // A vehicle that never reported a position is sent with empty coordinates.
    var position = readPosition(latitude, longitude);
    if (findVehicle(vehicleID)) {
        return;
    }
    if (listedCount() >= listLimit) {
        setUnlisted(vehicleID, String(vehicleName));
        if (Number(isLoaded) === 0) {
            global.eventPopup.AddItem(vehicleID, String(vehicleName) + ' is added (not listed)',
                                      'images/icon_add.png');
        }
        return;
    }
    if (isUnlisted(vehicleID)) {
        setUnlisted(vehicleID, null);
    }
    var name = String(vehicleName);
    if (nameClashes(name, vehicleID)) {
        name = uniqueName(name, vehicleID);
        callNative('onChangeName', vehicleID, name);
    }
    var info = new VehicleInfo(global.listBox.counter, vehicleID, name, position, updateTime);
    addVehicle(info, new ImageCanvasOverlay(global.map, position, global.normalImage, vehicleID));
    // A stored vehicle has been silent since its last stored report, not since now.
    global.listBox.addItem(vehicleID, name, position,
                           Number(isLoaded) !== 0 ? reportTime(updateTime) : undefined);
    if (Number(isLoaded) === 0) {
        global.eventPopup.AddItem(vehicleID, name + ' is added', 'images/icon_add.png');
    }
}

export function insertOptionalInfo(isLoaded, vehicleID, name, company, maker, model, registration, driver, license) {
    // Details sent with a stored vehicle are no report: its silence goes on.
    showOptionalInfo(Number(isLoaded) === 0, vehicleID, name, company, maker, model, registration, driver,
                     license);
}

function showOptionalInfo(isReport, vehicleID, name, company, maker, model, registration, driver, license) {
    var info = findVehicle(vehicleID);
    if (!info) {
        return;
    }
    var shown = uniqueName(String(name), vehicleID);
    global.listBox.updateItem(vehicleID, shown, 0, '', '', isReport ? undefined : userDefined);
    renameVehicle(info, shown);
    info.setCompany(company);
    info.setMaker(maker);
    info.setModel(model);
    info.setRegistration(registration);
    info.setDriver(driver);
    info.setLicense(license);
    updatePopupDetails(info);
}

export function updateOptionalInfo(vehicleID, name, company, maker, model, registration, driver, license) {
    showOptionalInfo(true, vehicleID, name, company, maker, model, registration, driver, license);
}

export function insertUserDefinedInfo(vehicleID, imgPath, info1, info2) {
    var info = findVehicle(vehicleID);
    if (!info) {
        return;
    }
    info.setImagePath(imgPath);
    info.setInfo1(info1);
    info.setInfo2(info2);
}

export function updateUserDefinedInfo(vehicleID, vehicleName, info1, info2, imgPath) {
    var info = findVehicle(vehicleID);
    if (!info) {
        return;
    }
    var name = vehicleName === '' ? '' : uniqueName(String(vehicleName), vehicleID);
    renameVehicle(info, name);
    info.setInfo1(info1);
    info.setInfo2(info2);
    info.setImagePath(imgPath);
    callNative('onChangeName', vehicleID, name);
    global.listBox.updateItem(vehicleID, name, 0, '', '', userDefined);
    var popup = global.contextMenu;
    if (popup.vehicleID() === vehicleID) {
        popup.setVehicleName(name);
        popup.UpdateItem('image', imgPath);
        popup.UpdateItem('Info1', info1);
        popup.UpdateItem('Info2', info2);
    }
}

export function updateVehicle(latitude, longitude, vehicleID, vehicleName, updateTime) {
    // Without a usable position (none reported yet, or stored unreadable) the name and time
    // still change; the position stays as it is.
    var position = readPosition(latitude, longitude);
    var info = findVehicle(vehicleID);
    if (!info && isUnlisted(vehicleID) && listedCount() < listLimit) {
        insertVehicle(1, latitude, longitude, vehicleID, vehicleName, updateTime);
        info = findVehicle(vehicleID);
    }
    if (!info) {
        return;
    }
    var name = uniqueName(String(vehicleName), vehicleID);
    global.listBox.updateItem(vehicleID, name, position, '', '');
    renameVehicle(info, name);
    if (position) {
        info.setPosition(position);
    }
    info.setUpdateTime(updateTime);
}

export function updateVehicleName(vehicleID, vehicleName) {
    var info = findVehicle(vehicleID);
    if (!info) {
        return;
    }
    var name = uniqueName(String(vehicleName), vehicleID);
    renameVehicle(info, name);
    global.listBox.updateItem(vehicleID, name, 0, '', '', userDefined);
}

export function moveTo(latitude, longitude, speed, hour, minute, second, direction, vehicleID) {
    var info = findVehicle(vehicleID);
    if (!info || !isPosition(latitude, longitude)) {
        return;
    }
    var point = L.latLng(latitude, longitude);
    info.setSpeed(Number(speed));
    info.setBearing(Number(direction));
    info.addTrackPoint(point);
    info.setPosition(point);
    updateVehicleInfoView(info);
    var marker = findMarker(vehicleID);
    if (marker && !historyHolds(vehicleID)) {
        if (direction >= 0) {
            marker.rotate(direction * Math.PI / 180);
        }
        marker.setPosition(point);
    }
    global.listBox.updateItem(vehicleID, info.getName(), point, '', '');
    if (global.currentVehicle === vehicleID && !historyHolds(vehicleID)) {
        global.polyline.refresh();
        if (!global.map.contains(point)) {
            global.map.panTo(point);
            clearAddress();
        }
    }
}

// The moves of many vehicles in one frame, as values: a text of values costs the page a
// fraction of the same calls written as script, which it would compile anew every frame.
// Each vehicle is [id, [track points], move or 0, listed position or 0, 1 when the position
// follows the move]; its calls go through the page's global names, as the station's calls
// do, and one that fails stops only the rest of that vehicle's calls.
export function frameMoves(text) {
    var vehicles = JSON.parse(text);
    for (var i = 0; i < vehicles.length; i++) {
        var v = vehicles[i];
        try {
            var id = v[0];
            var move = v[2];
            var listed = v[3];
            if (v[1].length > 0) {
                window.addTrackPoints(id, v[1]);
            }
            if (listed && !v[4]) {
                window.updateVehicle(listed[0], listed[1], id, listed[2], listed[3]);
            }
            if (move) {
                window.moveTo(move[0], move[1], move[2], move[3], move[4], move[5], move[6], id);
            }
            if (listed && v[4]) {
                window.updateVehicle(listed[0], listed[1], id, listed[2], listed[3]);
            }
        } catch (e) {
            console.error(e);
        }
    }
}

// Positions a vehicle reported between two moves of its marker (the station moves each
// marker once per frame): they join its track as moveTo would have added them.
export function addTrackPoints(vehicleID, coordinates) {
    var info = findVehicle(vehicleID);
    if (!info || !coordinates) {
        return;
    }
    for (var i = 0; i + 1 < coordinates.length; i += 2) {
        if (isPosition(coordinates[i], coordinates[i + 1])) {
            info.addTrackPoint(L.latLng(Number(coordinates[i]), Number(coordinates[i + 1])));
        }
    }
}

export function updateEventInfo(eventType, vehicleName, time, deviceTitle, vehicleID) {
    var listed = !!findVehicle(vehicleID);
    if (!listed && !isUnlisted(vehicleID)) {
        return;
    }
    var name = listed ? uniqueName(String(vehicleName), vehicleID) : String(vehicleName);
    var picture = eventPicture(eventType);
    var kind = eventName(eventType);
    if (listed) {
        global.listBox.updateItem(vehicleID, name, 0, picture, kind);
    }
    alarmRaised(eventType, vehicleID);
    var text = name + ' ' + kind;
    if (deviceTitle !== ' ') {
        text += ' (' + deviceTitle + ')';
    }
    global.eventPopup.AddItem(vehicleID, text, picture);
}

export function deleteVehicle(vehicleID) {
    if (isUnlisted(vehicleID)) {
        setUnlisted(vehicleID, null);
    }
    var info = findVehicle(vehicleID);
    if (!info) {
        return;
    }
    callNative('onChangeName', vehicleID, info.getName());
    // A deleted vehicle's alarm flashes no more (nor keeps the flash timer running).
    alarmSeen(vehicleID);
    global.listBox.removeItem(vehicleID);
    global.contextMenu.Hide();
    info.clearTrack();
    clearAddress();
    removeVehicle(info);
    if (global.currentVehicle === vehicleID) {
        global.currentVehicle = 0;
        followTrack(null);
    }
    if (global.currentClickImg === vehicleID) {
        global.currentClickImg = undefined;
    }
}

export function updateImgPath(vehicleID, imgPath) {
    var info = findVehicle(vehicleID);
    if (!info) {
        return;
    }
    info.setImagePath(imgPath);
    var field = document.getElementById('Image Path');
    if (field) {
        field.value = imgPath;
    }
}

export function enableTooltip() {
    setTooltipEnabled(true);
}

export function hideTooltip() {
    global.tooltip.clear();
}

// Everything the station calls by name: its script calls, and the body's load event.
// Nothing else of the page is a global name.
Object.assign(window, {
    addTrackPoints,
    alarmAckRefused,
    deleteVehicle,
    enableTooltip,
    frameMoves,
    hideTooltip,
    initialize,
    insertOptionalInfo,
    insertUserDefinedInfo,
    insertVehicle,
    moveHistoryMarker,
    moveTo,
    resetTimeout,
    setAlarmKinds,
    setAlarmMuted,
    setListLimit,
    setLiveSeconds,
    setMapSources,
    setOpenAlarms,
    setPageSize,
    setReportedName,
    setStationTiles,
    setZoneAlarmKinds,
    setZones,
    showLiveView,
    showTrackHistory,
    sortVehicleList,
    updateEventInfo,
    updateImgPath,
    updateOptionalInfo,
    updateUserDefinedInfo,
    updateVehicle,
    updateVehicleName,
    zoneRefused,
});

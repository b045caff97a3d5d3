import { alarmSeen } from './alarm.js';
import { findMarker, findVehicle } from './fleet.js';
import { followTrack, showAddress } from './list.js';
import { latitudeToText, longitudeToText, speedToText } from './coordinates.js';
import { Company, Driver, License, Maker, Model, Registration, global } from './state.js';

// Selecting a vehicle from its list entry, its marker or one of its events.
export function selectVehicle(vehicleID) {
    var entry = global.listBox.find(vehicleID);
    var info = findVehicle(vehicleID);
    if (!entry || !info) {
        return;
    }
    global.listBox.markSelected(vehicleID);
    global.listBox.reveal(vehicleID);
    entry.eventIcon.style.display = 'none';
    alarmSeen(vehicleID);
    if (entry.position) {
        global.map.setCenter(entry.position);
    }
    var marker = findMarker(vehicleID);
    if (global.currentVehicle === 0) {
        global.currentVehicle = vehicleID;
    } else {
        var previous = findMarker(global.currentVehicle);
        if (previous) {
            previous.setImage(global.normalImage);
        }
        global.currentVehicle = vehicleID;
        global.currentClickImg = vehicleID;
        updateVehiclePopup(info, 0);
    }
    if (marker) {
        marker.setImage(global.selectedImage);
    }
    showAddress(info);
    followTrack(info);
}
export function onMarkerPressed(vehicleID, event) {
    var info = findVehicle(vehicleID);
    if (!info) {
        return;
    }
    selectVehicle(vehicleID);
    global.currentClickImg = vehicleID;
    updateVehiclePopup(info, event);
}

// Fills the vehicle pop-up; with an event (a marker press) it also shows it.
function updateVehiclePopup(vehicleInfo, event) {
    var popup = global.contextMenu;
    popup.setVehicleID(vehicleInfo.getVehicleID());
    popup.setVehicleName(vehicleInfo.getName());
    popup.UpdateItem('image', vehicleInfo.getImagePath());
    showDetailFields(vehicleInfo);
    showMovingValues(vehicleInfo);
    popup.UpdateItem('Info1', vehicleInfo.getInfo1());
    popup.UpdateItem('Info2', vehicleInfo.getInfo2());
    if (event) {
        popup.Display(event);
    }
}
export function updateVehicleInfoView(vehicleInfo) {
    if (global.currentClickImg === vehicleInfo.getVehicleID()) {
        showMovingValues(vehicleInfo);
    }
}
function showMovingValues(vehicleInfo) {
    var popup = global.contextMenu;
    var position = vehicleInfo.getPosition();
    popup.UpdateItem('Speed', speedToText(vehicleInfo.getSpeed()));
    popup.UpdateItem('Latitude', position ? latitudeToText(position.lat) : 0);
    popup.UpdateItem('Longitude', position ? longitudeToText(position.lng) : 0);
    popup.UpdateItem('Update Time', vehicleInfo.getUpdateTime());
}
export function updatePopupDetails(info) {
    if (global.contextMenu.vehicleID() === info.getVehicleID()) {
        showDetailFields(info);
    }
}
function showDetailFields(info) {
    var popup = global.contextMenu;
    popup.UpdateItem(Driver, info.getDriver());
    popup.UpdateItem(Company, info.getCompany());
    popup.UpdateItem(Registration, info.getRegistration());
    popup.UpdateItem(License, info.getLicense());
    popup.UpdateItem(Maker, info.getMaker());
    popup.UpdateItem(Model, info.getModel());
}

// The page's inner state and helpers as its WebEngine tests and the station's benchmark
// probe read them, under the names they had when the page was one script. Read through
// getters, so that a binding a module reassigns is seen as it is now. The page itself
// never uses these globals.
import { alarmSeen, vehicleAlarms } from './alarm.js';
import { alarmDesk } from './alarm-desk.js';
import { EventPopup, eventName } from './event-popup.js';
import { findMarker, findVehicle, isUnlisted, listLimit, readPosition } from './fleet.js';
import { historyBanner } from './history.js';
import { ListBox, sortListBox } from './list.js';
import { VehicleContextMenu } from './list-menu.js';
import { MapAdapter } from './map.js';
import { MarkerLayer } from './marker-layer.js';
import { latitudeToText, longitudeToText, speedToText } from './coordinates.js';
import { ImageCanvasOverlay } from './markers.js';
import { setSearchText } from './search.js';
import { onMarkerPressed, selectVehicle } from './selection.js';
import {
    Company,
    Driver,
    License,
    Maker,
    Model,
    Registration,
    global,
    imageContainer,
    isTooltipEnable,
    vehicleInfoContainer,
} from './state.js';
import { applyStatus, statusOf, vehicleStatus } from './status.js';
import { Tooltip } from './tooltip.js';
import { VehicleInfo } from './vehicle-info.js';
import { CustomContextMenu } from './vehicle-popup.js';

const inspected = {
    alarmDesk: () => alarmDesk,
    alarmSeen: () => alarmSeen,
    applyStatus: () => applyStatus,
    Company: () => Company,
    CustomContextMenu: () => CustomContextMenu,
    Driver: () => Driver,
    eventName: () => eventName,
    EventPopup: () => EventPopup,
    findMarker: () => findMarker,
    findVehicle: () => findVehicle,
    global: () => global,
    historyBanner: () => historyBanner,
    ImageCanvasOverlay: () => ImageCanvasOverlay,
    imageContainer: () => imageContainer,
    isTooltipEnable: () => isTooltipEnable,
    isUnlisted: () => isUnlisted,
    latitudeToText: () => latitudeToText,
    License: () => License,
    listLimit: () => listLimit,
    ListBox: () => ListBox,
    longitudeToText: () => longitudeToText,
    Maker: () => Maker,
    MapAdapter: () => MapAdapter,
    markerLayer: () => global.map && global.map.markerLayer,
    MarkerLayer: () => MarkerLayer,
    Model: () => Model,
    onMarkerPressed: () => onMarkerPressed,
    readPosition: () => readPosition,
    Registration: () => Registration,
    selectVehicle: () => selectVehicle,
    setSearchText: () => setSearchText,
    sortListBox: () => sortListBox,
    speedToText: () => speedToText,
    statusOf: () => statusOf,
    Tooltip: () => Tooltip,
    vehicleAlarms: () => vehicleAlarms,
    VehicleContextMenu: () => VehicleContextMenu,
    VehicleInfo: () => VehicleInfo,
    vehicleInfoContainer: () => vehicleInfoContainer,
    vehicleStatus: () => vehicleStatus,
};

Object.keys(inspected).forEach(function (name) {
    Object.defineProperty(window, name, { get: inspected[name], configurable: true });
});

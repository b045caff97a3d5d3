// The page's own state. The native side feeds it through the functions at the end of the script.
export var global = {
    width: 900,
    height: 600,
    listWidth: 200,
    headerHeight: 27,
    headMenuPaddingRight: 5,
    currentVehicle: 0,
    currentClickImg: undefined,
    timeout: 0,
    enableTrackingLine: true,
    normalImage: 'images/point_normal.png',
    selectedImage: 'images/point_select.png',
    polyline: null,
    geocoder: null,
    map: null,
    listBox: null,
    eventPopup: null,
    contextMenu: null,
    vehicleContextMenu: null,
    tooltip: null,
    listHidden: false,
    // Set by setStationTiles(): the tiles come through the station's own scheme.
    stationTiles: false,
    // Replaced by setMapSources(); an empty address switches that source off.
    mapSources: {
        road: 'https://tile.openstreetmap.org/{z}/{x}/{y}.png',
        satellite: 'https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/{z}/{y}/{x}',
        geocoder: 'https://nominatim.openstreetmap.org/reverse?format=jsonv2&lat={lat}&lon={lon}'
    }
};
export var isTooltipEnable = true;
export function setTooltipEnabled(enabled) {
    isTooltipEnable = enabled;
}
export var vehicleInfoContainer = [];
export var imageContainer = [];
export var vehiclePopupWidth = 270;
export var vehiclePopupHeight = 184;
export var vehiclePopupHeightMore = 327;

// Labels of the vehicle pop-up; they double as the keys of its fields.
export var Driver = 'Driver Name';
export var Company = 'Company Name';
export var Registration = 'Registration Number';
export var License = 'License';
export var Maker = 'Vehicle Maker';
export var Model = 'Vehicle Model';
export var userDefined = 'userDefined';

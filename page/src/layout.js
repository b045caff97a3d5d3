import { initializeAlarms } from './alarm.js';
import { deskHeight, initializeAlarmDesk } from './alarm-desk.js';
import { EventPopup } from './event-popup.js';
import { ListBox, setTrackingLineEnabled } from './list.js';
import { VehicleContextMenu } from './list-menu.js';
import { MapAdapter } from './map.js';
import { callNative, setPageSize, sortVehicleList } from './native.js';
import { initializeSearch, searchBarHeight } from './search.js';
import { global } from './state.js';
import { initializeStatus } from './status.js';
import { Tooltip } from './tooltip.js';
import { CustomContextMenu } from './vehicle-popup.js';
import { initializeWorldLayer } from './world-layer.js';
import { initializeZoneEditing } from './zone-editing.js';
import { initializeZones } from './zones.js';

// Header buttons: hover picture and tool-tip; actions on the left button only.
function bindHeaderButton(id, normal, hover, title, action) {
    var button = document.getElementById(id);
    var picture = function (hovered) {
        return typeof normal === 'function' ? normal(hovered) : (hovered ? hover : normal);
    };
    button.addEventListener('mouseover', function (e) {
        if (button.hovered) {
            return;
        }
        button.hovered = true;
        button.src = picture(true);
        global.tooltip.AddText(title);
        global.tooltip.Display(e);
    });
    button.addEventListener('mouseout', function () {
        if (!button.hovered) {
            return;
        }
        button.hovered = false;
        button.src = picture(false);
        global.tooltip.DeleteItem();
    });
    button.addEventListener('click', function (e) {
        if (e.button === 0) {
            action();
            button.src = picture(button.hovered);
        }
    });
}
function setListHidden(hidden) {
    global.listHidden = hidden;
    var shown = hidden ? 'none' : 'block';
    document.getElementById('headerInternalList').style.display = shown;
    document.getElementById('leftCol').style.display = shown;
    document.getElementById('showListButton').style.display = hidden ? 'block' : 'none';
    var button = document.getElementById(hidden ? 'hideListButton' : 'showListButton');
    if (button.hovered) {
        button.hovered = false;
        global.tooltip.DeleteItem();
    }
    layoutPage();
}
// Sizes header, list and map to global.width × global.height.
export function layoutPage() {
    var listWidth = global.listHidden ? 0 : global.listWidth;
    var contentHeight = global.height - global.headerHeight;
    var mapWidth = global.width - listWidth;
    var px = function (v) { return Math.max(v, 0) + 'px'; };
    var container = document.getElementById('container');
    container.style.width = px(global.width);
    container.style.height = px(global.height);
    var menu = document.getElementById('headerInternalMenu');
    menu.style.left = px(listWidth);
    menu.style.width = px(mapWidth - global.headMenuPaddingRight);
    ['content', 'map'].forEach(function (id) {
        var element = document.getElementById(id);
        element.style.width = px(mapWidth);
        element.style.height = px(contentHeight);
    });
    document.getElementById('content').style.marginLeft = px(listWidth);
    document.getElementById('leftCol').style.height = px(contentHeight);
    var listHeight = contentHeight - searchBarHeight();
    var desk = deskHeight(listHeight);
    document.getElementById('alarmDesk').style.height = px(desk);
    document.getElementById('vehicleList').style.height = px(listHeight - desk);
    if (global.listBox) {
        global.listBox.measure();
    }
    if (global.map) {
        global.map.relayout();
    }
}

// Start-up: the body's load event.
export function initialize() {
    global.map = new MapAdapter(document.getElementById('map'), global.mapSources);
    initializeZones();
    initializeZoneEditing();
    global.polyline = global.map.createPolyline({ color: '#D00000', opacity: 0.80, weight: 6 });
    global.geocoder = global.map;
    global.listBox = new ListBox(document.getElementById('vehicleList'));
    global.contextMenu = new CustomContextMenu();
    global.eventPopup = new EventPopup();
    global.tooltip = new Tooltip();
    global.vehicleContextMenu = new VehicleContextMenu();

    document.getElementById('mapSelect').addEventListener('change', function (e) {
        global.map.setType(e.target.value);
    });
    document.getElementById('listTitle').addEventListener('click', function (e) {
        sortVehicleList(e);
    });
    bindHeaderButton('hideListButton', 'images/list_off_normal.png', 'images/list_off_mover.png', 'Hide List',
                     function () { setListHidden(true); });
    bindHeaderButton('showListButton', 'images/list_on_normal.png', 'images/list_on_mover.png', 'Show List',
                     function () { setListHidden(false); });
    bindHeaderButton('logButton', 'images/log_normal.png', 'images/log_mover.png', 'Log',
                     function () { callNative('onClickLog'); });
    bindHeaderButton('setupButton', 'images/setup_normal.png', 'images/setup_mover.png', 'Setup',
                     function () { callNative('onClickSetup'); });
    bindHeaderButton('trackingButton', function (hovered) {
        if (global.enableTrackingLine) {
            return hovered ? 'images/trackingline_mover.png' : 'images/trackingline_clicked.png';
        }
        return hovered ? 'images/trackingline_mover_normal.png' : 'images/trackingline_normal.png';
    }, null, 'Tracking', function () { setTrackingLineEnabled(!global.enableTrackingLine); });

    // Any press in the page closes the list's menu, except a press on the menu itself.
    document.body.addEventListener('mousedown', function (e) {
        if (!global.vehicleContextMenu.element.contains(e.target)) {
            global.vehicleContextMenu.Hide();
        }
    }, true);
    document.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    initializeStatus();
    initializeSearch();
    initializeAlarms();
    initializeAlarmDesk();
    initializeWorldLayer();

    // Start at the size the page really has, so nothing hangs outside the view until the
    // native side sends its first setPageSize.
    var width = window.innerWidth;
    var height = window.innerHeight;
    if (width > 0 && height > 0 && (width !== global.width || height !== global.height)) {
        setPageSize(width, height);
    } else {
        layoutPage();
    }
}

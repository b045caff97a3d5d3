import { parseReportTime, statusForSilence } from './report-status.js';
import { showMarkerGlow } from './alarm.js';
import { findMarker } from './fleet.js';
import { stopTimeout } from './list.js';
import { global } from './state.js';

// ---- Status at a glance: live, quiet, timed out ----
// live: reported within vehicleStatus.liveMs; quiet: silent longer, but within the
// time-out; timed out: silent beyond it (with the time-out icon). List entries carry the
// status as a class, status-live, status-quiet or status-timedout; markers as their status
// and their glow.
export var vehicleStatus = {
    liveMs: 60000,
    // The marker's glow by status, drawn into the marker (see ImageCanvasOverlay.setGlow).
    glows: {
        live: 'drop-shadow(0 0 2px #1FA84A) drop-shadow(0 0 1px #1FA84A)',
        quiet: 'drop-shadow(0 0 2px #E0A000) drop-shadow(0 0 1px #E0A000)',
        timedout: 'grayscale(1) drop-shadow(0 0 2px #8A8A8A)'
    },
    legend: null
};

// A stored report time in page milliseconds (now when it is no time or lies ahead).
export function reportTime(text) {
    return parseReportTime(text, Date.now());
}

export function statusOf(entry, now) {
    return statusForSilence(now - entry.lastReport, vehicleStatus.liveMs, global.timeout);
}

export function applyStatus(entry, status) {
    if (status === 'timedout' && !entry.timeoutIcon.getAttribute('src')) {
        entry.timeoutIcon.src = 'images/icon_timeout.png';
    }
    entry.timeoutIcon.style.display = status === 'timedout' ? 'block' : 'none';
    if (entry.status === status) {
        return;
    }
    if (entry.status) {
        entry.classList.remove('status-' + entry.status);
    }
    entry.classList.add('status-' + status);
    entry.status = status;
    var marker = findMarker(entry.vehicleID);
    if (marker) {
        marker.setStatus(status);
    }
    showMarkerGlow(entry.vehicleID);
}

// Shows the entry's status now and sets its one timer for the next change.
export function refreshStatus(entry) {
    stopTimeout(entry);
    var now = Date.now();
    var status = statusOf(entry, now);
    applyStatus(entry, status);
    var silence = now - entry.lastReport;
    var next = Infinity;
    if (status === 'live') {
        next = vehicleStatus.liveMs - silence;
    }
    if (status !== 'timedout' && global.timeout > 0) {
        next = Math.min(next, global.timeout - silence);
    }
    if (isFinite(next)) {
        // Timers take at most 2^31 - 1 ms; a longer wait is taken in steps.
        var wait = Math.min(Math.max(next, 0) + 1, 2147483647);
        entry.timerID = setTimeout(function () {
            entry.timerID = 0;
            refreshStatus(entry);
        }, wait);
    }
}

function refreshAllStatuses() {
    var entries = global.listBox.all();
    for (var i = 0; i < entries.length; i++) {
        refreshStatus(entries[i]);
    }
    updateStatusLegend();
}

export function addHeaderTextButton(id, text, title, action) {
    var button = document.createElement('span');
    button.id = id;
    button.className = 'headerTextButton';
    button.textContent = text;
    button.title = '';
    button.addEventListener('click', function (e) {
        if (e.button === 0) {
            action(e);
        }
    });
    button.addEventListener('mouseover', function (e) {
        if (!button.hovered) {
            button.hovered = true;
            global.tooltip.AddText(title);
            global.tooltip.Display(e);
        }
    });
    button.addEventListener('mouseout', function () {
        if (button.hovered) {
            button.hovered = false;
            global.tooltip.DeleteItem();
        }
    });
    var menu = document.getElementById('headerInternalMenu');
    menu.insertBefore(button, document.getElementById('mapSelect'));
    return button;
}

function legendRow(swatchClass, text) {
    var row = document.createElement('div');
    var swatch = document.createElement('span');
    swatch.className = 'swatch ' + swatchClass;
    var label = document.createElement('span');
    label.textContent = text;
    row.appendChild(swatch);
    row.appendChild(label);
    return row;
}

function updateStatusLegend() {
    var legend = vehicleStatus.legend;
    if (!legend) {
        return;
    }
    while (legend.firstChild) {
        legend.removeChild(legend.firstChild);
    }
    var seconds = Math.round(vehicleStatus.liveMs / 1000);
    var minutes = global.timeout / 60000;
    var timeout = global.timeout > 0 ? (Math.round(minutes * 100) / 100) + ' min' : 'the time-out';
    legend.appendChild(legendRow('status-live', 'Live: reported within ' + seconds + ' s'));
    legend.appendChild(legendRow('status-quiet', 'Quiet: silent, but within ' + timeout));
    legend.appendChild(legendRow('status-timedout', 'Timed out: silent beyond ' + timeout));
    legend.appendChild(legendRow('alarm', 'Flashing: alarm, until the vehicle is opened'));
}

function setLegendShown(shown) {
    var legend = vehicleStatus.legend;
    if (shown) {
        updateStatusLegend();
        var button = document.getElementById('legendButton').getBoundingClientRect();
        legend.style.display = 'block';
        legend.style.left = Math.max(0, Math.min(button.left, global.width - legend.offsetWidth - 4)) + 'px';
    } else {
        legend.style.display = 'none';
    }
}

export function initializeStatus() {
    var legend = document.createElement('div');
    legend.id = 'statusLegend';
    document.body.appendChild(legend);
    vehicleStatus.legend = legend;
    addHeaderTextButton('legendButton', 'Legend', 'Legend', function () {
        setLegendShown(legend.style.display !== 'block');
    });
    // Any press elsewhere closes the legend, as it does the list's menu.
    document.body.addEventListener('mousedown', function (e) {
        var button = document.getElementById('legendButton');
        if (!legend.contains(e.target) && !button.contains(e.target)) {
            setLegendShown(false);
        }
    }, true);
}

// Called by the native side: the seconds within which a report counts as live.
export function setLiveSeconds(seconds) {
    var ms = Number(seconds) * 1000;
    if (!(ms > 0) || ms === vehicleStatus.liveMs) {
        return;
    }
    vehicleStatus.liveMs = ms;
    refreshAllStatuses();
}

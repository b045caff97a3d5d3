import { searchListChanged } from './search.js';
import { selectVehicle } from './selection.js';
import { global, isTooltipEnable, userDefined } from './state.js';
import { refreshStatus } from './status.js';

// The vehicle list down the left side. Entries are found by vehicle identifier.
export function ListBox(element) {
    this.element = element;
    this.counter = 0;
    this.entries = {};
}
ListBox.prototype.find = function (vehicleID) {
    return Object.prototype.hasOwnProperty.call(this.entries, vehicleID) ? this.entries[vehicleID] : null;
};
ListBox.prototype.addItem = function (vehicleID, name, position) {
    var entry = document.createElement('div');
    entry.className = 'listEntry';
    entry.id = vehicleID;
    entry.vehicleID = vehicleID;
    entry.position = position || 0;
    entry.index = this.counter++;
    entry.timerID = 0;
    entry.eventIcon = document.createElement('img');
    entry.eventIcon.className = 'eventIcon';
    entry.eventIcon.hoverText = '';
    entry.nameLabel = document.createElement('div');
    entry.nameLabel.className = 'vehicleName';
    entry.timeoutIcon = document.createElement('img');
    entry.timeoutIcon.className = 'timeoutIcon';
    entry.timeoutIcon.src = 'images/icon_timeout.png';
    entry.appendChild(entry.eventIcon);
    entry.appendChild(entry.nameLabel);
    entry.appendChild(entry.timeoutIcon);
    this.setName(entry, name);

    entry.addEventListener('mousedown', function (e) {
        if (e.button !== 1) {
            selectVehicle(vehicleID);
        }
    });
    entry.addEventListener('contextmenu', function (e) {
        e.preventDefault();
        global.vehicleContextMenu.Display(e, vehicleID);
    });
    this.hoverText(entry.nameLabel);
    this.hoverText(entry.eventIcon);

    this.entries[vehicleID] = entry;
    this.element.appendChild(entry);
    restartTimeout(entry);
    searchListChanged();
    return entry;
};
ListBox.prototype.setName = function (entry, name) {
    if (entry.nameLabel.textContent !== name) {
        entry.nameLabel.textContent = name;
        searchListChanged();
    }
    entry.nameLabel.hoverText = name;
};
ListBox.prototype.hoverText = function (element) {
    element.addEventListener('mouseover', function (e) {
        if (isTooltipEnable && element.hoverText && !element.showsTooltip) {
            element.showsTooltip = true;
            global.tooltip.AddText(element.hoverText);
            global.tooltip.Display(e);
        }
    });
    element.addEventListener('mouseout', function () {
        if (element.showsTooltip) {
            element.showsTooltip = false;
            global.tooltip.DeleteItem();
        }
    });
};
// Updates name, position and event of an entry. Unless marked userDefined, the update
// counts as a sign of life: the time-out starts again and its icon goes away.
ListBox.prototype.updateItem = function (vehicleID, name, position, eventIcon, eventName, mark) {
    var entry = this.find(vehicleID);
    if (!entry) {
        return;
    }
    this.setName(entry, name);
    if (mark !== userDefined) {
        restartTimeout(entry);
    }
    if (position) {
        entry.position = position;
    }
    if (eventIcon) {
        entry.eventIcon.src = eventIcon;
        entry.eventIcon.style.display = 'block';
    }
    if (eventName) {
        entry.eventIcon.hoverText = eventName;
    }
};
ListBox.prototype.removeItem = function (vehicleID) {
    var entry = this.find(vehicleID);
    if (!entry) {
        return;
    }
    stopTimeout(entry);
    if (entry.nameLabel.showsTooltip || entry.eventIcon.showsTooltip) {
        global.tooltip.DeleteItem();
    }
    delete this.entries[vehicleID];
    this.element.removeChild(entry);
    searchListChanged();
};
ListBox.prototype.markSelected = function (vehicleID) {
    var entries = this.element.childNodes;
    for (var i = 0; i < entries.length; i++) {
        entries[i].classList.toggle('selected', entries[i].id === vehicleID);
    }
};

// Time-out: each entry remembers when its vehicle last reported (lastReport) and keeps
// one timer for its next change of status (refreshStatus); the time-out icon shows while
// the silence exceeds the time-out.
export function stopTimeout(entry) {
    if (entry.timerID) {
        clearTimeout(entry.timerID);
        entry.timerID = 0;
    }
}
// A sign of life counts from now; a new period alone (keepSilence) keeps the silence
// that has already passed.
export function restartTimeout(entry, keepSilence) {
    if (!keepSilence || entry.lastReport === undefined) {
        entry.lastReport = Date.now();
        // A live vehicle stays live, and its pending timer looks again when it fires:
        // a fleet reporting ten times a second need not replace a timer per report.
        if (!keepSilence && entry.timerID && entry.status === 'live') {
            return;
        }
    }
    refreshStatus(entry);
}

// Sorting: case-insensitive ascending; of two names equal but for case, the greater one
// case-sensitively comes first (a before A), and insertion order breaks any remaining tie.
export function compareListEntries(a, b) {
    var x = a.nameLabel.textContent;
    var y = b.nameLabel.textContent;
    var lx = x.toLowerCase();
    var ly = y.toLowerCase();
    if (lx !== ly) {
        return lx < ly ? -1 : 1;
    }
    if (x !== y) {
        return x > y ? -1 : 1;
    }
    return a.index - b.index;
}
export function sortListBox(listBox, compare) {
    var list = listBox.element;
    var entries = Array.prototype.slice.call(list.childNodes);
    entries.forEach(function (entry) { list.removeChild(entry); });
    entries.sort(compare || compareListEntries);
    entries.forEach(function (entry) { list.appendChild(entry); });
}

// The tracking line shows the selected vehicle's track.
export function followTrack(info) {
    var line = global.polyline;
    line.detach();
    line.setPath(info ? info.getTrack() : []);
    if (info && global.enableTrackingLine) {
        line.attach();
    }
}
export function setTrackingLineEnabled(enabled) {
    global.enableTrackingLine = enabled;
    if (enabled) {
        global.polyline.attach();
    } else {
        global.polyline.detach();
    }
    var button = document.getElementById('trackingButton');
    button.src = enabled ? 'images/trackingline_clicked.png' : 'images/trackingline_normal.png';
}

// Header address of the selected vehicle. A late answer for a vehicle that is no longer
// selected, or that has moved on since, is dropped.
function setHeaderAddress(text) {
    document.getElementById('headerInfo').textContent = text;
}
export function showAddress(info) {
    setHeaderAddress('');
    var position = info.getPosition();
    if (!position) {
        return;
    }
    var request = ++showAddress.requests;
    global.geocoder.reverseGeocode(position, function (status, results) {
        if (request !== showAddress.requests || global.currentVehicle !== info.getVehicleID()) {
            return;
        }
        if (status === 'OK' && results.length > 1) {
            setHeaderAddress(results[1].formatted_address);
        }
    });
}
showAddress.requests = 0;
export function clearAddress() {
    showAddress.requests++;
    setHeaderAddress('');
}

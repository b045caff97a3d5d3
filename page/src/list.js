import { searchListChanged } from './search.js';
import { selectVehicle } from './selection.js';
import { global, isTooltipEnable, userDefined } from './state.js';
import { refreshStatus } from './status.js';

// The vehicle list down the left side. Entries are found by vehicle identifier. Every
// vehicle has its entry, but only a window of rowWindow entries around the view (twice the
// rows in view on a very tall list) is in the document, between two spacers that give the
// list its full height: a list of ten thousand scrolls, sorts and searches as one of a
// hundred. Up to rowWindow vehicles the whole list
// is in the document, as it always was.
export function ListBox(element) {
    var self = this;
    this.element = element;
    this.counter = 0;
    this.entries = {};
    // Every entry in the list's order, and those the search keeps.
    this.order = [];
    this.shown = [];
    this.matches = function () { return true; };
    // The entries in the document end before shown[last].
    this.last = 0;
    this.selectedID = null;
    this.before = document.createElement('div');
    this.after = document.createElement('div');
    this.before.className = 'listSpacer';
    this.after.className = 'listSpacer';
    element.appendChild(this.before);
    element.appendChild(this.after);
    // The view's height and scroll offset as last seen: reading them after a change of the
    // list would have the engine lay the page out again at every vehicle added.
    this.viewHeight = 0;
    this.scrollTop = 0;
    element.addEventListener('scroll', function () {
        self.scrollTop = element.scrollTop;
        self.render();
    });
    this.listen();
}
// An entry's height: 22 pixels and its border (.listEntry).
ListBox.rowHeight = 23;
ListBox.rowWindow = 101;
ListBox.prototype.all = function () {
    return this.order;
};
ListBox.prototype.find = function (vehicleID) {
    return Object.prototype.hasOwnProperty.call(this.entries, vehicleID) ? this.entries[vehicleID] : null;
};
// Puts the window of entries round the view into the document. Cheap when it has not
// moved: the list asks on every scroll and every change.
ListBox.prototype.render = function () {
    var count = this.shown.length;
    var height = ListBox.rowHeight;
    var inView = Math.ceil(this.viewHeight / height) + 1;
    // A list taller than the window's worth of rows still has a row in every place.
    var rows = Math.max(ListBox.rowWindow, 2 * inView);
    var top = Math.floor(this.scrollTop / height);
    var first = Math.max(0, Math.min(top - Math.floor((rows - inView) / 2), count - rows));
    var last = Math.min(count, first + rows);
    var node = this.before.nextSibling;
    var i;
    // Entries that left the window go; those that stay keep their place.
    while (node !== this.after) {
        var next = node.nextSibling;
        var at = node.shownAt;
        if (!(at >= first && at < last && this.shown[at] === node)) {
            this.element.removeChild(node);
        }
        node = next;
    }
    node = this.before.nextSibling;
    for (i = first; i < last; i++) {
        var entry = this.shown[i];
        if (node === entry) {
            node = node.nextSibling;
        } else {
            this.element.insertBefore(entry, node);
        }
    }
    this.last = last;
    this.before.style.height = first * height + 'px';
    this.after.style.height = (count - last) * height + 'px';
};
// The list's box changed size.
ListBox.prototype.measure = function () {
    this.viewHeight = this.element.clientHeight;
    this.scrollTop = this.element.scrollTop;
    this.render();
};
// The search's choice of entries changed, or their order: number them again and show them.
ListBox.prototype.reshow = function () {
    var shown = [];
    for (var i = 0; i < this.order.length; i++) {
        var entry = this.order[i];
        entry.shownAt = this.matches(entry) ? shown.push(entry) - 1 : -1;
    }
    this.shown = shown;
    this.render();
};
ListBox.prototype.setFilter = function (matches) {
    this.matches = matches;
    this.reshow();
    return this.shown.length;
};
ListBox.prototype.sort = function (compare) {
    this.order.sort(compare);
    this.reshow();
};
// lastReport: when the vehicle last reported (page milliseconds); now when not given.
ListBox.prototype.addItem = function (vehicleID, name, position, lastReport) {
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
    // Its picture is set when it first shows: ten thousand entries need not each load it.
    entry.timeoutIcon = document.createElement('img');
    entry.timeoutIcon.className = 'timeoutIcon';
    entry.appendChild(entry.eventIcon);
    entry.appendChild(entry.nameLabel);
    entry.appendChild(entry.timeoutIcon);
    this.setName(entry, name);

    this.entries[vehicleID] = entry;
    this.order.push(entry);
    entry.shownAt = -1;
    if (this.matches(entry)) {
        entry.shownAt = this.shown.length;
        this.shown.push(entry);
        // Below the window a new entry only lengthens the list.
        if (this.last < this.shown.length - 1) {
            this.after.style.height = (this.shown.length - this.last) * ListBox.rowHeight + 'px';
        } else {
            this.render();
        }
    }
    if (lastReport === undefined) {
        restartTimeout(entry);
    } else {
        entry.lastReport = lastReport;
        refreshStatus(entry);
    }
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
// The entries' pointer handlers, once for the whole list: the entry (or its name or event
// icon, which carry a hover text) is found from the event's target.
ListBox.prototype.listen = function () {
    var self = this;
    function entryOf(e) {
        var entry = e.target.closest ? e.target.closest('.listEntry') : null;
        return entry && self.find(entry.vehicleID) === entry ? entry : null;
    }
    function hovered(e) {
        var entry = entryOf(e);
        return entry && (e.target === entry.nameLabel || e.target === entry.eventIcon) ? e.target : null;
    }
    this.element.addEventListener('mousedown', function (e) {
        var entry = entryOf(e);
        if (entry && e.button !== 1) {
            selectVehicle(entry.vehicleID);
        }
    });
    this.element.addEventListener('contextmenu', function (e) {
        var entry = entryOf(e);
        if (entry) {
            e.preventDefault();
            global.vehicleContextMenu.Display(e, entry.vehicleID);
        }
    });
    this.element.addEventListener('mouseover', function (e) {
        var element = hovered(e);
        if (element && isTooltipEnable && element.hoverText && !element.showsTooltip) {
            element.showsTooltip = true;
            global.tooltip.AddText(element.hoverText);
            global.tooltip.Display(e);
        }
    });
    this.element.addEventListener('mouseout', function (e) {
        var element = hovered(e);
        if (element && element.showsTooltip) {
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
    this.order.splice(this.order.indexOf(entry), 1);
    if (entry.parentNode) {
        this.element.removeChild(entry);
    }
    if (entry.shownAt >= 0) {
        this.reshow();
    }
    searchListChanged();
};
ListBox.prototype.markSelected = function (vehicleID) {
    var previous = this.find(this.selectedID);
    if (previous) {
        previous.classList.remove('selected');
    }
    var entry = this.find(vehicleID);
    if (entry) {
        entry.classList.add('selected');
    }
    this.selectedID = vehicleID;
};
// Scrolls a long list so that the vehicle's entry, if the search shows it, is in the middle
// of the view: chosen on the map, in the alarm desk or in an event pop-up, it may be
// thousands of rows away and not in the document at all. A list of rowWindow vehicles or
// fewer, all in the document as it always was, is left where the operator scrolled it.
ListBox.prototype.reveal = function (vehicleID) {
    var entry = this.find(vehicleID);
    if (!entry || entry.shownAt < 0 || this.order.length <= ListBox.rowWindow) {
        return;
    }
    var height = ListBox.rowHeight;
    var top = entry.shownAt * height;
    if (top >= this.scrollTop && top + height <= this.scrollTop + this.viewHeight) {
        return;
    }
    this.element.scrollTop = Math.max(0, top - Math.floor((this.viewHeight - height) / 2));
    this.scrollTop = this.element.scrollTop;
    this.render();
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
    listBox.sort(compare || compareListEntries);
}

// The tracking line shows the selected vehicle's track.
export function followTrack(info) {
    var line = global.polyline;
    line.detach();
    line.setPath(info ? function () { return info.getTrack(); } : null);
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

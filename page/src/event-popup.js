import { findVehicle } from './fleet.js';
import { withHandlerList } from './handlers.js';
import { selectVehicle } from './selection.js';
import { global } from './state.js';

// Event names and pictures by type code.
var eventTypes = [
    ['Sensor', 'images/icon_sensor.png'],
    ['Motion', 'images/icon_motion.png'],
    ['Video Loss', 'images/icon_videoloss.png'],
    ['Text-In', 'images/icon_textin.png'],
    ['S.M.A.R.T. Bad', 'images/icon_diskbad.png'],
    ['S.M.A.R.T. Temperature', 'images/icon_disktemperature.png'],
    ['Record Bad', 'images/icon_record bad.png'],
    ['Disk Bad', 'images/icon_diskbad.png'],
    ['Disk Full', 'images/icon_diskfull.png'],
    ['Archive Disk Bad', 'images/icon_diskbad.png'],
    ['Archive Disk Full', 'images/icon_diskfull.png'],
    ['G-Sensor', 'images/icon_gsensor.png'],
    ['Fan Failure', 'images/icon_fanfailure.png'],
    ['Emergency', 'images/icon_emergency.png']
];
export function eventName(type) {
    var entry = eventTypes[Number(type)];
    return entry && Number(type) % 1 === 0 ? entry[0] : '';
}
export function eventPicture(type) {
    var entry = eventTypes[Number(type)];
    return entry && Number(type) % 1 === 0 ? entry[1] : '';
}

// The running list of recent alarms, newest first under the close row.
export function EventPopup() {
    var self = this;
    this.defaultItemCount = 9;
    this.totalItemCount = 18;
    this.itemHeight = 16;
    this.defaultHeight = 150;
    this.height = this.defaultHeight;
    this.left = 580;
    this.hoveredItem = null;
    this.handlers = [];
    this.element = document.createElement('div');
    this.element.id = 'EventPopup';
    this.closeRow = document.createElement('div');
    this.closeRow.className = 'closeRow';
    this.closeButton = document.createElement('img');
    this.closeButton.src = 'images/eventpopup_close_normal.png';
    this.closeButton.className = 'closeButton';
    this.closeRow.appendChild(this.closeButton);
    this.element.appendChild(this.closeRow);
    this.listen(this.closeButton, 'mouseover', function () {
        self.closeButton.src = 'images/eventpopup_close_mover.png';
    });
    this.listen(this.closeButton, 'mouseout', function () {
        self.closeButton.src = 'images/eventpopup_close_normal.png';
    });
    this.listen(this.closeButton, 'click', function (e) {
        if (e.button === 0) {
            self.clear();
        }
    });
    this.listen(this.element, 'contextmenu', function (e) { e.preventDefault(); });
    document.body.appendChild(this.element);
}
withHandlerList(EventPopup);
// Drops the handlers of a removed entry, so a long-running page does not collect them.
EventPopup.prototype.forget = function (element) {
    this.handlers = this.handlers.filter(function (h) {
        if (h[0] !== element) {
            return true;
        }
        h[0].removeEventListener(h[1], h[2]);
        return false;
    });
};
EventPopup.prototype.setHeight = function (height) {
    this.height = height;
    this.element.style.height = height + 'px';
};
EventPopup.prototype.entries = function () {
    return Array.prototype.slice.call(this.element.childNodes, 1);
};
EventPopup.prototype.AddItem = function (vehicleID, text, picture) {
    var self = this;
    this.Display();
    var rows = this.element.childNodes.length;
    if (rows > this.defaultItemCount - 1 && rows < this.totalItemCount) {
        this.setHeight(this.height + this.itemHeight);
    }
    if (rows > this.totalItemCount - 1) {
        if (this.hoveredItem) {
            this.hoveredItem = null;
            global.tooltip.DeleteItem();
            this.entries().forEach(function (entry) { self.unhighlight(entry); });
        }
        this.DeleteItem();
    }
    var entry = document.createElement('div');
    entry.className = 'eventEntry';
    entry.vehicleID = vehicleID;
    entry.hoverText = text;
    var icon = document.createElement('img');
    var label = document.createElement('span');
    label.textContent = text;
    if (picture) {
        icon.src = picture;
    } else {
        icon.style.display = 'none';
        entry.className += ' noPicture';
    }
    entry.appendChild(icon);
    entry.appendChild(label);
    this.listen(entry, 'mouseover', function (e) {
        if (self.hoveredItem === entry) {
            return;
        }
        if (self.hoveredItem) {
            self.unhighlight(self.hoveredItem);
            global.tooltip.DeleteItem();
        }
        self.hoveredItem = entry;
        entry.style.cursor = 'pointer';
        label.style.color = '#FF9600';
        global.tooltip.AddText(entry.hoverText);
        global.tooltip.Display(e);
    });
    this.listen(entry, 'mouseout', function (e) {
        if (self.hoveredItem !== entry || entry.contains(e.relatedTarget)) {
            return;
        }
        self.hoveredItem = null;
        self.unhighlight(entry);
        global.tooltip.DeleteItem();
    });
    this.listen(entry, 'click', function (e) {
        if (e.button === 0 && findVehicle(entry.vehicleID)) {
            selectVehicle(entry.vehicleID);
        }
    });
    this.element.insertBefore(entry, this.closeRow.nextSibling);
};
EventPopup.prototype.unhighlight = function (entry) {
    entry.style.cursor = 'default';
    entry.lastChild.style.color = '#FFFFFF';
};
EventPopup.prototype.clear = function () {
    var self = this;
    if (this.hoveredItem) {
        this.hoveredItem = null;
        global.tooltip.DeleteItem();
    }
    this.entries().forEach(function (entry) {
        self.forget(entry);
        self.element.removeChild(entry);
    });
    this.setHeight(this.defaultHeight);
};
EventPopup.prototype.changePosition = function (dx, dy) {
    this.left += dx;
    this.element.style.left = this.left + 'px';
};
EventPopup.prototype.Display = function () {
    this.element.style.display = 'block';
};
EventPopup.prototype.Hide = function () {
    this.element.style.display = 'none';
};
// Removes the oldest entry.
EventPopup.prototype.DeleteItem = function () {
    if (this.element.childNodes.length > 1) {
        var oldest = this.element.lastChild;
        if (oldest === this.hoveredItem) {
            this.hoveredItem = null;
        }
        this.forget(oldest);
        this.element.removeChild(oldest);
    }
};

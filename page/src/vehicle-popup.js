import { withHandlerList } from './handlers.js';
import { callNative } from './native.js';
import {
    Company,
    Driver,
    License,
    Maker,
    Model,
    Registration,
    global,
    vehiclePopupHeight,
    vehiclePopupHeightMore,
    vehiclePopupWidth,
} from './state.js';

// The details card of one vehicle.
export function CustomContextMenu() {
    var self = this;
    this.handlers = [];
    this.fields = {};
    this.values = {};
    this.id = 0;
    this.centerX = 550;
    this.centerY = 310;
    this.left = 0;
    this.top = 0;
    this.originLeft = 0;
    this.originTop = 0;
    this.moreOpen = false;
    this.closed = true;
    this.dragging = false;
    this.dragStartX = 0;
    this.dragStartY = 0;
    this.nextFieldTop = 33;

    this.element = document.createElement('div');
    this.element.id = 'ContextMenu';

    this.titleBar = this.make('div', 'titleBar', this.element);
    var titleIcon = this.make('img', 'titleIcon', this.titleBar);
    titleIcon.src = 'images/info_title icon.png';
    this.title = this.make('div', 'titleName', this.titleBar);
    this.closeButton = this.make('img', 'closeButton', this.titleBar);
    this.closeButton.src = 'images/contextmenu_close_normal.png';

    this.picture = this.make('img', 'vehiclePicture', this.element);
    this.AddImage('');
    this.AddTextWithImg(Driver, '', 'images/info_user.png');
    this.AddTextWithImg(Company, '', 'images/info_company.png');
    this.box = this.make('div', 'shaded box', this.element);
    var boxIcon = this.make('img', 'fieldIcon', this.element);
    boxIcon.src = 'images/info_carnumber.png';
    boxIcon.style.left = '89px';
    boxIcon.style.top = '79px';
    [Registration, License, Maker, Model].forEach(function (label) {
        var line = self.make('div', 'boxLine', self.box);
        self.bindField(label, line);
    });

    this.details = this.make('div', 'details', this.element);
    ['Speed', 'Latitude', 'Longitude', 'Update Time', 'Info1', 'Info2'].forEach(function (label) {
        self.AddItem(label, '');
    });
    this.moreButton = this.make('img', 'moreButton', this.element);
    this.moreButton.src = 'images/info_more_down.png';
    this.historyLink = this.make('div', 'historyLink', this.element);
    this.historyLink.textContent = 'Track history...';
    this.listen(this.historyLink, 'mousedown', function (e) { e.stopPropagation(); });
    this.listen(this.historyLink, 'click', function (e) {
        if (e.button === 0 && self.id) {
            callNative('onClickTrackHistory', self.id);
        }
    });

    this.listen(this.closeButton, 'mouseover', function () {
        self.closeButton.src = 'images/contextmenu_close_mover.png';
    });
    this.listen(this.closeButton, 'mouseout', function () {
        self.closeButton.src = 'images/contextmenu_close_normal.png';
    });
    this.listen(this.closeButton, 'mousedown', function (e) { e.stopPropagation(); });
    this.listen(this.closeButton, 'click', function (e) {
        if (e.button === 0) {
            self.Hide();
            self.closed = true;
        }
    });
    this.listen(this.moreButton, 'click', function (e) {
        if (e.button === 0) {
            self.toggleDetails(e);
        }
    });
    this.listen(this.titleBar, 'mousedown', function (e) {
        if (e.button !== 0 || self.closed) {
            return;
        }
        e.preventDefault();
        self.dragging = true;
        self.dragStartX = e.clientX;
        self.dragStartY = e.clientY;
        self.originLeft = self.left;
        self.originTop = self.top;
    });
    this.listen(document, 'mousemove', function (e) {
        if (self.dragging) {
            self.dragTo(e);
        }
    });
    this.listen(document, 'mouseup', function () { self.endDrag(); });
    this.listen(this.titleBar, 'mouseout', function (e) {
        if (!e.relatedTarget) {
            self.endDrag();
        }
    });
    this.listen(document, 'selectstart', function (e) {
        if (self.dragging) {
            e.preventDefault();
        }
    });
    this.listen(this.element, 'contextmenu', function (e) { e.preventDefault(); });
    document.body.appendChild(this.element);
}
withHandlerList(CustomContextMenu);
CustomContextMenu.prototype.make = function (tag, className, parent) {
    var element = document.createElement(tag);
    element.className = className;
    parent.appendChild(element);
    return element;
};
CustomContextMenu.placeholderLabels = [Driver, Company, Registration, License, Maker, Model];
// Fields show their label while empty; hovering shows "label: value" in the tool-tip.
CustomContextMenu.prototype.bindField = function (label, element) {
    var self = this;
    this.fields[label] = element;
    this.values[label] = '';
    element.textContent = label;
    this.hoverText(element, function () { return label + ': ' + self.values[label]; });
};
CustomContextMenu.prototype.hoverText = function (element, text) {
    this.listen(element, 'mouseover', function (e) {
        global.tooltip.AddText(text());
        global.tooltip.Display(e);
    });
    this.listen(element, 'mouseout', function () { global.tooltip.DeleteItem(); });
};
CustomContextMenu.prototype.setVehicleName = function (name) {
    this.title.textContent = name;
};
CustomContextMenu.prototype.AddImage = function (path) {
    this.UpdateImage(path);
};
CustomContextMenu.prototype.UpdateImage = function (path) {
    this.picture.src = path ? path : 'images/user_blank.png';
};
CustomContextMenu.prototype.AddTextWithImg = function (label, value, picture) {
    var top = this.nextFieldTop;
    this.nextFieldTop += 22;
    var icon = this.make('img', 'fieldIcon', this.element);
    icon.src = picture;
    icon.style.left = '89px';
    icon.style.top = (top + 1) + 'px';
    var field = this.make('div', 'shaded field', this.element);
    field.style.top = top + 'px';
    this.bindField(label, field);
    this.UpdateItem(label, value);
};
CustomContextMenu.prototype.AddItem = function (label, value) {
    var self = this;
    var row = this.make('div', 'detailRow', this.details);
    var caption = this.make('span', 'detailLabel', row);
    caption.textContent = label;
    var box = this.make('span', 'detailValue', row);
    this.fields[label] = box;
    this.values[label] = '';
    if (label === 'Info1' || label === 'Info2') {
        this.hoverText(box, function () { return self.values[label]; });
    }
    this.UpdateItem(label, value);
};
CustomContextMenu.prototype.UpdateItem = function (key, value) {
    if (key === 'image') {
        this.UpdateImage(value);
        return;
    }
    var element = this.fields[key];
    if (!element) {
        return;
    }
    var text = value === undefined || value === null ? '' : String(value);
    this.values[key] = text;
    var placeholder = CustomContextMenu.placeholderLabels.indexOf(key) >= 0;
    element.textContent = text === '' && placeholder ? key : text;
};
CustomContextMenu.prototype.text = function (key) {
    return this.fields[key] ? this.fields[key].textContent : undefined;
};
CustomContextMenu.prototype.moveTo = function (left, top) {
    this.left = left;
    this.top = top;
    this.element.style.left = left + 'px';
    this.element.style.top = top + 'px';
};
CustomContextMenu.prototype.currentHeight = function () {
    return this.moreOpen ? vehiclePopupHeightMore : vehiclePopupHeight;
};
CustomContextMenu.prototype.mapWidth = function () {
    return global.listHidden ? global.width : global.width - global.listWidth;
};
CustomContextMenu.prototype.Display = function (event) {
    var x = this.centerX;
    var y = this.centerY;
    var height = this.currentHeight();
    if (x - global.listWidth + vehiclePopupWidth > this.mapWidth()) {
        x = this.mapWidth() - vehiclePopupWidth + global.listWidth;
    }
    var top = y - global.headerHeight - height < 0 ? global.headerHeight : y - height;
    if (global.listHidden) {
        x -= 100;
    }
    this.moveTo(x - vehiclePopupWidth - 10, top);
    this.originLeft = this.left;
    this.originTop = this.top;
    this.element.style.display = 'block';
    this.closed = false;
};
CustomContextMenu.prototype.Hide = function () {
    this.endDrag();
    this.element.style.display = 'none';
};
CustomContextMenu.prototype.changePosition = function (x, y) {
    this.centerX = x / 2;
    this.centerY = y / 2;
};
CustomContextMenu.prototype.setVehicleID = function (vehicleID) {
    this.id = vehicleID;
};
CustomContextMenu.prototype.vehicleID = function () {
    return this.id;
};
CustomContextMenu.prototype.isVisible = function () {
    return this.element.style.display === 'block';
};
CustomContextMenu.prototype.isMoreButtonClicked = function () {
    return this.moreOpen;
};
CustomContextMenu.prototype.setHeight = function (height) {
    this.element.style.height = height + 'px';
};
CustomContextMenu.prototype.toggleDetails = function (e) {
    if (this.moreOpen) {
        this.moreOpen = false;
        this.details.style.display = 'none';
        this.setHeight(vehiclePopupHeight);
        this.moreButton.style.top = '168px';
        this.moreButton.src = 'images/info_more_down.png';
        return;
    }
    this.moreOpen = true;
    this.details.style.display = 'block';
    this.setHeight(vehiclePopupHeightMore);
    this.moreButton.style.top = '313px';
    this.moreButton.src = 'images/info_more_up.png';
    if (e.clientY + 154 > global.height - 2) {
        this.moveTo(this.left, global.height - vehiclePopupHeightMore - 4);
    }
};
CustomContextMenu.prototype.dragTo = function (e) {
    var top = e.clientY - Math.abs(this.dragStartY - this.originTop);
    var left = e.clientX - Math.abs(this.dragStartX - this.originLeft);
    if (top + this.currentHeight() >= global.height - 2 || top + 2 <= 0 ||
        left + vehiclePopupWidth > global.width - 2 || left + 2 <= 0) {
        this.endDrag();
        return;
    }
    this.moveTo(left, top);
};
CustomContextMenu.prototype.endDrag = function () {
    if (this.dragging) {
        this.dragging = false;
        this.originLeft = this.left;
        this.originTop = this.top;
    }
};

import { withHandlerList } from './handlers.js';
import { callNative } from './native.js';
import { global, setTooltipEnabled } from './state.js';

// The list's context menu with Edit and Remove.
export function VehicleContextMenu() {
    this.handlers = [];
    this.items = {};
    this.id = 0;
    this.element = document.createElement('div');
    this.element.id = 'VehicleContextMenu';
    this.listen(this.element, 'contextmenu', function (e) { e.preventDefault(); });
    this.AddItem('edit', 'Edit');
    this.AddItem('remove', 'Remove');
    this.AddItem('history', 'Track history...');
    document.body.appendChild(this.element);
}
VehicleContextMenu.actions = { edit: 'onClickEdit', remove: 'onClickRemove',
                               history: 'onClickTrackHistory' };
withHandlerList(VehicleContextMenu);
VehicleContextMenu.prototype.AddItem = function (key, text) {
    var self = this;
    var item = document.createElement('div');
    item.id = key;
    item.textContent = text;
    this.items[key] = item;
    this.listen(item, 'click', function (e) {
        if (e.button !== 0) {
            return;
        }
        var vehicleID = self.id;
        self.Hide();
        setTooltipEnabled(false);
        global.tooltip.clear();
        callNative(VehicleContextMenu.actions[key], vehicleID);
    });
    this.element.appendChild(item);
};
VehicleContextMenu.prototype.UpdateItem = function (key, text) {
    if (this.items[key]) {
        this.items[key].textContent = text;
    }
};
VehicleContextMenu.prototype.Display = function (event, vehicleID) {
    this.id = vehicleID;
    var style = this.element.style;
    style.display = 'block';
    var top = event.clientY;
    var bodyHeight = document.body.clientHeight;
    if (top + this.element.offsetHeight > bodyHeight) {
        top = bodyHeight - this.element.offsetHeight;
    }
    style.left = event.clientX + 'px';
    style.top = top + 'px';
};
VehicleContextMenu.prototype.Hide = function () {
    this.element.style.display = 'none';
};
VehicleContextMenu.prototype.isVisible = function () {
    return this.element.style.display === 'block';
};

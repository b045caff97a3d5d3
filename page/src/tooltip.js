import { withHandlerList } from './handlers.js';

// The page's own hover text: one line per added text.
export function Tooltip() {
    var self = this;
    this.handlers = [];
    this.element = document.createElement('div');
    this.element.id = 'Tooltip';
    this.listen(this.element, 'contextmenu', function (e) { e.preventDefault(); });
    this.listen(this.element, 'mousedown', function (e) {
        if (e.button === 2) {
            self.Hide();
        }
    });
    document.body.appendChild(this.element);
}
withHandlerList(Tooltip);
Tooltip.prototype.AddText = function (text) {
    var line = document.createElement('div');
    line.textContent = text;
    this.element.appendChild(line);
};
Tooltip.prototype.Display = function (event) {
    var style = this.element.style;
    style.border = '1px solid #23408D';
    style.display = 'block';
    var left = event.clientX + 15;
    var top = event.clientY + 10;
    var bodyWidth = document.body.clientWidth;
    var bodyHeight = document.body.clientHeight;
    var width = this.element.offsetWidth;
    var height = this.element.offsetHeight;
    if (left + width >= bodyWidth - 1) {
        left = bodyWidth - width - 5;
    }
    if (top + height >= bodyHeight - 1) {
        top = bodyHeight - height - 5;
    }
    style.left = left + 'px';
    style.top = top + 'px';
};
Tooltip.prototype.Hide = function () {
    this.element.style.display = 'none';
};
// Removes the first line and hides the tool-tip.
Tooltip.prototype.DeleteItem = function () {
    if (this.element.firstChild) {
        this.element.removeChild(this.element.firstChild);
    }
    this.element.style.border = 'none';
    this.element.style.display = 'none';
};
Tooltip.prototype.clear = function () {
    while (this.element.firstChild) {
        this.element.removeChild(this.element.firstChild);
    }
    this.element.style.border = 'none';
    this.Hide();
};

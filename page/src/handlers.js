// Floating elements keep the handlers they attach (in this.handlers), so that they can
// detach them again.
export function withHandlerList(constructor) {
    constructor.prototype.listen = function (element, type, handler) {
        element.addEventListener(type, handler);
        this.handlers.push([element, type, handler]);
    };
    constructor.prototype.detach = function () {
        this.handlers.splice(0).forEach(function (h) { h[0].removeEventListener(h[1], h[2]); });
    };
}

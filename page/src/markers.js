import { withHandlerList } from './handlers.js';
import { onMarkerPressed } from './selection.js';
import { global } from './state.js';

// A vehicle marker: the picture drawn on a canvas of the picture's size in the marker pane,
// centred on the position and turned about its centre to the heading.
export function ImageCanvasOverlay(adapter, position, image, vehicleID) {
    var self = this;
    this.adapter = adapter;
    this.position = position;
    this.vehicleID = vehicleID;
    this.angle = 0;
    this.imageSrc = '';
    this.picture = null;
    this.glow = 'none';
    this.canvas = document.createElement('canvas');
    this.canvas.className = 'vehicleMarker leaflet-zoom-hide';
    this.canvas.width = ImageCanvasOverlay.fallbackSize;
    this.canvas.height = ImageCanvasOverlay.fallbackSize;
    this.handlers = [];
    this.listen(this.canvas, 'mousedown', function (e) {
        // Keep the map from starting a drag under the marker.
        e.stopPropagation();
        if (e.button === 0) {
            onMarkerPressed(self.vehicleID, e);
        }
    });
    this.listen(this.canvas, 'dblclick', function (e) { e.stopPropagation(); });
    this.setImage(image);
    adapter.addOverlay(this);
    this.draw();
}
ImageCanvasOverlay.fallbackSize = 24;
// The glow round the picture (its status colour, an alarm's flash) is drawn into the
// canvas, in this margin, whenever it changes. As a CSS filter on each moving marker it
// cost the web engine's compositor an off-screen pass and a blur per marker in every
// frame.
ImageCanvasOverlay.glowMargin = 8;
ImageCanvasOverlay.pictures = {};
withHandlerList(ImageCanvasOverlay);
// Pictures are shared by every marker; each loads once.
ImageCanvasOverlay.loadPicture = function (src, onReady) {
    var entry = ImageCanvasOverlay.pictures[src];
    if (!entry) {
        entry = { image: new Image(), state: 'loading', waiting: [] };
        ImageCanvasOverlay.pictures[src] = entry;
        entry.image.onload = function () {
            entry.state = 'ready';
            entry.waiting.splice(0).forEach(function (f) { f(); });
        };
        entry.image.onerror = function () {
            entry.state = 'failed';
            entry.waiting.splice(0).forEach(function (f) { f(); });
        };
        entry.image.src = src;
    }
    if (entry.state === 'loading') {
        entry.waiting.push(onReady);
    }
    return entry;
};
ImageCanvasOverlay.prototype.setImage = function (src) {
    if (src === this.imageSrc) {
        return;
    }
    var self = this;
    this.imageSrc = src;
    this.picture = ImageCanvasOverlay.loadPicture(src, function () {
        if (self.imageSrc === src) {
            self.render();
        }
    });
    this.render();
};
ImageCanvasOverlay.prototype.size = function () {
    if (this.picture && this.picture.state === 'ready') {
        return { w: this.picture.image.naturalWidth, h: this.picture.image.naturalHeight };
    }
    return { w: ImageCanvasOverlay.fallbackSize, h: ImageCanvasOverlay.fallbackSize };
};
// The glow as a CSS filter text ('none' for none), applied to the picture alone.
ImageCanvasOverlay.prototype.setGlow = function (filter) {
    var glow = filter || 'none';
    if (glow !== this.glow) {
        this.glow = glow;
        this.render();
    }
};
// Draws the picture upright with its glow; the heading is a rotation of the whole canvas
// about its centre, so a new heading costs no redraw.
ImageCanvasOverlay.prototype.render = function () {
    var size = this.size();
    var margin = ImageCanvasOverlay.glowMargin;
    if (this.canvas.width !== size.w + 2 * margin || this.canvas.height !== size.h + 2 * margin) {
        this.canvas.width = size.w + 2 * margin;
        this.canvas.height = size.h + 2 * margin;
        this.draw();
    }
    var ctx = this.canvas.getContext('2d');
    var w = size.w / 2;
    var h = size.h / 2;
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.filter = 'none';
    ctx.clearRect(0, 0, this.canvas.width, this.canvas.height);
    ctx.translate(margin, margin);
    ctx.filter = this.glow;
    if (this.picture && this.picture.state === 'ready') {
        ctx.drawImage(this.picture.image, 0, 0);
    } else if (!this.picture || this.picture.state === 'failed') {
        // Without the picture files the marker is still a visible arrow pointing north.
        var selected = this.imageSrc === global.selectedImage;
        ctx.beginPath();
        ctx.moveTo(w, 1);
        ctx.lineTo(2 * w - 3, 2 * h - 2);
        ctx.lineTo(w, h + h / 3);
        ctx.lineTo(3, 2 * h - 2);
        ctx.closePath();
        ctx.fillStyle = selected ? '#D00000' : '#23408D';
        ctx.strokeStyle = '#FFFFFF';
        ctx.lineWidth = 2;
        ctx.fill();
        ctx.stroke();
    }
};
ImageCanvasOverlay.prototype.rotate = function (angle) {
    if (angle !== this.angle) {
        this.angle = angle;
        this.moveLater();
    }
};
ImageCanvasOverlay.prototype.setPosition = function (position) {
    this.position = position;
    if (position) {
        this.moveLater();
    } else {
        this.draw();
    }
};

// Markers on the map move together, at most once every frameMs (less often when many
// move, below): each move of a marker costs the web engine's compositor a redraw of it,
// and a fleet reporting a hundred times a second would otherwise have every marker redrawn
// in every frame. A vehicle reporting up to twelve times a second still shows every
// position; its position and heading (position, angle) are always the latest at once,
// only their drawing waits. A marker not on the map yet appears at once.
ImageCanvasOverlay.frameMs = 80;
// Each turned marker that is drawn again costs the software compositor about 1.5-2 ms of
// a core per frame, so frames are spaced by the markers the last one drew: up to 50 at
// once still move every frameMs, 101 every 160 ms, a thousand every 1.6 s. Drawing the
// markers stays near an eighth of a core however many vehicles move.
ImageCanvasOverlay.markerMs = 1.6;
ImageCanvasOverlay.moving = [];
ImageCanvasOverlay.timer = 0;
ImageCanvasOverlay.lastFrame = -Infinity;
ImageCanvasOverlay.lastCount = 0;
ImageCanvasOverlay.prototype.moveLater = function () {
    if (this.canvas.style.display === 'none' || !this.canvas._leaflet_pos) {
        this.draw();
        return;
    }
    if (this.waiting) {
        return;
    }
    this.waiting = true;
    ImageCanvasOverlay.moving.push(this);
    if (!ImageCanvasOverlay.timer) {
        var spacing = Math.max(ImageCanvasOverlay.frameMs,
                               ImageCanvasOverlay.lastCount * ImageCanvasOverlay.markerMs);
        var wait = ImageCanvasOverlay.lastFrame + spacing - performance.now();
        ImageCanvasOverlay.timer = setTimeout(ImageCanvasOverlay.drawMoving, Math.max(0, wait));
    }
};
ImageCanvasOverlay.drawMoving = function () {
    ImageCanvasOverlay.timer = 0;
    ImageCanvasOverlay.lastFrame = performance.now();
    var moving = ImageCanvasOverlay.moving;
    ImageCanvasOverlay.moving = [];
    var count = 0;
    for (var i = 0; i < moving.length; i++) {
        moving[i].waiting = false;
        // A marker removed meanwhile stays off the map.
        if (moving[i].canvas.parentNode) {
            moving[i].draw();
            count++;
        }
    }
    ImageCanvasOverlay.lastCount = count;
};
// Places the canvas centred on the position and turned to the heading; a marker without a
// known position stays hidden.
ImageCanvasOverlay.prototype.draw = function () {
    if (!this.position) {
        this.canvas.style.display = 'none';
        return;
    }
    var p = this.adapter.toLayerPoint(this.position);
    var x = Math.round(p.x - this.canvas.width / 2);
    var y = Math.round(p.y - this.canvas.height / 2);
    this.canvas._leaflet_pos = L.point(x, y);
    this.canvas.style.display = '';
    this.canvas.style.transform = 'translate3d(' + x + 'px,' + y + 'px,0) rotate(' + this.angle + 'rad)';
};
ImageCanvasOverlay.prototype.remove = function () {
    this.detach();
    this.adapter.removeOverlay(this);
};

import { global } from './state.js';

// A vehicle marker: where the vehicle is (position, 0 when unknown), its heading (angle,
// radians), its picture and glow, its status and whether it flashes for an alarm. The
// marker owns no element: the map's one marker layer draws every marker together, from a
// sprite (the picture with its glow) that all markers of the same look share.
export function ImageCanvasOverlay(adapter, position, image, vehicleID) {
    this.adapter = adapter;
    this.position = position;
    this.vehicleID = vehicleID;
    this.angle = 0;
    this.imageSrc = '';
    this.picture = null;
    this.glow = 'none';
    this.status = '';
    this.alarm = false;
    // A vehicle whose stored track is shown has its live marker hidden meanwhile.
    this.hidden = false;
    this.setImage(image);
    adapter.addOverlay(this);
}
ImageCanvasOverlay.fallbackSize = 24;
// The glow round the picture (its status colour, an alarm's flash) is drawn into the
// sprite, in this margin: as a CSS filter it would cost the compositor a blur per marker in
// every frame.
ImageCanvasOverlay.glowMargin = 8;
ImageCanvasOverlay.pictures = {};
// Sprites by picture, glow and the picture's state; a handful of looks in all, so the
// cache only empties itself when pictures come and go by the dozen.
ImageCanvasOverlay.sprites = {};
ImageCanvasOverlay.spriteCount = 0;
ImageCanvasOverlay.spriteLimit = 64;

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
            self.changed();
        }
    });
    this.changed();
};
// The glow as a CSS filter text ('none' for none), applied to the picture alone.
ImageCanvasOverlay.prototype.setGlow = function (filter) {
    var glow = filter || 'none';
    if (glow !== this.glow) {
        this.glow = glow;
        this.changed();
    }
};
ImageCanvasOverlay.prototype.setStatus = function (status) {
    this.status = status;
};
ImageCanvasOverlay.prototype.setAlarm = function (on) {
    if (on !== this.alarm) {
        this.alarm = on;
        this.adapter.markersRegrouped();
    }
};
ImageCanvasOverlay.prototype.setHidden = function (hidden) {
    if (hidden !== this.hidden) {
        this.hidden = hidden;
        this.adapter.markersRegrouped();
    }
};
ImageCanvasOverlay.prototype.rotate = function (angle) {
    if (angle !== this.angle) {
        this.angle = angle;
        this.changed();
    }
};
// Position and heading are the newest at once; their drawing waits for the layer's next
// frame. A marker that gains or loses its position changes what the layer groups.
ImageCanvasOverlay.prototype.setPosition = function (position) {
    var had = Boolean(this.position);
    this.position = position;
    if (had !== Boolean(position)) {
        this.adapter.markersRegrouped();
    } else {
        this.changed();
    }
};
ImageCanvasOverlay.prototype.changed = function () {
    this.adapter.markersChanged();
};
ImageCanvasOverlay.prototype.remove = function () {
    this.adapter.removeOverlay(this);
};

// The picture upright with its glow, on a canvas of the picture's size and the margin.
ImageCanvasOverlay.prototype.sprite = function () {
    var state = this.picture ? this.picture.state : 'failed';
    var key = this.imageSrc + '\n' + this.glow + '\n' + state;
    var sprites = ImageCanvasOverlay.sprites;
    if (!Object.prototype.hasOwnProperty.call(sprites, key)) {
        if (ImageCanvasOverlay.spriteCount >= ImageCanvasOverlay.spriteLimit) {
            ImageCanvasOverlay.sprites = sprites = {};
            ImageCanvasOverlay.spriteCount = 0;
        }
        sprites[key] = drawSprite(this.picture, this.imageSrc === global.selectedImage, this.glow);
        ImageCanvasOverlay.spriteCount++;
    }
    return sprites[key];
};

function drawSprite(picture, selected, glow) {
    var ready = picture && picture.state === 'ready';
    var w = ready ? picture.image.naturalWidth : ImageCanvasOverlay.fallbackSize;
    var h = ready ? picture.image.naturalHeight : ImageCanvasOverlay.fallbackSize;
    var margin = ImageCanvasOverlay.glowMargin;
    var canvas = document.createElement('canvas');
    canvas.width = w + 2 * margin;
    canvas.height = h + 2 * margin;
    var ctx = canvas.getContext('2d');
    ctx.translate(margin, margin);
    ctx.filter = glow;
    if (ready) {
        ctx.drawImage(picture.image, 0, 0);
    } else if (!picture || picture.state === 'failed') {
        // Without the picture files the marker is still a visible arrow pointing north.
        var x = w / 2;
        var y = h / 2;
        ctx.beginPath();
        ctx.moveTo(x, 1);
        ctx.lineTo(2 * x - 3, 2 * y - 2);
        ctx.lineTo(x, y + y / 3);
        ctx.lineTo(3, 2 * y - 2);
        ctx.closePath();
        ctx.fillStyle = selected ? '#D00000' : '#23408D';
        ctx.strokeStyle = '#FFFFFF';
        ctx.lineWidth = 2;
        ctx.fill();
        ctx.stroke();
    }
    return canvas;
}

// A live track's newest points as latitude and longitude pairs in one typed array, written
// round in a ring: ten thousand vehicles keep a hundred points each, and as objects of
// their own those million points were most of the page's memory, grown for the first
// minutes and marked again by every collection. The array is made at its full size with
// the first point, so a fleet's tracks take their memory when the vehicles arrive.
export function TrackRing() {
    this.points = null;
    this.start = 0;
    this.length = 0;
}

// Adds a point; past capacity points the oldest goes. A new capacity keeps the newest.
TrackRing.prototype.push = function (lat, lng, capacity) {
    var size = Math.max(1, Math.floor(capacity));
    if (!this.points || this.points.length !== 2 * size) {
        this.resize(size);
    }
    var at;
    if (this.length < size) {
        at = (this.start + this.length) % size;
        this.length++;
    } else {
        at = this.start;
        this.start = (this.start + 1) % size;
    }
    this.points[2 * at] = lat;
    this.points[2 * at + 1] = lng;
};

TrackRing.prototype.resize = function (size) {
    var kept = Math.min(this.length, size);
    var points = new Float64Array(2 * size);
    for (var i = 0; i < kept; i++) {
        var from = 2 * ((this.start + this.length - kept + i) % (this.points.length / 2));
        points[2 * i] = this.points[from];
        points[2 * i + 1] = this.points[from + 1];
    }
    this.points = points;
    this.start = 0;
    this.length = kept;
};

TrackRing.prototype.clear = function () {
    this.start = 0;
    this.length = 0;
};

// The points oldest first, each made by make(lat, lng).
TrackRing.prototype.map = function (make) {
    var out = new Array(this.length);
    var size = this.points ? this.points.length / 2 : 0;
    for (var i = 0; i < this.length; i++) {
        var at = 2 * ((this.start + i) % size);
        out[i] = make(this.points[at], this.points[at + 1]);
    }
    return out;
};

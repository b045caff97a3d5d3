import { TrackRing } from './track-ring.js';

// The page's record of one vehicle.
export function VehicleInfo(index, vehicleID, name, position, updateTime) {
    this.index = index;
    this.vehicleID = vehicleID;
    this.position = position;
    this.speed = 0;
    this.bearing = 0;
    this.updateTime = updateTime;
    this.timerID = 0;
    this.imagePath = '';
    this.driver = '';
    this.company = '';
    this.registration = '';
    this.license = '';
    this.maker = '';
    this.model = '';
    this.info1 = '';
    this.info2 = '';
    this.name = name;
    this.deleted = false;
    this.track = new TrackRing();
    if (position) {
        this.addTrackPoint(position);
    }
}
['index', 'vehicleID', 'position', 'speed', 'bearing', 'updateTime', 'timerID', 'imagePath', 'driver',
 'company', 'registration', 'license', 'maker', 'model', 'info1', 'info2', 'name', 'deleted']
    .forEach(function (field) {
        var suffix = field.charAt(0).toUpperCase() + field.substring(1);
        VehicleInfo.prototype['get' + suffix] = function () { return this[field]; };
        VehicleInfo.prototype['set' + suffix] = function (value) { this[field] = value; };
    });
VehicleInfo.maxTrackLength = 1000;
// The track keeps the newest points: past the cap the oldest goes before a new one comes.
VehicleInfo.prototype.addTrackPoint = function (point) {
    this.track.push(point.lat, point.lng, VehicleInfo.maxTrackLength + 1);
};
// The track's points, oldest first, in an array of their own: the tracking line asks again
// for each redraw.
VehicleInfo.prototype.getTrack = function () {
    return this.track.map(L.latLng);
};
VehicleInfo.prototype.clearTrack = function () {
    this.track.clear();
};

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
    this.track = position ? [position] : [];
}
['index', 'vehicleID', 'position', 'speed', 'bearing', 'updateTime', 'timerID', 'imagePath', 'driver',
 'company', 'registration', 'license', 'maker', 'model', 'info1', 'info2', 'name', 'deleted', 'track']
    .forEach(function (field) {
        var suffix = field.charAt(0).toUpperCase() + field.substring(1);
        VehicleInfo.prototype['get' + suffix] = function () { return this[field]; };
        VehicleInfo.prototype['set' + suffix] = function (value) { this[field] = value; };
    });
VehicleInfo.maxTrackLength = 1000;
// The track keeps the newest points: past the cap the oldest goes before a new one comes.
VehicleInfo.prototype.addTrackPoint = function (point) {
    if (this.track.length > VehicleInfo.maxTrackLength) {
        this.track.shift();
    }
    this.track.push(point);
};
// Empties the track in place: the tracking line may be drawing this very array.
VehicleInfo.prototype.clearTrack = function () {
    this.track.length = 0;
};

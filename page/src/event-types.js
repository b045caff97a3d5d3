// Event names and pictures by type code: the recorders' alarm codes 0 to 13, and the
// codes the station raises itself from 1000 on (zones and speed). Pure: no DOM.
// Exports eventName(type) and eventPicture(type), '' for a code without a name.

var recorderEvents = [
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
var stationEventBase = 1000;
var stationEvents = [
    ['Zone enter', 'images/icon_add.png'],
    ['Zone exit', 'images/icon_white.png'],
    ['Overspeed', 'images/icon_gsensor.png']
];

function entryOf(type) {
    var code = Number(type);
    if (code % 1 !== 0) {
        return undefined;
    }
    if (code >= stationEventBase) {
        return stationEvents[code - stationEventBase];
    }
    return code >= 0 ? recorderEvents[code] : undefined;
}

export function eventName(type) {
    var entry = entryOf(type);
    return entry ? entry[0] : '';
}

export function eventPicture(type) {
    var entry = entryOf(type);
    return entry ? entry[1] : '';
}

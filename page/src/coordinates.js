// Reading and writing positions and speeds. Pure, no map library: positions are plain
// { lat, lng } objects here.

// A stored position as the station wrote it (signed degrees, a decimal point); anything
// else, or a value off the globe, is no position (null): the vehicle keeps the one it has.
export function readDegrees(latitude, longitude) {
    var decimal = /^-?[0-9]+(\.[0-9]+)?$/;
    var lat = String(latitude), lng = String(longitude);
    if (!decimal.test(lat) || !decimal.test(lng)) {
        return null;
    }
    var a = Number(lat), b = Number(lng);
    if (!isFinite(a) || !isFinite(b) || Math.abs(a) > 90 || Math.abs(b) > 180) {
        return null;
    }
    return { lat: a, lng: b };
}

export function isPosition(latitude, longitude) {
    return typeof latitude === 'number' && typeof longitude === 'number' && isFinite(latitude) &&
           isFinite(longitude) && Math.abs(latitude) <= 90 && Math.abs(longitude) <= 180;
}

// Speed in knots as "18.52km/h (11.51 mph)".
export function speedToText(knots) {
    var value = Number(knots) || 0;
    var kmh = Math.round(value * 1.852 * 100) / 100;
    var mph = Math.round(value * 1.151 * 100) / 100;
    return kmh + 'km/h (' + mph + ' mph)';
}

// Signed decimal degrees as degrees, minutes and seconds with the hemisphere letter, e.g.
// -0.5 as 0° 30' 0.00" S. The hemisphere carries the sign, so the degrees are shown without
// one; seconds are rounded once, so they never read 60.00.
function coordinateToText(value, positive, negative) {
    var v = Number(value);
    var hundredths = Math.round(Math.abs(v) * 360000);
    var degrees = Math.floor(hundredths / 360000);
    var rest = hundredths - degrees * 360000;
    var minutes = Math.floor(rest / 6000);
    var seconds = (rest - minutes * 6000) / 100;
    return degrees + '\u00B0 ' + minutes + "' " + seconds.toFixed(2) + '" ' + (v >= 0 ? positive : negative);
}

export function latitudeToText(value) {
    return coordinateToText(value, 'N', 'S');
}

export function longitudeToText(value) {
    return coordinateToText(value, 'E', 'W');
}

// A ring or line that crosses the 180th meridian (Fiji, the east tip of Russia) jumps from
// +180 to -180 and would be drawn as a band across the whole world. Carried on past 180
// instead, it is drawn where it is. A ring that goes all the way round (Antarctica) keeps
// its longitudes.
export function unwrapLongitudes(points) {
    var out = [];
    var shift = 0;
    var min = Infinity;
    var max = -Infinity;
    var rawMin = Infinity;
    var rawMax = -Infinity;
    for (var i = 0; i < points.length; i++) {
        var lng = points[i][0];
        if (i > 0) {
            var step = lng + shift - out[i - 1][0];
            if (step > 180) {
                shift -= 360;
            } else if (step < -180) {
                shift += 360;
            }
        }
        out.push([lng + shift, points[i][1]]);
        min = Math.min(min, lng + shift);
        max = Math.max(max, lng + shift);
        rawMin = Math.min(rawMin, lng);
        rawMax = Math.max(rawMax, lng);
    }
    return max - min < rawMax - rawMin ? out : points;
}

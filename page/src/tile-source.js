// Which tiles a map type shows and whose they are: pure logic, no page and no map library.
// Exports tileSource(type, sources, defaults, stationTiles) -> { url, attribution }, with
// url '' when the type shows no tiles (the world outlines alone).

export var roadAttribution = '\u00A9 OpenStreetMap contributors';
export var satelliteAttribution = 'Imagery \u00A9 Esri';

// The station's own tile scheme: it answers from the operator's tile files, its cache and
// then the network, so a place looked at once stays visible offline.
var stationAddress = 'corvane-tile://{source}/{z}/{x}/{y}';

// type: 'map', 'satellite' or 'offline'; sources and defaults: { road, satellite } address
// templates; stationTiles: whether the tiles come through the station.
export function tileSource(type, sources, defaults, stationTiles) {
    var source = type === 'satellite' ? 'satellite' : type === 'offline' ? 'offline' : 'road';
    if (source === 'offline') {
        // Without the station there is nothing offline but the outlines.
        return { url: stationTiles ? stationAddress.replace('{source}', 'offline') : '',
                 attribution: '' };
    }
    var template = sources[source];
    if (!template) {
        return { url: '', attribution: '' };
    }
    var attribution = '';
    if (template === defaults.road) {
        attribution = roadAttribution;
    } else if (template === defaults.satellite) {
        attribution = satelliteAttribution;
    }
    return { url: stationTiles ? stationAddress.replace('{source}', source) : template,
             attribution: attribution };
}

// The page's script: the modules in the order their top-level code has to run, then
// the names the station calls and its tests read.
import './state.js';
import './handlers.js';
import './map.js';
import './markers.js';
import './vehicle-info.js';
import './event-popup.js';
import './vehicle-popup.js';
import './tooltip.js';
import './list-menu.js';
import './list.js';
import './status.js';
import './search.js';
import './alarm.js';
import './alarm-desk.js';
import './world-layer.js';
import './history.js';
import './zones.js';
import './zone-editing.js';
import './fleet.js';
import './selection.js';
import './layout.js';
import './native.js';
import './inspection.js';

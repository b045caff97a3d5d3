import { eventName } from './event-popup.js';
import { findMarker } from './fleet.js';
import { callNative } from './native.js';
import { global } from './state.js';
import { addHeaderTextButton, vehicleStatus } from './status.js';

// ---- Alarm attention ----
// Events of the chosen kinds (a bit per event type; Emergency at first) make the vehicle's
// list entry and marker flash until the operator opens the vehicle, and sound a short
// tone made here, unless the operator has muted it with the header's toggle.
//
// The flash is one timer that turns every flashing entry and marker on and off each
// flashMs, and only while something flashes: an endless CSS animation would have the
// web engine make a frame sixty times a second for as long as an alarm waits.
export var vehicleAlarms = {
    kinds: 1 << 13,
    // The station's own events that call for attention: bit 0 Zone enter (1000), bit 1
    // Zone exit (1001), bit 2 Overspeed (1002). None at first.
    zoneKinds: 0,
    muted: false,
    flashing: {},
    flashMs: 500,
    flashOn: false,
    flashTimer: 0,
    glow: 'drop-shadow(0 0 4px #E02020) drop-shadow(0 0 2px #E02020)',
    audio: null,
    sounds: 0,
    soundedAt: 0,
    button: null
};

var firstStationType = 1000;

function isAlarmKind(eventType) {
    // Only the known kinds: a type without a name is no alarm, whatever bits are set.
    // The kinds hold a bit for each recorder code (0 to 31) only: a shift takes its
    // count modulo 32, so a station code (1000 on) would read another code's bit.
    var type = Number(eventType);
    if (type >= firstStationType && type < firstStationType + 3) {
        return ((vehicleAlarms.zoneKinds >>> (type - firstStationType)) & 1) === 1;
    }
    return type >= 0 && type < 32 && eventName(type) !== '' &&
        ((vehicleAlarms.kinds >>> type) & 1) === 1;
}


function setAlarmFlashing(vehicleID, on) {
    var entry = global.listBox.find(vehicleID);
    if (entry) {
        entry.classList.toggle('alarm', on);
    }
    var marker = findMarker(vehicleID);
    if (marker) {
        marker.setAlarm(on);
    }
    if (on) {
        vehicleAlarms.flashing[vehicleID] = true;
    } else {
        delete vehicleAlarms.flashing[vehicleID];
    }
    keepFlashing();
    showMarkerGlow(vehicleID);
}

// Starts the flash timer, lit, when the first alarm flashes and stops it after the last.
function keepFlashing() {
    var any = Object.keys(vehicleAlarms.flashing).length > 0;
    if (any && !vehicleAlarms.flashTimer) {
        setFlashOn(true);
        vehicleAlarms.flashTimer = setInterval(function () { setFlashOn(!vehicleAlarms.flashOn); },
                                               vehicleAlarms.flashMs);
    } else if (!any && vehicleAlarms.flashTimer) {
        clearInterval(vehicleAlarms.flashTimer);
        vehicleAlarms.flashTimer = 0;
        setFlashOn(false);
    }
}

function setFlashOn(on) {
    vehicleAlarms.flashOn = on;
    global.listBox.element.classList.toggle('alarmFlashOn', on);
    Object.keys(vehicleAlarms.flashing).forEach(showMarkerGlow);
}

// A flashing marker glows red while the flash is lit and not at all in between; any
// other shows the colour of its status.
export function showMarkerGlow(vehicleID) {
    var marker = findMarker(vehicleID);
    if (!marker) {
        return;
    }
    if (vehicleAlarms.flashing[vehicleID]) {
        marker.setGlow(vehicleAlarms.flashOn ? vehicleAlarms.glow : 'none');
        return;
    }
    var entry = global.listBox.find(vehicleID);
    marker.setGlow(entry && entry.status ? vehicleStatus.glows[entry.status] : 'none');
}

// Two short beeps from an oscillator; a page that may not play sound stays silent.
export function playAlarmSound() {
    vehicleAlarms.sounds++;
    vehicleAlarms.soundedAt = Date.now();
    try {
        var Context = window.AudioContext || window.webkitAudioContext;
        if (!Context) {
            return;
        }
        var audio = vehicleAlarms.audio || (vehicleAlarms.audio = new Context());
        if (audio.state === 'suspended') {
            audio.resume();
        }
        var start = audio.currentTime + 0.01;
        [0, 0.25].forEach(function (offset) {
            var tone = audio.createOscillator();
            var gain = audio.createGain();
            tone.type = 'square';
            tone.frequency.value = 880;
            gain.gain.setValueAtTime(0.0001, start + offset);
            gain.gain.exponentialRampToValueAtTime(0.2, start + offset + 0.02);
            gain.gain.exponentialRampToValueAtTime(0.0001, start + offset + 0.18);
            tone.connect(gain);
            gain.connect(audio.destination);
            tone.start(start + offset);
            tone.stop(start + offset + 0.2);
        });
    } catch (e) {
        // No sound device: the flashing still tells.
    }
}

export function alarmRaised(eventType, vehicleID) {
    if (!isAlarmKind(eventType)) {
        return;
    }
    // A vehicle beyond the list has nothing to flash, but it is still heard.
    if (global.listBox.find(vehicleID)) {
        setAlarmFlashing(vehicleID, true);
    }
    if (!vehicleAlarms.muted) {
        playAlarmSound();
    }
}

// Whether the vehicle flashes for an alarm; the desk lights it or puts it out.
export function setAlarmFlash(vehicleID, on) {
    if (Boolean(vehicleAlarms.flashing[vehicleID]) !== on && global.listBox.find(vehicleID)) {
        setAlarmFlashing(vehicleID, on);
    }
}

// The operator opened the vehicle: its alarm has been seen.
export function alarmSeen(vehicleID) {
    if (vehicleAlarms.flashing[vehicleID]) {
        setAlarmFlashing(vehicleID, false);
    }
}

function showMuted() {
    var button = vehicleAlarms.button;
    if (button) {
        button.textContent = vehicleAlarms.muted ? 'Sound off' : 'Sound on';
        button.classList.toggle('muted', vehicleAlarms.muted);
    }
}

export function initializeAlarms() {
    vehicleAlarms.button = addHeaderTextButton('muteButton', 'Sound on', 'Alarm sound', function () {
        vehicleAlarms.muted = !vehicleAlarms.muted;
        showMuted();
        callNative('onChangeAlarmMute', vehicleAlarms.muted ? '1' : '0');
    });
    showMuted();
}

// Called by the native side: the event types that call for attention, one bit per type.
export function setAlarmKinds(mask) {
    var kinds = Number(mask) >>> 0;
    vehicleAlarms.kinds = kinds;
}

// Called by the native side: which of the station's own events (Zone enter, Zone exit,
// Overspeed: bits 0 to 2) call for attention.
export function setZoneAlarmKinds(mask) {
    vehicleAlarms.zoneKinds = (Number(mask) >>> 0) & 7;
}

// Called by the native side with the stored mute setting (1 muted, 0 not).
export function setAlarmMuted(muted) {
    vehicleAlarms.muted = Number(muted) !== 0;
    showMuted();
}

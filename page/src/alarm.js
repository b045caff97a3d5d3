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
    muted: false,
    flashing: {},
    flashMs: 500,
    flashOn: false,
    flashTimer: 0,
    glow: 'drop-shadow(0 0 4px #E02020) drop-shadow(0 0 2px #E02020)',
    audio: null,
    sounds: 0,
    button: null
};

function isAlarmKind(eventType) {
    // Only the known kinds: a type without a name is no alarm, whatever bits are set.
    var type = Number(eventType);
    return eventName(type) !== '' && ((vehicleAlarms.kinds >>> type) & 1) === 1;
}

function setAlarmFlashing(vehicleID, on) {
    var entry = global.listBox.find(vehicleID);
    if (entry) {
        entry.classList.toggle('alarm', on);
    }
    var marker = findMarker(vehicleID);
    if (marker) {
        marker.canvas.classList.toggle('alarm', on);
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
function playAlarmSound() {
    vehicleAlarms.sounds++;
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

// Called by the native side with the stored mute setting (1 muted, 0 not).
export function setAlarmMuted(muted) {
    vehicleAlarms.muted = Number(muted) !== 0;
    showMuted();
}

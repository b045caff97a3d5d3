import { playAlarmSound, setAlarmFlash, vehicleAlarms } from './alarm.js';
import { alarmAge, groupOpenAlarms } from './alarm-groups.js';
import { eventName } from './event-popup.js';
import { findVehicle, unlistedName } from './fleet.js';
import { layoutPage } from './layout.js';
import { callNative } from './native.js';
import { selectVehicle } from './selection.js';

// ---- Alarm desk ----
// The open alarms the station keeps in app.db, under the vehicle list: newest first, grouped
// per vehicle with its count, so that a burst of one vehicle's alarms is one group. The
// operator acknowledges one alarm or all of a vehicle's, with the note typed above the list;
// the station stores it and sends the alarms again, and only then does an alarm leave the
// panel. While any alarm is open the tone sounds again every repeatMs (unless muted); a
// vehicle flashes until none of its alarms is open, or the operator opens it.
//
// Exports initializeAlarmDesk, setOpenAlarms and alarmAckRefused (station calls), deskHeight
// (the layout) and alarmDesk (its state, for the tests).
export var alarmDesk = {
    total: 0,
    groups: [],
    perVehicle: 5,
    repeatMs: 30000,
    loaded: false,
    timer: 0,
    element: null
};

var headerHeight = 24;

function element(tag, className, text) {
    var node = document.createElement(tag);
    if (className) {
        node.className = className;
    }
    if (text !== undefined) {
        node.textContent = text;
    }
    return node;
}

function vehicleName(vehicleID) {
    var info = findVehicle(vehicleID);
    if (info) {
        return info.getName();
    }
    var name = unlistedName(vehicleID);
    return name !== null ? name : vehicleID;
}

function kindName(type) {
    var name = eventName(type);
    return name !== '' ? name : 'Event ' + type;
}

function takeNote() {
    var input = document.getElementById('alarmNote');
    var note = input.value;
    input.value = '';
    return note;
}

function acknowledge(button, eventId, vehicleID) {
    button.disabled = true;
    button.textContent = 'Acknowledging...';
    showMessage('');
    callNative('onAcknowledgeAlarms', String(eventId), vehicleID, takeNote());
}

function showMessage(text) {
    var message = document.getElementById('alarmDeskMessage');
    message.textContent = text;
    message.style.display = text ? 'block' : 'none';
}

function alarmRow(alarm, now) {
    var row = element('div', 'alarmRow');
    row.appendChild(element('span', 'alarmKind', kindName(alarm.type)));
    row.appendChild(element('span', 'alarmTitle', alarm.title));
    row.appendChild(element('span', 'alarmTime', alarm.time));
    var age = element('span', 'alarmAge', alarmAge(alarm.time, now));
    age.dataset.time = alarm.time;
    row.appendChild(age);
    var button = element('button', 'ackOne', 'Acknowledge');
    button.addEventListener('click', function () { acknowledge(button, alarm.id, ''); });
    row.appendChild(button);
    return row;
}

function groupBlock(group, now) {
    var block = element('div', 'alarmGroup');
    block.dataset.vehicle = group.vehicleId;
    var head = element('div', 'alarmGroupHead');
    var name = element('span', 'alarmVehicle', vehicleName(group.vehicleId));
    name.addEventListener('click', function () { selectVehicle(group.vehicleId); });
    head.appendChild(name);
    head.appendChild(element('span', 'alarmGroupCount', String(group.count)));
    var all = element('button', 'ackAll', 'Acknowledge all');
    all.addEventListener('click', function () { acknowledge(all, group.newest, group.vehicleId); });
    head.appendChild(all);
    block.appendChild(head);
    group.alarms.forEach(function (alarm) { block.appendChild(alarmRow(alarm, now)); });
    if (group.count > group.alarms.length) {
        block.appendChild(element('div', 'alarmMore', '+' + (group.count - group.alarms.length) + ' more'));
    }
    return block;
}

function render() {
    document.getElementById('alarmDeskCount').textContent = String(alarmDesk.total);
    var open = alarmDesk.total > 0;
    if (alarmDesk.element.classList.contains('open') !== open) {
        alarmDesk.element.classList.toggle('open', open);
        layoutPage();
    }
    var list = document.getElementById('alarmDeskList');
    var now = Date.now();
    var blocks = document.createDocumentFragment();
    alarmDesk.groups.forEach(function (group) { blocks.appendChild(groupBlock(group, now)); });
    list.replaceChildren(blocks);
}

function refreshAges() {
    var now = Date.now();
    document.querySelectorAll('#alarmDeskList .alarmAge').forEach(function (age) {
        age.textContent = alarmAge(age.dataset.time, now);
    });
}

// Once a second: the ages, and the tone again while anything is open.
function tick() {
    refreshAges();
    if (alarmDesk.total > 0 && !vehicleAlarms.muted &&
        Date.now() - vehicleAlarms.soundedAt >= alarmDesk.repeatMs) {
        playAlarmSound();
    }
}

// Called by the station with every open alarm it holds (see groupOpenAlarms).
export function setOpenAlarms(open) {
    var before = alarmDesk.groups;
    alarmDesk.total = Number(open && open.total) || 0;
    alarmDesk.groups = groupOpenAlarms(open, alarmDesk.perVehicle);
    var still = Object.create(null);
    alarmDesk.groups.forEach(function (group) { still[group.vehicleId] = true; });
    // Put out the flash of each vehicle nobody needs to look at any more; on the first list
    // after the page loaded, light it for each one with open alarms, as they were raised
    // before this page could flash them.
    before.forEach(function (group) {
        if (!still[group.vehicleId]) {
            setAlarmFlash(group.vehicleId, false);
        }
    });
    if (!alarmDesk.loaded) {
        alarmDesk.loaded = true;
        alarmDesk.groups.forEach(function (group) { setAlarmFlash(group.vehicleId, true); });
    }
    render();
}

// Called by the station when it did not store an acknowledgement.
export function alarmAckRefused(reason) {
    showMessage(String(reason));
    render();
}

// The panel's height in the left column: its header alone while nothing is open.
export function deskHeight(columnHeight) {
    if (!alarmDesk.element || alarmDesk.total === 0) {
        return headerHeight;
    }
    return Math.max(headerHeight, Math.round(columnHeight * 0.4));
}

export function initializeAlarmDesk() {
    alarmDesk.element = document.getElementById('alarmDesk');
    alarmDesk.timer = setInterval(tick, 1000);
    render();
}

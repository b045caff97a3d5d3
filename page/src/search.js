import { foldText } from './text-fold.js';
import { findVehicle } from './fleet.js';
import { compareListEntries, sortListBox } from './list.js';
import { global } from './state.js';

// ---- Search and order of the list ----
// A box above the list keeps only the entries whose shown name, reported name,
// registration or driver contains the typed text, without regard to letter case or
// accents, and shows how many of the listed vehicles it keeps ("12 of 87"). Escape
// clears it. A second control orders the list by name or by last report, newest first.
var vehicleSearch = {
    bar: null,
    input: null,
    count: null,
    order: null,
    needle: '',
    pending: 0,
    height: 26
};

export function searchBarHeight() {
    return vehicleSearch.bar ? vehicleSearch.height : 0;
}

function entryMatches(entry, needle) {
    if (!needle) {
        return true;
    }
    var texts = [entry.nameLabel.textContent];
    var info = findVehicle(entry.vehicleID);
    if (info) {
        texts.push(info.reportedName || '', info.getRegistration(), info.getDriver());
    }
    // Folded once per change of the texts: a search of ten thousand entries follows each key.
    var raw = texts.join('\u0000');
    if (entry.searchRaw !== raw) {
        entry.searchRaw = raw;
        entry.searchFolded = texts.map(foldText).join('\u0000');
    }
    return entry.searchFolded.indexOf(needle) >= 0;
}

// Applies the search to every entry and writes the count. Runs once per burst of
// changes: reports that rename vehicles arrive many at a time.
function applySearch() {
    vehicleSearch.pending = 0;
    if (!vehicleSearch.bar) {
        return;
    }
    var needle = vehicleSearch.needle;
    var shown = global.listBox.setFilter(function (entry) { return entryMatches(entry, needle); });
    vehicleSearch.count.textContent = shown + ' of ' + global.listBox.all().length;
}

// The list or a name in it changed: search again soon.
export function searchListChanged() {
    if (!vehicleSearch.pending) {
        vehicleSearch.pending = setTimeout(applySearch, 0);
    }
}

export function setSearchText(text) {
    vehicleSearch.input.value = text;
    vehicleSearch.needle = foldText(text).trim();
    applySearch();
}

// Newest report first; equal times by name.
function compareByLastReport(a, b) {
    var d = (b.lastReport || 0) - (a.lastReport || 0);
    return d !== 0 ? d : compareListEntries(a, b);
}

function sortListByOrder() {
    sortListBox(global.listBox, vehicleSearch.order.value === 'time' ? compareByLastReport : null);
}

export function initializeSearch() {
    var bar = document.createElement('div');
    bar.id = 'searchBar';
    var input = document.createElement('input');
    input.id = 'searchInput';
    input.type = 'text';
    input.placeholder = 'Search';
    input.spellcheck = false;
    input.setAttribute('autocomplete', 'off');
    var count = document.createElement('span');
    count.id = 'searchCount';
    var order = document.createElement('select');
    order.id = 'listOrder';
    [['name', 'Name'], ['time', 'Last report']].forEach(function (o) {
        var option = document.createElement('option');
        option.value = o[0];
        option.textContent = o[1];
        order.appendChild(option);
    });
    order.title = 'Order of the list';
    bar.appendChild(input);
    bar.appendChild(count);
    bar.appendChild(order);
    var column = document.getElementById('leftCol');
    column.insertBefore(bar, column.firstChild);
    vehicleSearch.bar = bar;
    vehicleSearch.input = input;
    vehicleSearch.count = count;
    vehicleSearch.order = order;

    input.addEventListener('input', function () {
        setSearchText(input.value);
    });
    input.addEventListener('keydown', function (e) {
        if (e.key === 'Escape') {
            e.preventDefault();
            setSearchText('');
        }
    });
    order.addEventListener('change', sortListByOrder);
    applySearch();
}

// Called by the native side: the name the recorder reports for a vehicle, searched
// besides the shown name when the operator has given it another.
export function setReportedName(vehicleID, name) {
    var info = findVehicle(vehicleID);
    if (info && info.reportedName !== String(name)) {
        info.reportedName = String(name);
        searchListChanged();
    }
}

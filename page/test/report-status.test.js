import assert from 'node:assert/strict';
import { test } from 'node:test';
import { parseReportTime, statusForSilence } from '../src/report-status.js';

const now = new Date(2026, 11, 10, 12, 0, 0).getTime();

test('a report time is read in local time; no time or a time ahead is now', () => {
    const cases = [
        ['2026-12-10 11:59:30', now - 30000],
        ['2026-12-10 00:00:00', new Date(2026, 11, 10).getTime()],
        ['2026-12-10 12:00:00', now], // not before now: now
        ['2026-12-10 12:00:01', now], // a clock running fast
        ['2099-12-31 23:59:59', now],
        ['2026-12-10 11:59', now],
        ['2026-12-10T11:59:30', now],
        [' 2026-12-10 11:59:30', now],
        ['2026-12-10 11:59:30\n', now],
        ['', now],
        [undefined, now],
        [null, now],
        ['abcd-ef-gh ij:kl:mn', now],
    ];
    for (const [text, expected] of cases) {
        assert.equal(parseReportTime(text, now), expected, JSON.stringify(text));
    }
});

test('out-of-range fields roll over as the page clock does, never into the future', () => {
    // Month 13 is January of the next year: ahead of now, so now.
    assert.equal(parseReportTime('2026-13-01 00:00:00', now), now);
    assert.equal(parseReportTime('2026-02-30 00:00:00', now), new Date(2026, 2, 2).getTime());
});

test('silence decides the status at the live limit and the time-out', () => {
    const live = 60000;
    const cases = [
        // silence, time-out, status
        [0, 0, 'live'],
        [live - 1, 0, 'live'],
        [live, 0, 'quiet'],
        [10 * 24 * 3600 * 1000, 0, 'quiet'], // no time-out: never timed out
        [live - 1, 300000, 'live'],
        [299999, 300000, 'quiet'],
        [300000, 300000, 'timedout'],
        [30000, 30000, 'timedout'], // a time-out shorter than the live limit wins
        [29999, 30000, 'live'],
        [-5000, 300000, 'live'], // a report stamped after the page's clock
    ];
    for (const [silence, timeout, status] of cases) {
        assert.equal(statusForSilence(silence, live, timeout), status, `${silence} ms of ${timeout}`);
    }
});

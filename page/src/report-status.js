// How long a vehicle has been silent decides what the operator sees: live, quiet or
// timed out. Pure: the page's clock and settings come in as arguments.

// A stored report time ("2011-05-31 13:45:30", the station's local time) in
// milliseconds. A text that is no time, or a time ahead of now (a recorder whose clock
// runs fast), counts as now.
export function parseReportTime(text, now) {
    var m = /^(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})$/.exec(String(text));
    if (!m) {
        return now;
    }
    var t = new Date(Number(m[1]), Number(m[2]) - 1, Number(m[3]), Number(m[4]), Number(m[5]),
                     Number(m[6])).getTime();
    return isFinite(t) && t < now ? t : now;
}

// timeoutMs 0 means no time-out: a vehicle is then never timed out, only quiet.
export function statusForSilence(silenceMs, liveMs, timeoutMs) {
    if (timeoutMs > 0 && silenceMs >= timeoutMs) {
        return 'timedout';
    }
    return silenceMs < liveMs ? 'live' : 'quiet';
}

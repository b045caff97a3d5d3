// Names in the list are unique: a name already taken gets the first free "(n)" suffix.
// taken(candidate) tells whether another vehicle already shows that name.
export function uniqueName(name, taken) {
    if (!taken(name)) {
        return name;
    }
    for (var n = 1; ; n++) {
        var candidate = name + '(' + n + ')';
        if (!taken(candidate)) {
            return candidate;
        }
    }
}

// Lower case without diacritics: "Ünïcode" and "unicode" are one text for the search.
export function foldText(text) {
    return String(text === undefined || text === null ? '' : text)
        .normalize('NFD').replace(/[\u0300-\u036f]/g, '').toLowerCase();
}

// Where a stored track may be drawn: padding that keeps its line and its end marks with
// their times inside the map and clear of what lies over it (the banner, the event
// pop-up). A time stands above its mark, centred on it: that is the room kept from the
// map's sides and top and from an overlay. Of keeping below the pop-up or left of it, the
// one that shows the track larger wins. Pure: rectangles are plain { left, top, right,
// bottom, width, height } in page pixels, and zoomFor([x, y]) tells the zoom at which the
// track fits with that much padding in all.

// rects: { map, label, banner, popup (or null) }. Returns the fit options of the map library.
export function fitClearOf(rects, zoomFor) {
    var edge = 30;
    var map = rects.map;
    var above = Math.max(edge, rects.label.height + 20);
    var beside = Math.max(edge, rects.label.width / 2 + 10);
    var top = above;
    if (rects.banner && rects.banner.height > 0) {
        top = Math.max(top, rects.banner.bottom - map.top + above);
    }
    var candidates = [{ top: top, right: beside }];
    var popup = rects.popup;
    if (popup && popup.width > 0 && popup.height > 0 && popup.left < map.right &&
        popup.right > map.left && popup.top < map.bottom && popup.bottom > map.top) {
        candidates = [{ top: Math.max(top, popup.bottom - map.top + above), right: beside },
                      { top: top, right: Math.max(beside, map.right - popup.left + beside) }];
    }
    var best = null;
    candidates.forEach(function (c) {
        c.zoom = zoomFor([beside + c.right, c.top + edge]);
        if (best === null || c.zoom > best.zoom) {
            best = c;
        }
    });
    return { paddingTopLeft: [beside, best.top], paddingBottomRight: [best.right, edge],
             animate: false };
}

// Runs inside KWin: tells Tavlin about every window whenever one is added, removed, moved,
// resized, minimised, restacked or activated, and when the desktop changes. Tavlin fills in
// where to send it and the token that proves the report comes from the script it loaded.
// Works with KWin 5.27 (clientList, clientAdded, activeClient) and Plasma 6 (windowList,
// windowAdded, activeWindow).
const service = "@SERVICE@";
const path = "@PATH@";
const token = "@TOKEN@";
const plasma6 = typeof workspace.windowList === "function";

function allWindows() {
    return plasma6 ? workspace.windowList() : workspace.clientList();
}

function activeWindow() {
    return plasma6 ? workspace.activeWindow : workspace.activeClient;
}

function onCurrentDesktop(window) {
    if (window.onAllDesktops)
        return true;
    if (!plasma6)
        return window.desktop === workspace.currentDesktop;
    const current = workspace.currentDesktop;
    return window.desktops.some(function (desktop) { return desktop.id === current.id; });
}

function describe(window, active) {
    const frame = window.frameGeometry;
    return {
        x: frame.x, y: frame.y, width: frame.width, height: frame.height,
        pid: window.pid,
        resourceClass: String(window.resourceClass),
        resourceName: String(window.resourceName),
        desktopFile: String(window.desktopFileName || ""),
        normal: window.normalWindow, dialog: window.dialog, special: window.specialWindow,
        transient: window.transient, skipTaskbar: window.skipTaskbar,
        titled: String(window.caption) !== "",
        x11: typeof window.windowId === "number" && window.windowId > 0,
        minimized: window.minimized, onCurrentDesktop: onCurrentDesktop(window),
        stackingOrder: window.stackingOrder,
        active: window === active
    };
}

function send() {
    const active = activeWindow();
    const report = allWindows().map(function (window) { return describe(window, active); });
    callDBus(service, path, "io.github.tavlin.KWinWindows1", "update", token,
             JSON.stringify(report));
}

// Many signals come at once (a window opening is added, activated and restacked): one report
// after them all.
const pending = new QTimer();
pending.singleShot = true;
pending.interval = 0;
pending.timeout.connect(send);

function schedule() {
    if (!pending.active)
        pending.start();
}

function watch(window) {
    window.frameGeometryChanged.connect(schedule);
    window.minimizedChanged.connect(schedule);
    window.stackingOrderChanged.connect(schedule);
    window.skipTaskbarChanged.connect(schedule);
    (plasma6 ? window.desktopsChanged : window.desktopChanged).connect(schedule);
}

allWindows().forEach(watch);
(plasma6 ? workspace.windowAdded : workspace.clientAdded).connect(function (window) {
    watch(window);
    schedule();
});
(plasma6 ? workspace.windowRemoved : workspace.clientRemoved).connect(schedule);
(plasma6 ? workspace.windowActivated : workspace.clientActivated).connect(schedule);
workspace.currentDesktopChanged.connect(schedule);
schedule();

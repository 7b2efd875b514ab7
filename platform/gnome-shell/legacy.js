// The entry file for GNOME Shell 43 and 44, which load extensions as plain scripts.
const {GLib, Gio, GObject, Clutter, St, Meta, Shell, Cogl} = imports.gi;
const Main = imports.ui.main;

@SHARED@

function init() {
    return new TavlinShell();
}

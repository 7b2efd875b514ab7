// Runs inside GNOME Shell, shared by both entry files (which bind GLib, Gio, GObject, Clutter,
// St, Meta, Shell, Cogl and Main first). Tavlin decides everything; this only shows
// the pictures Tavlin renders where it is told and reports the windows. Only the Tavlin that
// registered first is obeyed, until its connection goes.

const busName = 'io.github.tavlin.Shell';
const objectPath = '/io/github/tavlin/Shell';
const interfaceName = 'io.github.tavlin.Shell1';
const protocolVersion = 1;
const maxHoles = 32;
// Windows this small in either direction get no hole, as everywhere else.
const minimumSide = 40;

const interfaceXml = `<node><interface name="${interfaceName}">
  <method name="Register"><arg type="u" direction="out" name="version"/></method>
  <method name="Show"><arg type="u" name="id"/><arg type="s" name="level"/>
    <arg type="i" name="x"/><arg type="i" name="y"/><arg type="i" name="width"/>
    <arg type="i" name="height"/><arg type="s" name="picture"/><arg type="d" name="opacity"/></method>
  <method name="SetPicture"><arg type="u" name="id"/><arg type="s" name="picture"/></method>
  <method name="SetOpacity"><arg type="u" name="id"/><arg type="d" name="opacity"/></method>
  <method name="SetLevel"><arg type="u" name="id"/><arg type="s" name="level"/></method>
  <method name="FollowWindows"><arg type="u" name="id"/><arg type="au" name="pids"/>
    <arg type="d" name="radius"/></method>
  <method name="Remove"><arg type="u" name="id"/></method>
  <method name="BindKey"><arg type="u" name="id"/><arg type="s" name="accelerator"/></method>
  <signal name="WindowsChanged"><arg type="s" name="windows"/></signal>
  <signal name="KeyPressed"><arg type="u" name="id"/></signal>
</interface></node>`;

// Clutter draws an effect's actor into a texture a little larger than the actor, so that its
// size does not change with sub-pixel moves; this repeats its rounding. Where the actor starts in
// that texture, and the texture's size.
function paddedSpan(start, length) {
    const end = Math.ceil(start + length + 0.75);
    const size = Math.round(length) + 3;
    return [start - (end - size), size];
}

// Cuts rounded holes out of what it is applied to; the rectangles are in the actor's pixels.
const HoleEffect = GObject.registerClass(class TavlinHoleEffect extends Shell.GLSLEffect {
    vfunc_build_pipeline() {
        const declarations = `uniform vec4 holes[${maxHoles}];
            uniform float count;
            uniform vec2 origin;
            uniform vec2 padded;
            uniform float radius;
            float outside(vec2 p, vec4 box) {
                vec2 halfSize = box.zw * 0.5;
                vec2 q = abs(p - box.xy - halfSize) - halfSize + radius;
                float d = length(max(q, 0.0)) + min(max(q.x, q.y), 0.0) - radius;
                return clamp(d + 0.5, 0.0, 1.0);
            }`;
        const code = `vec2 p = cogl_tex_coord_in[0].xy * padded - origin;
            float keep = 1.0;
            for (int i = 0; i < ${maxHoles}; i++) {
                if (float(i) >= count) break;
                keep = min(keep, outside(p, holes[i]));
            }
            cogl_color_out *= keep;`;
        this.add_glsl_snippet(Shell.SnippetHook.FRAGMENT, declarations, code, false);
    }

    setHoles(holes, actor, radius) {
        // Its parent sits at the stage's origin.
        const [left, width] = paddedSpan(actor.x, actor.width);
        const [top, height] = paddedSpan(actor.y, actor.height);
        const values = new Array(maxHoles * 4).fill(0);
        holes.slice(0, maxHoles).forEach((h, i) => values.splice(i * 4, 4, h.x, h.y, h.width, h.height));
        this.set_uniform_float(this.get_uniform_location('holes'), 4, values);
        this.set_uniform_float(this.get_uniform_location('count'), 1, [Math.min(holes.length, maxHoles)]);
        this.set_uniform_float(this.get_uniform_location('origin'), 2, [left, top]);
        this.set_uniform_float(this.get_uniform_location('padded'), 2, [width, height]);
        this.set_uniform_float(this.get_uniform_location('radius'), 1, [radius]);
        this.queue_repaint();
    }
});

function isDesktopIcons(window) {
    // The desktop-icons extension keeps its icons in an ordinary window of this id.
    return window.get_window_type() === Meta.WindowType.DESKTOP ||
        window.get_wm_class() === 'com.rastersoft.ding';
}

function onActiveWorkspace(window) {
    return window.is_on_all_workspaces() ||
        window.get_workspace() === global.workspace_manager.get_active_workspace();
}

// Tavlin's pictures: width and height (32 bits each, little-endian), then the rows of
// premultiplied RGBA pixels, nothing to decode.
function loadImage(path) {
    const [, contents] = GLib.file_get_contents(path);
    const header = new DataView(contents.buffer, contents.byteOffset, 8);
    const width = header.getUint32(0, true);
    const height = header.getUint32(4, true);
    if (!width || !height || contents.length !== 8 + width * height * 4)
        throw new Error(`${path} is no picture`);
    const image = St.ImageContent.new_with_preferred_size(width, height);
    const args = [contents.subarray(8), Cogl.PixelFormat.RGBA_8888_PRE, width, height, width * 4];
    try {
        image.set_data(...args);
    } catch (e) {
        // GNOME 46 and later want the drawing context first.
        image.set_data(global.stage.context.get_backend().get_cogl_context(), ...args);
    }
    return image;
}

// One picture on screen at one level.
class Picture {
    constructor(shell, level) {
        this._shell = shell;
        this.level = level;
        this.actor = new Clutter.Actor({reactive: false, name: 'tavlin-overlay'});
        this._effect = null;
        this._pids = [];
        this._radius = 0;
        this.place();
    }

    destroy() {
        this.actor.destroy();
    }

    setPicture(path) {
        this.actor.set_content(loadImage(path));
    }

    // Puts the actor where its level says: the cover right above the desktop icons and below
    // every window, spotlight above the windows (and the top bar), the reminder above all.
    place() {
        const layout = Main.layoutManager;
        const parent = this.level === 'cover' ? global.window_group : layout.uiGroup;
        if (this.actor.get_parent() !== parent) {
            this.actor.get_parent()?.remove_child(this.actor);
            parent.add_child(this.actor);
        }
        if (this.level === 'cover') {
            const icons = global.get_window_actors().filter(a => isDesktopIcons(a.meta_window));
            const below = icons.length ? icons[icons.length - 1] : layout._backgroundGroup;
            if (this.actor.get_previous_sibling() !== below)
                parent.set_child_above_sibling(this.actor, below);
        } else if (this.level === 'spotlight') {
            parent.set_child_above_sibling(this.actor, global.window_group);
        } else if (this.level === 'spotlight-panels') {
            parent.set_child_above_sibling(this.actor, layout.panelBox);
        } else {
            parent.set_child_above_sibling(this.actor, null);
        }
    }

    followWindows(pids, radius) {
        this._pids = pids;
        this._radius = radius;
        if (!this._effect) {
            this._effect = new HoleEffect();
            this.actor.add_effect(this._effect);
        }
        this.updateHoles();
    }

    updateHoles() {
        if (!this._effect)
            return;
        const [left, top] = this.actor.get_position();
        const holes = [];
        for (const actor of global.get_window_actors()) {
            const w = actor.meta_window;
            if (!this._pids.includes(w.get_pid()) || w.minimized || !onActiveWorkspace(w) ||
                !isOrdinaryKind(w))
                continue;
            const r = w.get_frame_rect();
            if (r.width <= minimumSide || r.height <= minimumSide)
                continue;
            holes.push({x: r.x - left, y: r.y - top, width: r.width, height: r.height});
        }
        this._effect.setHoles(holes, this.actor, this._radius);
    }
}

function isOrdinaryKind(window) {
    const type = window.get_window_type();
    return type === Meta.WindowType.NORMAL || type === Meta.WindowType.DIALOG ||
        type === Meta.WindowType.MODAL_DIALOG;
}

function describe(window, stackingOrder) {
    const r = window.get_frame_rect();
    const type = window.get_window_type();
    return {
        x: r.x, y: r.y, width: r.width, height: r.height,
        pid: window.get_pid(),
        resourceClass: window.get_wm_class() || '',
        resourceName: window.get_wm_class_instance() || '',
        desktopFile: window.get_gtk_application_id() || window.get_sandboxed_app_id() || '',
        normal: type === Meta.WindowType.NORMAL,
        dialog: type === Meta.WindowType.DIALOG || type === Meta.WindowType.MODAL_DIALOG,
        special: isDesktopIcons(window) || window.is_override_redirect(),
        transient: window.get_transient_for() !== null,
        skipTaskbar: window.is_skip_taskbar(),
        titled: (window.get_title() || '') !== '',
        x11: window.get_client_type() === Meta.WindowClientType.X11,
        minimized: window.minimized,
        onCurrentDesktop: onActiveWorkspace(window),
        active: window.has_focus(),
        stackingOrder,
    };
}

class TavlinShell {
    enable() {
        this._pictures = new Map();
        this._owner = null;
        this._ownerWatch = 0;
        this._windowSignals = new Map();
        this._signals = [];
        this._reportId = 0;
        this._keys = new Map(); // the shell's action → our id
        this._dbus = Gio.DBusExportedObject.wrapJSObject(interfaceXml, this);
        this._dbus.export(Gio.DBus.session, objectPath);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, busName,
            Gio.BusNameOwnerFlags.NONE, null, null);
        const display = global.display;
        this._connect(display, 'window-created', (d, w) => this._watchWindow(w));
        this._connect(display, 'restacked', () => this._restacked());
        this._connect(display, 'notify::focus-window', () => this._changed());
        this._connect(global.workspace_manager, 'active-workspace-changed', () => this._moved());
        this._connect(display, 'accelerator-activated', (d, action) => this._keyPressed(action));
        for (const actor of global.get_window_actors())
            this._watchWindow(actor.meta_window);
    }

    disable() {
        this._forgetOwner();
        for (const [object, id] of this._signals)
            object.disconnect(id);
        for (const [window, ids] of this._windowSignals)
            ids.forEach(id => window.disconnect(id));
        if (this._reportId)
            GLib.source_remove(this._reportId);
        Gio.bus_unown_name(this._nameId);
        this._dbus.unexport();
        this._dbus = null;
    }

    _connect(object, signal, callback) {
        this._signals.push([object, object.connect(signal, callback)]);
    }

    _watchWindow(window) {
        if (this._windowSignals.has(window))
            return;
        const moved = () => this._moved();
        const ids = ['position-changed', 'size-changed', 'notify::minimized', 'workspace-changed',
            'notify::title'].map(signal => window.connect(signal, moved));
        ids.push(window.connect('unmanaged', () => {
            ids.forEach(id => window.disconnect(id));
            this._windowSignals.delete(window);
            this._moved();
        }));
        this._windowSignals.set(window, ids);
        this._moved();
    }

    _restacked() {
        for (const picture of this._pictures.values()) {
            if (picture.level === 'cover')
                picture.place();
        }
        this._changed();
    }

    // Holes follow at once, in the frame being painted; Tavlin hears of it once the shell is idle.
    _moved() {
        for (const picture of this._pictures.values())
            picture.updateHoles();
        this._changed();
    }

    _changed() {
        if (!this._owner || this._reportId)
            return;
        this._reportId = GLib.idle_add(GLib.PRIORITY_DEFAULT_IDLE, () => {
            this._reportId = 0;
            this._report();
            return GLib.SOURCE_REMOVE;
        });
    }

    _report() {
        if (!this._owner)
            return;
        const windows = global.get_window_actors().map(a => a.meta_window)
            .filter(w => !w.is_override_redirect());
        const stacked = global.display.sort_windows_by_stacking(windows);
        const report = JSON.stringify(stacked.map((w, i) => describe(w, i)));
        Gio.DBus.session.emit_signal(this._owner, objectPath, interfaceName, 'WindowsChanged',
            new GLib.Variant('(s)', [report]));
    }

    _keyPressed(action) {
        if (this._owner && this._keys.has(action)) {
            Gio.DBus.session.emit_signal(this._owner, objectPath, interfaceName, 'KeyPressed',
                new GLib.Variant('(u)', [this._keys.get(action)]));
        }
    }

    _forgetOwner() {
        for (const action of this._keys.keys()) {
            global.display.ungrab_accelerator(action);
            Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action), Shell.ActionMode.NONE);
        }
        this._keys.clear();
        if (this._ownerWatch)
            Gio.bus_unwatch_name(this._ownerWatch);
        this._ownerWatch = 0;
        this._owner = null;
        for (const picture of this._pictures.values())
            picture.destroy();
        this._pictures.clear();
    }

    // Every call but Register must come from the registered Tavlin.
    _call(invocation, work) {
        if (invocation.get_sender() !== this._owner) {
            invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied',
                'Not the Tavlin that registered');
            return;
        }
        try {
            invocation.return_value(work() ?? null);
        } catch (e) {
            invocation.return_dbus_error('org.freedesktop.DBus.Error.Failed', String(e));
        }
    }

    _picture(id) {
        const picture = this._pictures.get(id);
        if (!picture)
            throw new Error(`no overlay ${id}`);
        return picture;
    }

    RegisterAsync(params, invocation) {
        const sender = invocation.get_sender();
        if (this._owner && this._owner !== sender) {
            invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied',
                'Another Tavlin is registered');
            return;
        }
        if (!this._owner) {
            this._owner = sender;
            this._ownerWatch = Gio.bus_watch_name_on_connection(Gio.DBus.session, sender,
                Gio.BusNameWatcherFlags.NONE, null, () => this._forgetOwner());
        }
        invocation.return_value(new GLib.Variant('(u)', [protocolVersion]));
        this._changed();
    }

    ShowAsync([id, level, x, y, width, height, path, opacity], invocation) {
        this._call(invocation, () => {
            let picture = this._pictures.get(id);
            if (!picture) {
                picture = new Picture(this, level);
                this._pictures.set(id, picture);
            }
            picture.setPicture(path);
            picture.actor.set_position(x, y);
            picture.actor.set_size(width, height);
            picture.actor.opacity = Math.round(Math.max(0, Math.min(1, opacity)) * 255);
            picture.level = level;
            picture.place();
            picture.actor.show();
            picture.updateHoles();
        });
    }

    SetPictureAsync([id, path], invocation) {
        this._call(invocation, () => this._picture(id).setPicture(path));
    }

    SetOpacityAsync([id, opacity], invocation) {
        this._call(invocation, () => {
            this._picture(id).actor.opacity = Math.round(Math.max(0, Math.min(1, opacity)) * 255);
        });
    }

    SetLevelAsync([id, level], invocation) {
        this._call(invocation, () => {
            const picture = this._picture(id);
            picture.level = level;
            picture.place();
        });
    }

    FollowWindowsAsync([id, pids, radius], invocation) {
        this._call(invocation, () => this._picture(id).followWindows(pids, radius));
    }

    // Refused when the shell or another program holds the chord.
    BindKeyAsync([id, accelerator], invocation) {
        this._call(invocation, () => {
            for (const [action, bound] of this._keys) {
                if (bound === id) {
                    global.display.ungrab_accelerator(action);
                    this._keys.delete(action);
                }
            }
            const action = global.display.grab_accelerator(accelerator, Meta.KeyBindingFlags.NONE);
            if (action === Meta.KeyBindingAction.NONE)
                throw new Error(`${accelerator} is taken`);
            Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action),
                Shell.ActionMode.NORMAL | Shell.ActionMode.OVERVIEW);
            this._keys.set(action, id);
        });
    }

    RemoveAsync([id], invocation) {
        this._call(invocation, () => {
            this._pictures.get(id)?.destroy();
            this._pictures.delete(id);
        });
    }
}

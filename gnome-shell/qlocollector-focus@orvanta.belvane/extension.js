// Offers the focused window to the Orvanta collector on the session bus:
// name org.belvane.Orvanta.Focus, object /org/belvane/Orvanta/Focus.
//   GetFocus() -> (t window, s title, s wmClass, u pid)
//   signal FocusChanged(t window, s title, s wmClass, u pid)
// sent when the focus moves and when the focused window's title or class
// changes. Window 0: nothing has the focus (overview, lock screen); pid 0:
// unknown. The collector's reader is src/platform/gnome_desktop_linux.cpp.
//
// Written as a module for GNOME Shell 45 and later; for 43 and 44,
// scripts/install-gnome-extension.sh turns the marked lines into their
// older forms.
import GLib from 'gi://GLib'; // legacy: const GLib = imports.gi.GLib;
import Gio from 'gi://Gio'; // legacy: const Gio = imports.gi.Gio;
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js'; // legacy: (none)

const NAME = 'org.belvane.Orvanta.Focus';
const PATH = '/org/belvane/Orvanta/Focus';
const INTERFACE = `<node>
  <interface name="${NAME}">
    <method name="GetFocus">
      <arg type="t" name="window" direction="out"/>
      <arg type="s" name="title" direction="out"/>
      <arg type="s" name="wmClass" direction="out"/>
      <arg type="u" name="pid" direction="out"/>
    </method>
    <signal name="FocusChanged">
      <arg type="t" name="window"/>
      <arg type="s" name="title"/>
      <arg type="s" name="wmClass"/>
      <arg type="u" name="pid"/>
    </signal>
  </interface>
</node>`;

class FocusService {
    constructor() {
        this._window = null;
        this._windowSignals = [];
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this);
        this._object.export(Gio.DBus.session, PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, NAME, Gio.BusNameOwnerFlags.NONE, null, null);
        this._focusSignal = global.display.connect('notify::focus-window', () => this._follow());
        this._follow();
    }

    GetFocus() {
        return this._state();
    }

    _state() {
        const w = this._window;
        if (!w) return [0, '', '', 0];
        return [w.get_id(), w.get_title() ?? '', w.get_wm_class() ?? '', Math.max(0, w.get_pid())];
    }

    _follow() {
        this._forgetWindow();
        this._window = global.display.focus_window;
        if (this._window) {
            for (const property of ['notify::title', 'notify::wm-class'])
                this._windowSignals.push(this._window.connect(property, () => this._announce()));
        }
        this._announce();
    }

    _announce() {
        this._object.emit_signal('FocusChanged', new GLib.Variant('(tssu)', this._state()));
    }

    _forgetWindow() {
        for (const id of this._windowSignals) this._window.disconnect(id);
        this._windowSignals = [];
        this._window = null;
    }

    destroy() {
        global.display.disconnect(this._focusSignal);
        this._forgetWindow();
        Gio.bus_unown_name(this._nameId);
        this._object.unexport();
    }
}

export default class FocusExtension extends Extension { // legacy: class FocusExtension {
    enable() {
        this._service = new FocusService();
    }

    disable() {
        this._service.destroy();
        this._service = null;
    }
}

#!/usr/bin/env python3
"""A GTK 3 window that offers the files named on its command line as text/uri-list when dragged."""
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

uris = [GLib.filename_to_uri(path, None) for path in sys.argv[1:]]

window = Gtk.Window(title="TL drag source")
window.set_default_size(160, 100)
window.move(600, 40)
area = Gtk.EventBox()
area.add(Gtk.Label(label="drag me"))
window.add(area)
area.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
area.drag_source_add_uri_targets()
area.connect("drag-data-get", lambda _w, _ctx, data, _info, _time: data.set_uris(uris))
window.connect("destroy", Gtk.main_quit)
window.show_all()
print("ready", flush=True)
Gtk.main()

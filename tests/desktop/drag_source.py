#!/usr/bin/env python3
"""A GTK 3 or Qt 5 window titled "TL drag source" whose drag offers the files named after the
toolkit as a uri list:   drag_source.py gtk|qt FILE..."""
import sys

toolkit, paths = sys.argv[1], sys.argv[2:]
if toolkit == "gtk":
    import gi

    gi.require_version("Gtk", "3.0")
    from gi.repository import Gdk, GLib, Gtk

    window = Gtk.Window(title="TL drag source")
    window.set_default_size(160, 100)
    window.move(600, 40)
    area = Gtk.EventBox()
    area.add(Gtk.Label(label="drag me"))
    window.add(area)
    area.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
    area.drag_source_add_uri_targets()
    area.connect("drag-data-get", lambda *args: args[2].set_uris([GLib.filename_to_uri(path, None) for path in paths]))
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    Gtk.main()
else:
    from PyQt5.QtCore import QMimeData, Qt, QUrl
    from PyQt5.QtGui import QDrag
    from PyQt5.QtWidgets import QApplication, QLabel

    class Source(QLabel):
        def mouseMoveEvent(self, event):
            if event.buttons() & Qt.LeftButton:
                data, drag = QMimeData(), QDrag(self)
                data.setUrls([QUrl.fromLocalFile(path) for path in paths])
                drag.setMimeData(data)
                drag.exec_(Qt.CopyAction)

    app = QApplication(sys.argv[:1])
    source = Source("drag me")
    source.setWindowTitle("TL drag source")
    source.setGeometry(600, 40, 160, 100)
    source.show()
    app.exec_()

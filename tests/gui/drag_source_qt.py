#!/usr/bin/env python3
"""A Qt 5 window that starts a drag of the files named on its command line."""
import sys

from PyQt5.QtCore import QMimeData, Qt, QUrl
from PyQt5.QtGui import QDrag
from PyQt5.QtWidgets import QApplication, QLabel


class Source(QLabel):
    def __init__(self, paths):
        super().__init__("drag me")
        self.paths = paths
        self.setWindowTitle("TL drag source")
        self.setAlignment(Qt.AlignCenter)
        self.resize(160, 100)
        self.move(600, 40)

    def mouseMoveEvent(self, event):
        if event.buttons() & Qt.LeftButton:
            data = QMimeData()
            data.setUrls([QUrl.fromLocalFile(path) for path in self.paths])
            drag = QDrag(self)
            drag.setMimeData(data)
            drag.exec_(Qt.CopyAction)


app = QApplication(sys.argv[:1])
source = Source(sys.argv[1:])
source.show()
print("ready", flush=True)
app.exec_()

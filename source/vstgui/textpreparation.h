// The first text of a process loads pango and the libraries under it, the system's font
// configuration and the window's font: tens of milliseconds that a window opening for the first
// time would otherwise spend before it can show anything.
#pragma once

namespace VSTGUI {

// Starts that loading on a thread of its own, once per process: the editor calls it when the host
// asks for its size (hosts do so to make the window they open it in), and a window before making
// its window, so the work overlaps theirs. The glyphs are drawn at scale, the window's (a font's
// glyphs are drawn anew for every size). Any thread.
void prepareText(double scale);

// Waits until what prepareText started has ended: a closing window and a deleted editor call it,
// so that neither a process that ends nor a module that is unloaded ends under that thread.
void finishPreparingText();

}  // namespace VSTGUI

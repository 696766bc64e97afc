// The standalone's top-level X11 window: sized from the plug-in's editor rectangle, hands its id to
// effEditOpen, pumps effEditIdle, resizes when the editor asks, turns the two rows of keys into
// notes and closes on the window manager's delete request.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <string>

#include "computer_keyboard.h"
#include "hosted_plugin.h"
#include "midi_ring.h"

class EditorWindow {
public:
    static constexpr int kIdleHz = 40;

    explicit EditorWindow(HostedPlugin& plugin);
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // Main thread. Connects to the X display; first, so that a missing display is told at once.
    bool connect(std::string& error);
    // Main thread. Creates and maps the window and opens the editor in it.
    bool open(std::string& error);
    // Main thread. Runs until the window is closed or quit becomes true; closes the editor.
    void run(const std::atomic<bool>& quit);
    unsigned long windowId() const { return window; }
    int width() const { return windowWidth; }
    int height() const { return windowHeight; }
    // Where the computer keyboard's notes go; null plays nothing. Set before run.
    void sendKeyboardNotesTo(MidiRing* ring) { notes = ring; }

private:
    bool resize(int width, int height);
    void fixSize(int width, int height);
    void watchKeys(Window parent);
    void handle(XEvent& event);
    void sendNote(const MidiMessage& message);

    HostedPlugin& plugin;
    MidiRing* notes = nullptr;
    ComputerKeyboard keyboard;
    Display* display = nullptr;
    Window window = 0;
    Atom deleteWindow = 0;
    int windowWidth = 0, windowHeight = 0;
    bool closed = false;
};

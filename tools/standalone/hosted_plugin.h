// The plug-in the standalone plays, whichever face it is loaded through: the VST module through
// VSTPluginMain (VstPlugin), or the LV2 bundle through lilv (Lv2Plugin). The audio output, the
// offline renderer and the editor window drive it through this interface alone.
#pragma once

#include <functional>
#include <string>

#include "frame/vst2_interface.h"

class HostedPlugin {
public:
    virtual ~HostedPlugin() = default;

    // Where it was loaded from, its name and maker, for the opening lines.
    virtual std::string path() const = 0;
    virtual std::string name() const = 0;
    virtual std::string vendor() const = 0;
    virtual int numInputs() const = 0;
    virtual int numOutputs() const = 0;
    virtual bool hasEditor() const = 0;

    // Main thread, while not processing: tells the rate and block size, then resumes.
    virtual void start(double sampleRate, int maxBlockSize) = 0;
    // Main thread, after the audio thread is gone: stops processing and suspends.
    virtual void stop() = 0;
    double sampleRate() const { return rate; }
    int blockSize() const { return maxBlock; }

    // Audio thread. events may be null; frames must not exceed the block size told in start.
    virtual void process(VstEvents* events, float** inputs, float** outputs, int frames) noexcept = 0;

    // Editor, main thread. editorSize may answer a first guess until the editor is open.
    virtual bool editorSize(int& width, int& height) = 0;
    virtual bool openEditor(unsigned long window) = 0;
    virtual void closeEditor() = 0;
    virtual void idleEditor() = 0;
    virtual bool keyDown(const VstKeyCode& key) = 0;
    virtual bool keyUp(const VstKeyCode& key) = 0;
    // Called when the editor asks for a new window size; answers whether it was done.
    void onSizeWindow(std::function<bool(int width, int height)> handler) { sizeWindow = std::move(handler); }

protected:
    double rate = 44100.0;
    int maxBlock = 512;
    std::function<bool(int, int)> sizeWindow;
};

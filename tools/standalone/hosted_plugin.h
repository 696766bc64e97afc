// The one plug-in the standalone hosts: loaded through VSTPluginMain, reached only through its
// AEffect record and dispatcher, and answered through the host callback as a music host would.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "frame/vst2_interface.h"
#include "plugin_module.h"

class HostedPlugin {
public:
    // Main thread. Null on failure, with the reason in error.
    static std::unique_ptr<HostedPlugin> load(const std::string& path, std::string& error);
    ~HostedPlugin();  // stops processing if running, then closes the effect
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    const std::string& path() const { return modulePath; }
    std::string name() const;
    std::string vendor() const;
    int numInputs() const { return effect->numInputs; }
    int numOutputs() const { return effect->numOutputs; }
    bool hasEditor() const { return (effect->flags & effFlagsHasEditor) != 0; }

    // Main thread, while not processing: tells the rate and block size, then resumes.
    void start(double sampleRate, int maxBlockSize);
    // Main thread, after the audio thread is gone: stops processing and suspends.
    void stop();
    double sampleRate() const { return rate; }
    int blockSize() const { return maxBlock; }

    // Audio thread. events may be null; frames must not exceed the block size told in start.
    void process(VstEvents* events, float** inputs, float** outputs, int frames) noexcept;

    // Editor, main thread.
    bool editorSize(int& width, int& height);
    bool openEditor(unsigned long window);
    void closeEditor();
    void idleEditor();
    bool keyDown(const VstKeyCode& key);
    bool keyUp(const VstKeyCode& key);
    // Called when the editor asks for a new window size; answers whether it was done.
    void onSizeWindow(std::function<bool(int width, int height)> handler) { sizeWindow = std::move(handler); }

private:
    HostedPlugin(const std::string& path, std::unique_ptr<PluginModule> module);
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    std::string modulePath;
    std::unique_ptr<PluginModule> module;
    AEffect* effect = nullptr;
    double rate = 44100.0;
    int maxBlock = 512;
    bool running = false;
    bool editorOpen = false;
    std::function<bool(int, int)> sizeWindow;
};

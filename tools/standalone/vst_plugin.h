// The VST face in the standalone: the module loaded through VSTPluginMain, reached only through its
// AEffect record and dispatcher, and answered through the host callback as a music host would.
#pragma once

#include <memory>
#include <string>

#include "hosted_plugin.h"
#include "plugin_module.h"

class VstPlugin : public HostedPlugin {
public:
    // Main thread. Null on failure, with the reason in error.
    static std::unique_ptr<VstPlugin> load(const std::string& path, std::string& error);
    ~VstPlugin() override;  // stops processing if running, then closes the effect
    VstPlugin(const VstPlugin&) = delete;
    VstPlugin& operator=(const VstPlugin&) = delete;

    std::string path() const override { return modulePath; }
    std::string name() const override;
    std::string vendor() const override;
    int numInputs() const override { return effect->numInputs; }
    int numOutputs() const override { return effect->numOutputs; }
    bool hasEditor() const override { return (effect->flags & effFlagsHasEditor) != 0; }

    void start(double sampleRate, int maxBlockSize) override;
    void stop() override;
    void process(VstEvents* events, float** inputs, float** outputs, int frames) noexcept override;

    bool editorSize(int& width, int& height) override;
    bool openEditor(unsigned long window) override;
    void closeEditor() override;
    void idleEditor() override;
    bool keyDown(const VstKeyCode& key) override;
    bool keyUp(const VstKeyCode& key) override;

private:
    VstPlugin(const std::string& path, std::unique_ptr<PluginModule> module);
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    std::string modulePath;
    std::unique_ptr<PluginModule> module;
    AEffect* effect = nullptr;
    bool running = false;
    bool editorOpen = false;
};

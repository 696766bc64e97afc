// Loads a VST 2.4 module the way music hosts do: dlopen, then look up VSTPluginMain.
// The module stays loaded until the object is destroyed.
#pragma once

#include <string>

#include "frame/vst2_interface.h"

class PluginModule {
public:
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool loaded() const { return entry != nullptr; }
    const std::string& error() const { return loadError; }
    // The effect the entry point returns for this host callback, or null.
    AEffect* instantiate(audioMasterCallback callback) const;
    void* symbol(const char* name) const;

private:
    void* handle = nullptr;
    AEffect* (*entry)(audioMasterCallback) = nullptr;
    std::string loadError;
};

#include "plugin_module.h"

#include <dlfcn.h>

PluginModule::PluginModule(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        loadError = dlerror();
        return;
    }
    entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(handle, "VSTPluginMain"));
    if (!entry) loadError = "no VSTPluginMain in " + path;
}

PluginModule::~PluginModule() {
    if (handle) dlclose(handle);
}

AEffect* PluginModule::instantiate(audioMasterCallback callback) const {
    AEffect* effect = entry ? entry(callback) : nullptr;
    // A module that hands back something other than an effect record is not a VST 2 plug-in.
    return effect && effect->magic == kEffectMagic ? effect : nullptr;
}

void* PluginModule::symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }

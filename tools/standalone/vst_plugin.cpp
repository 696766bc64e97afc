#include "vst_plugin.h"

#include <cstring>

namespace {

// The plug-in calls back before its AEffect exists (audioMasterVersion), so the callback finds
// its host through this pointer: the standalone hosts one plug-in at a time.
VstPlugin* hostBeingLoaded = nullptr;
VstPlugin* theHost = nullptr;

void copyText(void* ptr, const char* text, size_t capacity) {
    if (!ptr) return;
    std::strncpy(static_cast<char*>(ptr), text, capacity - 1);
    static_cast<char*>(ptr)[capacity - 1] = '\0';
}

}  // namespace

std::unique_ptr<VstPlugin> VstPlugin::load(const std::string& path, std::string& error) {
    auto module = std::make_unique<PluginModule>(path);
    if (!module->loaded()) {
        error = module->error();
        return nullptr;
    }
    std::unique_ptr<VstPlugin> host(new VstPlugin(path, std::move(module)));
    hostBeingLoaded = host.get();
    host->effect = host->module->instantiate(&VstPlugin::callback);
    hostBeingLoaded = nullptr;
    if (!host->effect) {
        error = path + ": VSTPluginMain returned no effect";
        return nullptr;
    }
    theHost = host.get();
    host->dispatch(effOpen);
    return host;
}

VstPlugin::VstPlugin(const std::string& path, std::unique_ptr<PluginModule> loadedModule)
    : modulePath(path), module(std::move(loadedModule)) {}

VstPlugin::~VstPlugin() {
    if (!effect) return;
    if (editorOpen) closeEditor();
    stop();
    dispatch(effClose);  // destroys the effect
    effect = nullptr;
    if (theHost == this) theHost = nullptr;
}

VstIntPtr VstPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string VstPlugin::name() const {
    char text[kVstMaxEffectNameLen + 1] = {};
    effect->dispatcher(effect, effGetEffectName, 0, 0, text, 0.0f);
    return text;
}

std::string VstPlugin::vendor() const {
    char text[kVstMaxVendorStrLen + 1] = {};
    effect->dispatcher(effect, effGetVendorString, 0, 0, text, 0.0f);
    return text;
}

void VstPlugin::start(double sampleRate, int maxBlockSize) {
    if (running) return;
    rate = sampleRate;
    maxBlock = maxBlockSize;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    dispatch(effSetBlockSize, 0, maxBlock);
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    running = true;
}

void VstPlugin::stop() {
    if (!running) return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    running = false;
}

void VstPlugin::process(VstEvents* events, float** inputs, float** outputs, int frames) noexcept {
    if (events && events->numEvents > 0) effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0.0f);
    effect->processReplacing(effect, inputs, outputs, frames);
}

bool VstPlugin::editorSize(int& width, int& height) {
    ERect* rect = nullptr;
    if (!hasEditor() || dispatch(effEditGetRect, 0, 0, &rect) == 0 || !rect) return false;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return width > 0 && height > 0;
}

bool VstPlugin::openEditor(unsigned long window) {
    if (!hasEditor()) return false;
    // X11 hosts pass the parent window's id in the pointer argument.
    dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window));
    editorOpen = true;
    return true;
}

void VstPlugin::closeEditor() {
    if (!editorOpen) return;
    dispatch(effEditClose);
    editorOpen = false;
}

void VstPlugin::idleEditor() {
    if (editorOpen) dispatch(effEditIdle);
}

bool VstPlugin::keyDown(const VstKeyCode& key) {
    return editorOpen && dispatch(effEditKeyDown, key.character, key.virt, nullptr, key.modifier) == 1;
}

bool VstPlugin::keyUp(const VstKeyCode& key) {
    return editorOpen && dispatch(effEditKeyUp, key.character, key.virt, nullptr, key.modifier) == 1;
}

VstIntPtr VstPlugin::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) {
    if (opcode == audioMasterVersion) return kVstVersion;
    VstPlugin* host = hostBeingLoaded ? hostBeingLoaded : theHost;
    // A call for an effect we do not host (or before any is loaded) gets the neutral answer.
    if (!host || (effect && host->effect && effect != host->effect)) return 0;
    return host->answer(opcode, index, value, ptr, opt);
}

VstIntPtr VstPlugin::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
    switch (opcode) {
        case audioMasterCurrentId:
            return effect ? effect->uniqueID : 0;
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(rate);
        case audioMasterGetBlockSize:
            return maxBlock;
        case audioMasterGetCurrentProcessLevel:
            return kVstProcessLevelUser;
        case audioMasterGetVendorString:
            copyText(ptr, "Brennwick", kVstMaxVendorStrLen);
            return 1;
        case audioMasterGetProductString:
            copyText(ptr, "tembro-laxis standalone", kVstMaxProductStrLen);
            return 1;
        case audioMasterGetVendorVersion:
            return 1005;
        case audioMasterGetLanguage:
            return kVstLangEnglish;
        case audioMasterCanDo: {
            const char* what = static_cast<const char*>(ptr);
            if (!what) return 0;
            for (const char* yes : {"sizeWindow", "sendVstEvents", "sendVstMidiEvent"})
                if (std::strcmp(what, yes) == 0) return 1;
            return 0;
        }
        case audioMasterSizeWindow:
            return sizeWindow && index > 0 && value > 0 && sizeWindow(index, static_cast<int>(value)) ? 1 : 0;
        default:
            return 0;
    }
}

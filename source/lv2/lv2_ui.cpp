// The LV2 face's window: the plug-in's own editor, opened into the parent window the host gives
// and reached through the instance (instance-access), as a VST host opens it, at the scale the host
// asks for (ui:scaleFactor) if it does. The host's idle calls pump it. Main thread throughout.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2_util.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "editor/adeditor.h"
#include "engine/kv7drumeditedit.h"
#include "lv2/lv2_instance.h"
#include "vstgui/cframe.h"
#include "vstgui/platform/x11/x11frame.h"

namespace {

using lv2face::Lv2Instance;

struct EditorWindow {
    Lv2Instance* instance = nullptr;
    uint64_t seenGeneration = 0;
    uint64_t seenKit = 0;
};

ADEditor& editorOf(Lv2Instance& instance) { return *instance.wrapped().effect().getADEditor(); }

// What the saved state holds of the kit, as one number: lengths, settings and names.
uint64_t kitFingerprint(Kv7DrumEditEdit& kit) {
    uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const void* data, size_t size) {
        for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
    };
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        const int32_t values[] = {kit.BufferLength[slot].load(), kit.Pitch[slot].load(), kit.PlayMode[slot].load(),
                                  kit.Reverse[slot].load() ? 1 : 0};
        const float volume = kit.Volume[slot].load();
        mix(values, sizeof values);
        mix(&volume, sizeof volume);
        mix(kit.getADEditor()->SlotPath[slot], std::strlen(kit.getADEditor()->SlotPath[slot]));
    }
    return hash;
}

// The slots' names and durations, after the kit was changed by the kit property or a restore.
void relabel(ADEditor& editor) {
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        editor.updateTextLabelToPath(slot);
        editor.ReCalcDuration(slot);
    }
    editor.ReCalcTotalDuration();
}

// The host's ui:scaleFactor, a float; 0 when it gives none.
double hostScaleFactor(const LV2_Options_Option* options, const LV2_URID_Map* map) {
    if (!options || !map) return 0;
    const LV2_URID scaleFactor = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
    for (const LV2_Options_Option* option = options; option->key || option->value; ++option)
        if (option->key == scaleFactor && option->type == floatType && option->size == sizeof(float) && option->value)
            return *static_cast<const float*>(option->value);
    return 0;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function,
                         LV2UI_Controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    void* parent = nullptr;
    LV2_Handle plugin = nullptr;
    LV2UI_Resize* resize = nullptr;
    LV2_Options_Option* options = nullptr;
    LV2_URID_Map* map = nullptr;
    const char* missing = lv2_features_query(features, LV2_UI__parent, &parent, true, LV2_INSTANCE_ACCESS_URI,
                                             &plugin, true, LV2_UI__resize, &resize, false, LV2_OPTIONS__options,
                                             &options, false, LV2_URID__map, &map, false, nullptr);
    if (missing) {
        std::fprintf(stderr, "Tembro-laxis: the host gives the window no %s; it cannot open\n", missing);
        return nullptr;
    }
    auto* window = new EditorWindow{static_cast<Lv2Instance*>(plugin)};
    std::lock_guard<std::mutex> lock(window->instance->kitLock());
    WrappedEffect& effect = window->instance->wrapped();
    editorOf(*window->instance).setHostScaleFactor(hostScaleFactor(options, map));
    ERect* rect = nullptr;
    effect.dispatch(effEditGetRect, 0, 0, &rect);
    effect.dispatch(effEditOpen, 0, 0, parent);
    window->seenGeneration = window->instance->kitGeneration();
    window->seenKit = kitFingerprint(effect.effect());
    const VSTGUI::CFrame* frame = editorOf(*window->instance).getFrame();
    const auto* x11 = frame ? dynamic_cast<const VSTGUI::X11Frame*>(frame->getPlatformFrame()) : nullptr;
    if (!x11) {
        std::fprintf(stderr, "Tembro-laxis: the window could not be opened in the host's window\n");
        effect.dispatch(effEditClose);
        delete window;
        return nullptr;
    }
    *widget = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(x11->getWindow()));
    if (resize && rect) resize->ui_resize(resize->handle, rect->right - rect->left, rect->bottom - rect->top);
    return window;
}

void cleanup(LV2UI_Handle handle) {
    auto* window = static_cast<EditorWindow*>(handle);
    {
        std::lock_guard<std::mutex> lock(window->instance->kitLock());
        window->instance->wrapped().dispatch(effEditClose);
    }
    delete window;
}

int idle(LV2UI_Handle handle) {
    auto* window = static_cast<EditorWindow*>(handle);
    // While the worker loads a kit or the host saves one, the window waits for the next idle call.
    std::unique_lock<std::mutex> lock(window->instance->kitLock(), std::try_to_lock);
    if (!lock.owns_lock()) return 0;
    ADEditor& editor = editorOf(*window->instance);
    const uint64_t generation = window->instance->kitGeneration();
    if (generation != window->seenGeneration) {
        window->seenGeneration = generation;
        relabel(editor);
    }
    const std::string message = window->instance->takeMessage();
    if (!message.empty()) editor.DoDialog("Tembro-laxis", message.c_str());
    window->instance->wrapped().dispatch(effEditIdle);
    // A drop, an erase, an exchange or a new setting: the host's project has changed.
    const uint64_t kit = kitFingerprint(window->instance->wrapped().effect());
    if (kit != window->seenKit) window->instance->markStateChanged();
    window->seenKit = kit;
    return 0;
}

const void* extensionData(const char* uri) {
    static const LV2UI_Idle_Interface idleInterface = {idle};
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

const LV2UI_Descriptor descriptor = {lv2face::kUiUri, instantiate, cleanup, nullptr, extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}

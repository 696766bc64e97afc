// The LV2 face's window in the standalone: the bundle's X11 UI, loaded from its binary, opened into
// our window and given the instance itself (instance-access), pumped by our idle calls.
#include <dlfcn.h>
#include <lilv/lilv.h>
#include <lv2/instance-access/instance-access.h>

#include <cstdio>
#include <string>

#include "lv2_plugin.h"

bool Lv2Plugin::editorSize(int& width, int& height) {
    if (!ui) return false;
    width = uiWidth;
    height = uiHeight;
    return true;
}

bool Lv2Plugin::openEditor(unsigned long window) {
    if (!ui || uiHandle) return uiHandle != nullptr;
    std::string error;
    if (!instance && !instantiate(rate, error)) {
        std::fprintf(stderr, "tembro-laxis: %s\n", error.c_str());
        return false;
    }
    char* binary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
    uiLibrary = binary ? dlopen(binary, RTLD_NOW | RTLD_LOCAL) : nullptr;
    lilv_free(binary);
    const auto descriptorOf = uiLibrary ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(uiLibrary, "lv2ui_descriptor"))
                                        : nullptr;
    const char* uiUri = lilv_node_as_uri(lilv_ui_get_uri(ui));
    for (uint32_t i = 0; descriptorOf && (uiDescriptor = descriptorOf(i)); ++i)
        if (std::string(uiDescriptor->URI) == uiUri) break;
    if (!uiDescriptor) {
        std::fprintf(stderr, "tembro-laxis: the LV2 window's code cannot be loaded: %s\n", dlerror());
        return false;
    }
    const LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(window)};
    const LV2_Feature access{LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(instance)};
    const LV2_Feature resize{LV2_UI__resize, &resizeFeature};
    const LV2_Feature idle{LV2_UI__idleInterface, nullptr};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature* uiFeatures[] = {&parent, &access, &resize, &idle, &mapFeature, nullptr};
    char* bundle = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(ui)), nullptr);
    LV2UI_Widget widget = nullptr;
    uiHandle = uiDescriptor->instantiate(uiDescriptor, kUri, bundle, nullptr, nullptr, &widget, uiFeatures);
    lilv_free(bundle);
    if (!uiHandle) return false;
    if (uiDescriptor->extension_data)
        uiIdle = static_cast<const LV2UI_Idle_Interface*>(uiDescriptor->extension_data(LV2_UI__idleInterface));
    return true;
}

void Lv2Plugin::closeEditor() {
    if (uiHandle) uiDescriptor->cleanup(uiHandle);
    uiHandle = nullptr;
    uiIdle = nullptr;
}

void Lv2Plugin::idleEditor() {
    if (uiHandle && uiIdle) uiIdle->idle(uiHandle);
    // What a music host would take as unsaved changes in its project.
    if (stateChanged()) std::printf("kit: changed\n");
}

int Lv2Plugin::uiResizeCall(LV2UI_Feature_Handle handle, int width, int height) {
    auto* self = static_cast<Lv2Plugin*>(handle);
    self->uiWidth = width;
    self->uiHeight = height;
    return self->sizeWindow && self->sizeWindow(width, height) ? 0 : 1;
}

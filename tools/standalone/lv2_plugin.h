// The LV2 face in the standalone, hosted through lilv as an LV2 host would: the bundle found by
// lilv, the instance run with MIDI and patch messages in its control port, its worker on a thread of
// its own, its kit property, its state saved to and restored from a folder, and its X11 window.
// The instance is made at the first start (at that rate) or when its window first opens; a kit or
// state asked for before then is applied as it is made.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "hosted_plugin.h"
#include "lv2_worker.h"

class Lv2Plugin : public HostedPlugin {
public:
    static constexpr char kUri[] = "http://brennwick.example/plugins/tembro-laxis";

    // Main thread. bundle: a bundle folder to load alone; empty: every bundle on LV2_PATH. Null on
    // failure, with the reason in error.
    static std::unique_ptr<Lv2Plugin> load(const std::string& bundle, Lv2Worker::Mode mode, std::string& error);
    ~Lv2Plugin() override;
    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    std::string path() const override { return bundlePath; }
    std::string name() const override;
    std::string vendor() const override;
    int numInputs() const override { return 2; }
    int numOutputs() const override { return 2; }
    bool hasEditor() const override { return ui != nullptr; }

    void start(double sampleRate, int maxBlockSize) override;
    void stop() override;
    void process(VstEvents* events, float** inputs, float** outputs, int frames) noexcept override;

    bool editorSize(int& width, int& height) override;
    bool openEditor(unsigned long window) override;
    void closeEditor() override;
    void idleEditor() override;
    // Keys reach the LV2 window through the window system only; the standalone keeps them for notes.
    bool keyDown(const VstKeyCode&) override { return false; }
    bool keyUp(const VstKeyCode&) override { return false; }

    // Main thread: sets the kit property. The worker loads it; it sounds from the run call after.
    // False while an earlier one has not yet reached a run call.
    bool setKitProperty(const std::string& kitPath);
    // Main thread: the kit property as the plug-in last announced it on its notify port.
    std::string kitProperty();
    // Main thread: whether the plug-in said its state changed since the last call.
    bool stateChanged() { return stateChangedSeen.exchange(false); }
    // Main thread: waits until the kit property's loads are done and delivered.
    void settle();

    // Main thread, while not processing. State lives in folder/state.ttl and the files beside it.
    bool saveState(const std::string& folder, std::string& error);
    bool restoreState(const std::string& folder, std::string& error);
    // Every message the plug-in wrote to the host's log, oldest first.
    std::vector<std::string> logMessages() const;

private:
    Lv2Plugin(Lv2Worker::Mode mode);
    bool instantiate(double sampleRate, std::string& error);
    void runOnce(uint32_t frames) noexcept;
    void writeControl(VstEvents* events, uint32_t frames) noexcept;
    void readNotify() noexcept;

    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapUrid(LV2_URID_Unmap_Handle handle, LV2_URID urid);
    static int logPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...);
    static int logVprintf(LV2_Log_Handle handle, LV2_URID type, const char* format, va_list args);
    static int uiResizeCall(LV2UI_Feature_Handle handle, int width, int height);

    std::string bundlePath;
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvUIs* uis = nullptr;
    const LilvUI* ui = nullptr;  // one of uis: the X11 window
    LilvInstance* instance = nullptr;
    double instanceRate = 0.0;
    bool running = false;
    Lv2Worker::Mode workerMode;
    std::unique_ptr<Lv2Worker> worker;

    // URIs are mapped from any thread but the audio thread.
    mutable std::mutex uridLock;
    std::unordered_map<std::string, LV2_URID> urids;
    std::deque<std::string> uris;  // stable addresses for unmap's answers
    LV2_URID_Map map{this, &Lv2Plugin::mapUri};
    LV2_URID_Unmap unmap{this, &Lv2Plugin::unmapUrid};
    mutable std::mutex logLock;
    std::vector<std::string> log;
    LV2_Log_Log logFeature{this, &Lv2Plugin::logPrintf, &Lv2Plugin::logVprintf};
    int32_t maxBlockOption = 8192;
    std::vector<LV2_Options_Option> options;
    std::vector<LV2_Feature> featureList;
    std::vector<const LV2_Feature*> features;

    // Audio thread's buffers: the control and notify sequences, silence and a place for output
    // nobody wants.
    std::vector<uint8_t> control;
    std::vector<uint8_t> notify;
    std::vector<float> spare;
    LV2_Atom_Forge forge{};
    LV2_URID midiEvent = 0, patchSet = 0, patchProperty = 0, patchValue = 0, kitKey = 0, atomPath = 0,
             atomString = 0, atomUrid = 0, stateChangedType = 0;
    // The kit property's value on its way to the control port.
    std::atomic<bool> kitPending{false};
    std::atomic<bool> stateChangedSeen{false};
    std::string pendingKit;
    std::string stateToRestore;
    ByteRing announcements;
    std::unique_ptr<std::array<uint8_t, ByteRing::kMaxMessage>> announcement =
        std::make_unique<std::array<uint8_t, ByteRing::kMaxMessage>>();
    std::string announcedKit;

    // The window.
    void* uiLibrary = nullptr;
    const LV2UI_Descriptor* uiDescriptor = nullptr;
    LV2UI_Handle uiHandle = nullptr;
    const LV2UI_Idle_Interface* uiIdle = nullptr;
    LV2UI_Resize resizeFeature{this, &Lv2Plugin::uiResizeCall};
    int uiWidth = 440, uiHeight = 756;
};

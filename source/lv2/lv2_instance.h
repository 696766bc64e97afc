// One instance of the LV2 face: the wrapped effect, its ports, the kit property and the saved state.
// Threads, as LV2 names them:
//  - audio: run, workResponse; never allocates, locks, blocks or logs;
//  - worker: work (loads the file the kit property names);
//  - instantiation and main: activate, deactivate, save, restore, and the window (lv2_ui.cpp).
// The worker, the state and the window all write the kit store and the slot names: they take
// kitLock() so one of them works on the kit at a time. The audio thread is kept apart by the engine.
#pragma once

#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/log/logger.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "kitfiles/kit_file_format.h"
#include "lv2/lv2_uris.h"
#include "lv2/wrapped_effect.h"

namespace lv2face {

enum Port : uint32_t { kInputLeft = 0, kInputRight, kOutputLeft, kOutputRight, kControl, kNotify, kPortCount };

class Lv2Instance {
public:
    // Instantiation thread. Null, with a message in the host's log, when a required feature is missing.
    static Lv2Instance* create(double sampleRate, const LV2_Feature* const* features);
    ~Lv2Instance() = default;

    void connect(uint32_t port, void* data);
    void activate();
    void deactivate();
    void run(uint32_t frames) noexcept;

    LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, uint32_t size,
                           const void* data);
    LV2_Worker_Status workResponse(uint32_t size, const void* data) noexcept;

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t flags,
                          const LV2_Feature* const* features);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t flags,
                             const LV2_Feature* const* features);

    // For the window, on the main thread.
    WrappedEffect& wrapped() { return effect; }
    std::mutex& kitLock() { return kitMutex; }
    // Counts changes of the kit made outside the window (kit property, restore): the window relabels
    // its slots when it sees a new count.
    uint64_t kitGeneration() const { return generation.load(std::memory_order_acquire); }
    // Any thread but the audio thread: the kit changed (a drop on the window, a load through the
    // property), so the host learns at the next run call that its project has unsaved changes.
    void markStateChanged() { stateChangedSinceRun.store(true, std::memory_order_release); }
    // A message for the user that the window shows once it is open; empty when there is none.
    // Called with kitLock() held.
    std::string takeMessage();

private:
    Lv2Instance(double sampleRate, LV2_URID_Map* map);

    // Audio thread: renders up to frame `to` of the run call with the MIDI added so far.
    void renderUpTo(uint32_t to) noexcept;
    void handleMessage(const LV2_Atom_Object* object) noexcept;
    void announceKit() noexcept;

    // Worker, save and restore: with kitLock() held.
    bool loadKitProperty(const char* path);
    void emptyKit();
    void emptySlot(int32_t slot);
    bool restoreSlot(int32_t slot, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                     const LV2_Feature* const* features, std::string& why);
    bool readSlotSound(int32_t slot, int32_t length, const void* abstractPath, const LV2_Feature* const* features,
                       std::string& why);
    void report(const std::string& message);  // to the host's log, and to the window

    WrappedEffect effect;
    Uris uris;
    LV2_Log_Logger logger{};
    LV2_Worker_Schedule* schedule = nullptr;
    const LV2_State_Make_Path* instanceMakePath = nullptr;
    double rate;
    int32_t maxBlock = 8192;

    const float* inputs[2] = {};
    float* outputs[2] = {};
    const LV2_Atom_Sequence* control = nullptr;
    LV2_Atom_Sequence* notify = nullptr;
    LV2_Atom_Forge forge{};

    // Audio thread: where the current run call's rendering has got to.
    uint32_t rendered = 0;
    // The kit property as the host reads it back. Written by workResponse and restore (never
    // concurrently with run, as LV2 orders them), read by run.
    char kitPath[kitfiles::kSlotPathSize] = {};
    // The same for save, which may run while run() does: kept by the worker and restore.
    std::string savedKitPath;  // guarded by kitMutex
    bool kitAnnouncementDue = false;

    std::mutex kitMutex;
    std::atomic<uint64_t> generation{0};
    std::atomic<bool> stateChangedSinceRun{false};
    std::string pendingMessage;  // guarded by kitMutex
};

}  // namespace lv2face

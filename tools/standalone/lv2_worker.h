// The host's side of LV2's worker. The plug-in's run call schedules work; a thread of the worker's
// own does it (or, offline, the scheduling call itself), and its answers go back to the plug-in
// after the run call, on the audio thread.
#pragma once

#include <lv2/worker/worker.h>
#include <semaphore.h>

#include <array>
#include <atomic>
#include <memory>
#include <thread>

#include "byte_ring.h"

class Lv2Worker {
public:
    enum class Mode { Threaded, Synchronous };

    explicit Lv2Worker(Mode mode);
    ~Lv2Worker();  // ends the thread once it has done the work already scheduled
    Lv2Worker(const Lv2Worker&) = delete;
    Lv2Worker& operator=(const Lv2Worker&) = delete;

    // Main thread, before the first run call: the plug-in that does the work.
    void attach(LV2_Handle plugin, const LV2_Worker_Interface* interface);
    LV2_Worker_Schedule* feature() { return &schedule; }

    // Audio thread, after each run call: hands the answers to the plug-in.
    void deliverResponses() noexcept;
    // Main thread: waits until all work scheduled so far is done and answered.
    void waitUntilIdle() const;

private:
    static LV2_Worker_Status scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data);
    void doWork(uint32_t size, const void* data);
    void loop();

    Mode mode;
    LV2_Handle plugin = nullptr;
    const LV2_Worker_Interface* interface = nullptr;
    LV2_Worker_Schedule schedule{this, &Lv2Worker::scheduleWork};
    ByteRing requests;
    ByteRing responses;
    std::atomic<uint64_t> scheduled{0};
    std::atomic<uint64_t> done{0};
    std::unique_ptr<std::array<uint8_t, ByteRing::kMaxMessage>> workBuffer;
    std::unique_ptr<std::array<uint8_t, ByteRing::kMaxMessage>> responseBuffer;
    sem_t wake{};
    std::atomic<bool> quit{false};
    std::thread thread;
};

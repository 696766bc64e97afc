#include "lv2_worker.h"

#include <chrono>

Lv2Worker::Lv2Worker(Mode workerMode)
    : mode(workerMode),
      workBuffer(std::make_unique<std::array<uint8_t, ByteRing::kMaxMessage>>()),
      responseBuffer(std::make_unique<std::array<uint8_t, ByteRing::kMaxMessage>>()) {
    sem_init(&wake, 0, 0);
    if (mode == Mode::Threaded) thread = std::thread([this] { loop(); });
}

Lv2Worker::~Lv2Worker() {
    quit.store(true);
    sem_post(&wake);
    if (thread.joinable()) thread.join();
    sem_destroy(&wake);
}

void Lv2Worker::attach(LV2_Handle handle, const LV2_Worker_Interface* workerInterface) {
    plugin = handle;
    interface = workerInterface;
}

LV2_Worker_Status Lv2Worker::scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data) {
    auto* worker = static_cast<Lv2Worker*>(handle);
    if (!worker->interface) return LV2_WORKER_ERR_UNKNOWN;
    if (worker->mode == Mode::Synchronous) {
        worker->scheduled.fetch_add(1);
        worker->doWork(size, data);
        return LV2_WORKER_SUCCESS;
    }
    if (!worker->requests.push(size, data)) return LV2_WORKER_ERR_NO_SPACE;
    worker->scheduled.fetch_add(1, std::memory_order_release);
    sem_post(&worker->wake);
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2Worker::respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data) {
    return static_cast<Lv2Worker*>(handle)->responses.push(size, data) ? LV2_WORKER_SUCCESS : LV2_WORKER_ERR_NO_SPACE;
}

void Lv2Worker::doWork(uint32_t size, const void* data) {
    interface->work(plugin, &Lv2Worker::respond, this, size, data);
    done.fetch_add(1, std::memory_order_release);
}

void Lv2Worker::loop() {
    uint32_t size = 0;
    for (;;) {
        sem_wait(&wake);
        while (requests.pop(*workBuffer, size)) doWork(size, workBuffer->data());
        if (quit.load()) return;
    }
}

void Lv2Worker::deliverResponses() noexcept {
    if (!interface) return;
    uint32_t size = 0;
    while (responses.pop(*responseBuffer, size)) interface->work_response(plugin, size, responseBuffer->data());
    if (interface->end_run) interface->end_run(plugin);
}

void Lv2Worker::waitUntilIdle() const {
    while (done.load(std::memory_order_acquire) != scheduled.load(std::memory_order_acquire))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

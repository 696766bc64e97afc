// Hands MIDI messages from one producer thread (a MIDI port's callback, or the window's keyboard)
// to the audio callback: a single-producer single-consumer ring that never allocates or locks.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

struct MidiMessage {
    uint8_t bytes[3];
    uint8_t size;
};

class MidiRing {
public:
    static constexpr uint32_t kCapacity = 1024;  // a power of two

    // Producer thread. False when the ring is full: the message is dropped.
    bool push(const MidiMessage& message) noexcept {
        const uint32_t tail = write.load(std::memory_order_relaxed);
        if (tail - read.load(std::memory_order_acquire) == kCapacity) return false;
        slots[tail & (kCapacity - 1)] = message;
        write.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer thread. False when the ring is empty.
    bool pop(MidiMessage& message) noexcept {
        const uint32_t head = read.load(std::memory_order_relaxed);
        if (head == write.load(std::memory_order_acquire)) return false;
        message = slots[head & (kCapacity - 1)];
        read.store(head + 1, std::memory_order_release);
        return true;
    }

private:
    static_assert((kCapacity & (kCapacity - 1)) == 0);
    // Indices run freely and wrap; their difference is the fill level.
    alignas(64) std::atomic<uint32_t> write{0};
    alignas(64) std::atomic<uint32_t> read{0};
    std::array<MidiMessage, kCapacity> slots{};
};

// The fixed set of producers feeding one audio callback: every ring is created before audio starts.
class MidiSources {
public:
    static constexpr size_t kMaxSources = 64;

    // Main thread, before the consumer runs. Null when every ring is taken.
    MidiRing* add() {
        if (used >= rings.size()) return nullptr;
        return rings.data() + used++;
    }
    size_t count() const { return used; }

    // Consumer thread: calls sink(message) for each waiting message, ring by ring.
    template <typename Sink>
    void drain(Sink&& sink) noexcept {
        MidiMessage message;
        for (size_t i = 0; i < used; ++i)
            while (rings[i].pop(message)) sink(message);
    }

private:
    std::array<MidiRing, kMaxSources> rings;
    size_t used = 0;
};

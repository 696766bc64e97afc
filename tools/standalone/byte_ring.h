// Hands variable-sized messages from one thread to another without allocating or locking: a
// single-producer single-consumer ring of size-prefixed byte strings, as LV2's worker exchanges them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>

class ByteRing {
public:
    static constexpr uint32_t kCapacity = 1u << 16;  // a power of two
    static constexpr uint32_t kMaxMessage = kCapacity / 2;

    // Producer thread. False when the message does not fit now: it is dropped.
    bool push(uint32_t size, const void* data) noexcept {
        const uint32_t tail = write.load(std::memory_order_relaxed);
        if (size > kMaxMessage || kCapacity - (tail - read.load(std::memory_order_acquire)) < sizeof size + size)
            return false;
        copyIn(tail, &size, sizeof size);
        copyIn(tail + sizeof size, data, size);
        write.store(tail + static_cast<uint32_t>(sizeof size) + size, std::memory_order_release);
        return true;
    }

    // Consumer thread. False when the ring is empty; otherwise the message is in out.
    bool pop(std::array<uint8_t, kMaxMessage>& out, uint32_t& size) noexcept {
        const uint32_t head = read.load(std::memory_order_relaxed);
        if (head == write.load(std::memory_order_acquire)) return false;
        copyOut(head, &size, sizeof size);
        copyOut(head + sizeof size, out.data(), size);
        read.store(head + static_cast<uint32_t>(sizeof size) + size, std::memory_order_release);
        return true;
    }

    bool empty() const noexcept { return read.load(std::memory_order_acquire) == write.load(std::memory_order_acquire); }

private:
    void copyIn(uint32_t at, const void* data, uint32_t size) noexcept {
        const uint32_t offset = at & (kCapacity - 1);
        const uint32_t first = size < kCapacity - offset ? size : kCapacity - offset;
        std::memcpy(bytes.data() + offset, data, first);
        std::memcpy(bytes.data(), static_cast<const uint8_t*>(data) + first, size - first);
    }
    void copyOut(uint32_t at, void* data, uint32_t size) const noexcept {
        const uint32_t offset = at & (kCapacity - 1);
        const uint32_t first = size < kCapacity - offset ? size : kCapacity - offset;
        std::memcpy(data, bytes.data() + offset, first);
        std::memcpy(static_cast<uint8_t*>(data) + first, bytes.data(), size - first);
    }

    // Indices run freely and wrap; their difference is the fill level.
    alignas(64) std::atomic<uint32_t> write{0};
    alignas(64) std::atomic<uint32_t> read{0};
    std::array<uint8_t, kCapacity> bytes{};
};

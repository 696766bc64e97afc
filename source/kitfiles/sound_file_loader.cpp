#include "kitfiles/sound_file_loader.h"

#include <sndfile.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "engine/kv7drumedit.h"
#include "kitfiles/aiff_header.h"
#include "kitfiles/kit_trace.h"
#include "kitfiles/regular_file.h"

namespace kitfiles {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

// A stream taking over fd; null, with fd closed, when there is none.
FilePtr adoptFile(int fd) {
    FilePtr file(fdopen(fd, "rb"));
    if (!file) ::close(fd);
    return file;
}

// Only regular files are opened: a FIFO would block, a folder opens but holds no data.
FilePtr openRegularFile(const char* path, std::string* reason = nullptr) {
    const int fd = openRegularFileForReading(path, reason);
    return fd < 0 ? nullptr : adoptFile(fd);
}

bool hasSignatureAt(int fd, off_t offset) {
    char bytes[4];
    return pread(fd, bytes, 4, offset) == 4 && std::memcmp(bytes, kKitSignature, 4) == 0;
}

// libsndfile reads the kit audio through this window onto the file: the sample data only, as
// headerless data of one channel, whatever channel count the header gives. libsndfile asks for a
// few kilobytes at a time; the window reads ahead in pieces of kReadAhead bytes with pread, so a
// 12 s sound costs a few dozen system calls instead of a read and a seek for every 4 KiB.
constexpr int64_t kReadAhead = 64 * 1024;

struct DataWindow {
    int fd;
    int64_t start;
    int64_t length;
    int64_t position = 0;
    std::vector<unsigned char> ahead;  // the bytes from aheadStart on, within the window
    int64_t aheadStart = 0;
};

sf_count_t windowLength(void* data) { return static_cast<DataWindow*>(data)->length; }

sf_count_t windowSeek(sf_count_t offset, int whence, void* data) {
    auto* window = static_cast<DataWindow*>(data);
    const int64_t base = whence == SEEK_CUR ? window->position : whence == SEEK_END ? window->length : 0;
    window->position = std::clamp<int64_t>(base + offset, 0, window->length);
    return window->position;
}

// Up to count bytes of the window from offset on; fewer only at an error or the file's real end.
int64_t readWindowAt(const DataWindow& window, void* destination, int64_t count, int64_t offset) {
    auto* bytes = static_cast<unsigned char*>(destination);
    int64_t got = 0;
    while (got < count) {
        const ssize_t n = pread(window.fd, bytes + got, static_cast<std::size_t>(count - got), window.start + offset + got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    return got;
}

sf_count_t windowRead(void* destination, sf_count_t count, void* data) {
    auto* window = static_cast<DataWindow*>(data);
    count = std::min<sf_count_t>(count, window->length - window->position);
    if (count <= 0) return 0;
    const int64_t aheadEnd = window->aheadStart + static_cast<int64_t>(window->ahead.size());
    if (window->position < window->aheadStart || window->position + count > aheadEnd) {
        if (count >= kReadAhead) {
            const int64_t got = readWindowAt(*window, destination, count, window->position);
            window->position += got;
            return got;
        }
        window->ahead.resize(static_cast<std::size_t>(std::min(kReadAhead, window->length - window->position)));
        window->ahead.resize(static_cast<std::size_t>(
            readWindowAt(*window, window->ahead.data(), static_cast<int64_t>(window->ahead.size()), window->position)));
        window->aheadStart = window->position;
        count = std::min<sf_count_t>(count, static_cast<sf_count_t>(window->ahead.size()));
    }
    std::memcpy(destination, window->ahead.data() + (window->position - window->aheadStart), static_cast<std::size_t>(count));
    window->position += count;
    return count;
}

sf_count_t windowWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t windowTell(void* data) { return static_cast<DataWindow*>(data)->position; }

// libsndfile's headerless format for an AIFF/AIFC encoding; 0 when there is none.
int rawFormatFor(const AiffHeader& header) {
    auto is = [&](const char* type) { return std::memcmp(header.compression, type, 4) == 0; };
    auto pcm = [](int bytes) -> int {
        switch (bytes) {
            case 1: return SF_FORMAT_PCM_S8;
            case 2: return SF_FORMAT_PCM_16;
            case 3: return SF_FORMAT_PCM_24;
            case 4: return SF_FORMAT_PCM_32;
            default: return 0;
        }
    };
    int subtype = 0;
    int endian = SF_ENDIAN_BIG;
    if (is("NONE") || is("twos")) {
        subtype = pcm(header.bytesPerSample());
    } else if (is("sowt")) {
        subtype = pcm(header.bytesPerSample());
        endian = SF_ENDIAN_LITTLE;
    } else if (is("fl32") || is("FL32")) {
        subtype = SF_FORMAT_FLOAT;
    } else if (is("fl64") || is("FL64")) {
        subtype = SF_FORMAT_DOUBLE;
    } else if (is("in24")) {
        subtype = SF_FORMAT_PCM_24;
    } else if (is("in32")) {
        subtype = SF_FORMAT_PCM_32;
    } else if (is("42ni")) {
        subtype = SF_FORMAT_PCM_24;
        endian = SF_ENDIAN_LITTLE;
    } else if (is("23ni")) {
        subtype = SF_FORMAT_PCM_32;
        endian = SF_ENDIAN_LITTLE;
    } else if (is("raw ")) {
        subtype = SF_FORMAT_PCM_U8;
    } else if (is("ulaw") || is("ULAW")) {
        subtype = SF_FORMAT_ULAW;
    } else if (is("alaw") || is("ALAW")) {
        subtype = SF_FORMAT_ALAW;
    }
    if (subtype == 0) return 0;
    // Byte-wide encodings have no byte order to state.
    if (subtype == SF_FORMAT_PCM_S8 || subtype == SF_FORMAT_PCM_U8 || subtype == SF_FORMAT_ULAW || subtype == SF_FORMAT_ALAW)
        endian = 0;
    return SF_FORMAT_RAW | subtype | endian;
}

// -1.0 below -1.0, else the smaller of 1.0 and x, compared in double. A sample that is not a
// number is taken as silence.
inline float clampSample(float x) {
    if (std::isnan(x)) return 0.0f;
    if (x < -1.0f) return -1.0f;
    const double wide = x;
    return static_cast<float>(wide < 1.0 ? wide : 1.0);
}

// An open source of frames: the file's frame count as its header states it, and its channels.
struct OpenedSound {
    FilePtr file;                          // the raw file under the data window
    std::unique_ptr<DataWindow> window;    // what libsndfile reads of it
    SndfilePtr sound;
    int32_t channels = 0;
    int64_t frames = 0;
};

// libsndfile on length bytes of opened's file from start, read through a data window rather than
// the descriptor: a read at the end costs no system call, and some broken headers have libsndfile
// read on past the end a hundred thousand times. info holds what libsndfile is told and receives
// what it found.
bool openWindow(OpenedSound& opened, int64_t start, int64_t length, SF_INFO& info) {
    opened.window = std::make_unique<DataWindow>(DataWindow{fileno(opened.file.get()), start, length, 0, {}, 0});
    SF_VIRTUAL_IO io{windowLength, windowSeek, windowRead, windowWrite, windowTell};
    opened.sound.reset(sf_open_virtual(&io, SFM_READ, &info, opened.window.get()));
    return opened.sound != nullptr;
}

// libsndfile on the whole of opened's file.
bool openWholeFile(OpenedSound& opened, SF_INFO& info) {
    struct stat status {};
    if (fstat(fileno(opened.file.get()), &status) != 0) return false;
    return openWindow(opened, 0, status.st_size, info);
}

std::optional<OpenedSound> openOrdinarySound(const char* path, std::string& message) {
    OpenedSound opened;
    std::string reason;
    const int fd = openRegularFileForReading(path, &reason);
    if (fd < 0) {
        message = "Could not open " + quoted(path) + ": " + reason + ".";
        return std::nullopt;
    }
    // libsndfile counts an AIFF's sample data; the header's COMM count is the one that holds (for
    // the instrument's own files it is one frame less). Read before libsndfile, whose window reads
    // seek for themselves.
    std::optional<AiffHeader> aiff;
    SF_INFO info{};
    opened.file = adoptFile(fd);
    if (opened.file) aiff = readAiffHeader(opened.file.get());
    if (!opened.file || !openWholeFile(opened, info)) {
        message = quoted(path) + " is not a sound file that can be read.";
        return std::nullopt;
    }
    opened.channels = info.channels;
    opened.frames = info.frames;
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_AIFF && aiff)
        opened.frames = std::min<int64_t>(opened.frames, aiff->frames);
    return opened;
}

std::optional<OpenedSound> openKitSound(const char* path, std::string& message) {
    OpenedSound opened;
    opened.file = openRegularFile(path);
    const std::optional<AiffHeader> header = opened.file ? readAiffHeader(opened.file.get()) : std::nullopt;
    const int format = header ? rawFormatFor(*header) : 0;
    if (!header || header->channels < 1 || format == 0) {
        message = quoted(path) + " is not a kit file that can be read.";
        return std::nullopt;
    }
    // The kit audio is one channel of the header's encoding, however many channels the header claims.
    opened.channels = 1;
    opened.frames = header->framesPresent();
    SF_INFO info{};
    info.samplerate = static_cast<int>(kKitSampleRate);
    info.channels = 1;
    info.format = format;
    if (!openWindow(opened, header->dataStart, header->dataBytes, info)) {
        message = quoted(path) + " is not a kit file that can be read.";
        return std::nullopt;
    }
    return opened;
}

// Pages of [begin, begin + count) made resident in one system call rather than a fault each:
// on a virtual machine that costs about half. Kernels before 5.14 refuse, and the pages fault as
// they are written.
void makeResident(float* begin, std::size_t count) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (reinterpret_cast<uintptr_t>(begin) + page - 1) & ~(page - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(begin + count) & ~(page - 1);
#ifdef MADV_POPULATE_WRITE
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)first;
    (void)end;
#endif
}

// Decodes count frames mixed to one channel into mixed[2] on: slot samples 2 and on hold file
// frames 0 and on, the last two frames read find no place, and mixed[0], mixed[1] and whatever a
// short file leaves are 0.0. False when libsndfile stopped on an error.
bool decodeMixed(SNDFILE* sound, int32_t channels, int32_t count, float* mixed) {
    const int32_t filled = std::max(count, 0);
    int32_t written = std::min(filled, 2);
    std::fill(mixed, mixed + written, 0.0f);
    bool shortRead = false;
    constexpr int32_t kBlockFrames = 4096;
    float block[kBlockFrames * 2];
    for (int32_t done = 0; done < count && !shortRead;) {
        const int32_t wanted = std::min(kBlockFrames, count - done);
        const auto got = static_cast<int32_t>(sf_readf_float(sound, block, wanted));
        shortRead = got < wanted;
        const int32_t placed = std::min(got, filled - 2 - done);
        if (placed > 0) {
            float* out = mixed + 2 + done;
            if (channels == 1) {
                for (int32_t i = 0; i < placed; ++i) out[i] = clampSample(block[i]);
            } else {
                for (int32_t i = 0; i < placed; ++i) out[i] = (clampSample(block[2 * i]) + clampSample(block[2 * i + 1])) * 0.5f;
            }
            written = 2 + done + placed;
        }
        done += std::max(got, 0);
    }
    std::fill(mixed + written, mixed + filled, 0.0f);
    return !(shortRead && sf_error(sound) != SF_ERR_NO_ERROR);
}

}  // namespace

bool CheckIfValidSoundFile(const char* path) {
    if (!path || !*path) return false;
    const int fd = openRegularFileForReading(path);
    if (fd < 0) return false;
    if (hasSignatureAt(fd, kKitSignatureOffset)) {
        ::close(fd);
        return true;
    }
    OpenedSound opened;
    opened.file = adoptFile(fd);
    SF_INFO info{};
    return opened.file && openWholeFile(opened, info);
}

LoadResult LoadExec_This_Sound_From_File(Kv7DrumEdit& effect, SlotPaths& slotPaths, const char* path, int32_t kind,
                                         int32_t slot, DecodeInto into) {
    LoadResult result;
    if (!path || !*path) return result;
    // The caller's path is usually one of slotPaths, which a kit import rewrites.
    const std::string ownPath(path);
    if (!isSlot(slot)) {
        result.message = std::string("There is no slot ") + std::to_string(slot) + ".";
        return result;
    }
    std::string reason;
    const int fd = openRegularFileForReading(ownPath.c_str(), &reason);
    if (fd < 0) {
        result.message = "Could not open " + quoted(ownPath) + ": " + reason + ".";
        return result;
    }
    if (hasSignatureAt(fd, kKitSignatureOffset)) {
        trace("\n KV7 HEADER LOCATED, going to read afterwards");
        kind = kLoadKitFile;
        slot = 0;
    } else if (hasSignatureAt(fd, kFactoryKitSignatureOffset)) {
        trace("\n FACTORY KV7 HEADER LOCATED, going to read afterwards");
        kind = kLoadFactoryKitFile;
        slot = 0;
    }
    ::close(fd);
    return DoXPlatLoadStuff(effect, slotPaths, ownPath.c_str(), kind, slot, into);
}

LoadResult DoXPlatLoadStuff(Kv7DrumEdit& effect, SlotPaths& slotPaths, const char* path, int32_t kind, int32_t slot,
                            DecodeInto into) {
    LoadResult result;
    if (!path || !*path || !isSlot(slot)) return result;
    const std::string ownPath(path);
    result.decodeAttempted = true;
    const bool kitFile = kind >= kLoadKitFile;

    std::optional<OpenedSound> opened =
        kitFile ? openKitSound(ownPath.c_str(), result.message) : openOrdinarySound(ownPath.c_str(), result.message);
    if (!opened) return result;

    // 529199, not 529200, for anything longer than a slot holds.
    const int32_t frames = opened->frames > MAX_BUFFERLENGTH ? MAX_BUFFERLENGTH - 1
                           : opened->frames < 0            ? 0
                                                           : static_cast<int32_t>(opened->frames);
    const int32_t channels = opened->channels;
    if (channels != 1 && channels != 2) {
        result.message = quoted(ownPath) + " has " + std::to_string(channels) +
                         " channels; only mono and stereo sounds can be loaded.";
        return result;
    }

    // The file's frames land two samples late, and the last three of the n positions are not read.
    const int32_t count = frames - 3;
    const int32_t filled = std::max(count, 0);
    bool decoded = true;
    if (into == DecodeInto::Scratch) {
        // Mixed to one channel on the way, so the scratch sound is mono; the audio thread is kept
        // from the slot only for the copy.
        std::vector<float> mixed(static_cast<std::size_t>(filled), 0.0f);
        decoded = decodeMixed(opened->sound.get(), channels, count, mixed.data());
        if (decoded) {
            opened.reset();
            SlotWriteAccess access(effect, slotBit(slot));
            if (!mixed.empty()) std::memcpy(access.leadingSamples(slot, filled), mixed.data(), sizeof(float) * mixed.size());
            access.clearFrom(slot, filled);
            effect.BufferLength[slot].store(std::max(frames, 1), std::memory_order_relaxed);
        }
    } else {
        SlotWriteAccess access(effect, slotBit(slot));
        float* samples = access.leadingSamples(slot, filled);
        makeResident(samples, static_cast<std::size_t>(filled));
        decoded = decodeMixed(opened->sound.get(), channels, count, samples);
        if (decoded) {
            access.clearFrom(slot, filled);
            effect.BufferLength[slot].store(std::max(frames, 1), std::memory_order_relaxed);
        }
    }
    if (!decoded) {
        result.message = "Could not decode " + quoted(ownPath) + ": " + sf_strerror(opened->sound.get());
        return result;
    }
    result.changedSlots = slotBit(slot);

    if (kitFile) {
        result.import = Finish_Load_KV7_File(effect, slotPaths, ownPath.c_str(), kind == kLoadFactoryKitFile);
        if (result.import.imported) {
            result.kitImported = true;
            result.changedSlots = kAllSlotsMask;
        } else {
            result.message = result.import.message;
        }
    }
    return result;
}

}  // namespace kitfiles

// Files whose contents lie, dropped on the real editor: each has a defined outcome. A file that
// cannot be loaded leaves the slot's previous sound and the message dialog says why; a file whose
// header overstates its data gets what the data holds; nothing outside a slot's buffer is touched
// (AddressSanitizer watches), and the window goes on working afterwards.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <functional>

#include "reliability_support.h"

using namespace reliability;
using kittest::ScratchFolder;

namespace {

constexpr int32_t kTarget = 5;       // the slot the hostile files are dropped on
constexpr int32_t kPrevious = 1000;  // frames of the sound each slot held before

enum class Outcome {
    KeepsAndSaysWhy,  // the slot keeps its previous sound; the dialog's message holds `why`
    Loads,            // the slot gets `length` samples, the Part's result for what the file holds
    ImportsInBounds,  // a kit file: all 24 slots cut from it, every length within a slot
};

struct HostileFile {
    const char* name;
    std::function<std::vector<unsigned char>()> bytes;
    Outcome outcome;
    int32_t length = 0;
    const char* why = "";
};

// The metadata text of a kit, around any lists.
std::vector<unsigned char> kitWithText(const std::string& text, uint32_t statedFrames, uint32_t frames) {
    Bytes b;
    const std::size_t padded = (text.size() + 3) & ~std::size_t{3};
    b.text("FORM").be32(0).text("AIFF");
    b.text("COMM").be32(18).be16(1).be32(statedFrames).be16(16).raw({0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0});
    b.text("APPL").be32(static_cast<uint32_t>(padded)).text(text).zeros(padded - text.size());
    b.text("SSND").be32(2 * frames + 8).be32(0).be32(0);
    for (uint32_t i = 0; i < frames; ++i) b.be16(static_cast<uint16_t>(i * 7));
    return b.data;
}

std::string lists(const std::string& value) {
    std::string text = "kv-7{\"drum_version\":1";
    for (const char* key : {"pitch", "start", "end", "playmode", "reverse", "volume"}) {
        text += std::string(",\"") + key + "\":[";
        for (int slot = 0; slot < kNumSlots; ++slot) text += value + (slot < kNumSlots - 1 ? "," : "");
        text += "]";
    }
    return text + "}";
}

std::vector<unsigned char> floatWav(const std::vector<float>& samples) {
    Bytes b;
    const auto bytes = static_cast<uint32_t>(samples.size() * 4);
    b.text("RIFF").le32(36 + bytes).text("WAVE");
    b.text("fmt ").le32(16).le16(3).le16(1).le32(44100).le32(44100 * 4).le16(4).le16(32);
    b.text("data").le32(bytes);
    for (float sample : samples) {
        uint32_t bits;
        std::memcpy(&bits, &sample, 4);
        b.le32(bits);
    }
    return b.data;
}

class HostileFiles : public ::testing::Test {
protected:
    // A fresh window whose slots 0 and kTarget hold a sound of kPrevious frames each.
    void prepare() {
        ui = std::make_unique<OffscreenEditor>();
        const std::string previous = scratch.path("previous.wav");
        kittest::writeSound(previous, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, std::vector<float>(kPrevious, 0.375f));
        ui->drop(labelCentre(0), {previous});
        ui->drop(labelCentre(kTarget), {previous});
        ASSERT_EQ(ui->length(kTarget), kPrevious);
        before.assign(ui->effect->SampleBuffer[kTarget], ui->effect->SampleBuffer[kTarget] + kPrevious);
    }

    void dropAndCheck(const HostileFile& file) {
        SCOPED_TRACE(file.name);
        prepare();
        const std::string path = scratch.path(file.name);
        kittest::writeBytes(path, file.bytes());
        ui->drop(labelCentre(kTarget), {path});
        for (int32_t slot = 0; slot < kNumSlots; ++slot) {
            EXPECT_GE(ui->length(slot), 0) << slot;
            EXPECT_LE(ui->length(slot), MAX_BUFFERLENGTH) << slot;
        }
        switch (file.outcome) {
            case Outcome::KeepsAndSaysWhy:
                EXPECT_EQ(ui->length(kTarget), kPrevious);
                EXPECT_TRUE(std::equal(before.begin(), before.end(), ui->effect->SampleBuffer[kTarget]));
                EXPECT_EQ(ui->length(0), kPrevious);
                EXPECT_TRUE(ui->dialogShowing());
                EXPECT_NE(ui->dialogMessage().find(file.why), std::string::npos) << ui->dialogMessage();
                break;
            case Outcome::Loads:
                EXPECT_EQ(ui->length(kTarget), file.length);
                EXPECT_FALSE(ui->dialogShowing()) << ui->dialogMessage();
                break;
            case Outcome::ImportsInBounds:
                EXPECT_EQ(ui->labelText(kTarget), " From Kv-7 import");
                for (int32_t slot = 0; slot < kNumSlots; ++slot) EXPECT_LT(ui->length(slot), MAX_BUFFERLENGTH) << slot;
                break;
        }
        expectResponsive();
        ui.reset();
    }

    // The window still answers: the dialog goes away with OK, and a key plays its slot.
    void expectResponsive() {
        EXPECT_TRUE(ui->editor->IsOpen);
        if (ui->dialogShowing()) ui->dismissDialog();
        EXPECT_FALSE(ui->dialogShowing());
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        ui->click(keyCentre(0));
        ui->effect->processReplacing(nullptr, outputs, 64);
        EXPECT_EQ(ui->effect->IsPlaying[0], ui->length(0) >= 2);
        ui->editor->getFrame()->idle();  // and it still draws
    }

    ScratchFolder scratch;
    std::unique_ptr<OffscreenEditor> ui;
    std::vector<float> before;
};

TEST_F(HostileFiles, BrokenSoundFilesKeepThePreviousSoundAndSayWhy) {
    const std::vector<unsigned char> wav = wavFile(1, 2000);
    const HostileFile files[] = {
        {"zero-length.wav", [] { return std::vector<unsigned char>{}; }, Outcome::KeepsAndSaysWhy, 0, "not a sound file"},
        {"cut-in-header.wav", [&] { return std::vector<unsigned char>(wav.begin(), wav.begin() + 30); },
         Outcome::KeepsAndSaysWhy, 0, "not a sound file"},
        {"zero-channels.wav", [] { return wavFile(0, 100); }, Outcome::KeepsAndSaysWhy, 0, "not a sound file"},
        {"six-channels.wav", [] { return wavFile(6, 100); }, Outcome::KeepsAndSaysWhy, 0, "has 6 channels"},
        {"256-channels.wav", [] { return wavFile(256, 10); }, Outcome::KeepsAndSaysWhy, 0, "has 256 channels"},
        {"zero-bits.wav", [] { return wavFile(1, 100, -1, 0); }, Outcome::KeepsAndSaysWhy, 0, "not a sound file"},
        {"no-format-chunk.wav", [] { return Bytes().text("RIFF").le32(12).text("WAVE").text("data").le32(4).le32(0).data; },
         Outcome::KeepsAndSaysWhy, 0, "not a sound file"},
        {"zero-channels.aif", [] { return aiffFile(0, 100, 100); }, Outcome::KeepsAndSaysWhy, 0, "not a sound file"},
        {"six-channels.aif", [] { return aiffFile(6, 100, 100); }, Outcome::KeepsAndSaysWhy, 0, "has 6 channels"},
        {"huge-comm-chunk.aif", [] { return aiffFile(1, 100, 100, 0xFFFFFFF0u); }, Outcome::KeepsAndSaysWhy, 0,
         "not a sound file"},
        {"unknown-compression.aifc",
         [] {
             return Bytes().text("FORM").be32(46).text("AIFC").text("COMM").be32(24).be16(1).be32(10).be16(16)
                 .raw({0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}).text("XXXX").zeros(2).data;
         },
         Outcome::KeepsAndSaysWhy, 0, "not a sound file"},
        {"text.wav", [] { return Bytes().text("RIFF....WAVEfmt this is a letter, not a sound").data; },
         Outcome::KeepsAndSaysWhy, 0, "not a sound file"},
    };
    for (const HostileFile& file : files) dropAndCheck(file);
}

TEST_F(HostileFiles, HeadersThatOverstateTheirDataGetWhatTheDataHolds) {
    const HostileFile files[] = {
        // The decoder takes n = the frames it can read; n - 3 of them land two samples late.
        {"billions-of-frames.aif", [] { return aiffFile(1, 3000000000u, 2000); }, Outcome::Loads, 2000},
        {"all-ones-frame-count.aif", [] { return aiffFile(1, 0xFFFFFFFFu, 700000); }, Outcome::Loads, MAX_BUFFERLENGTH - 1},
        {"data-chunk-claims-4-gb.wav", [] { return wavFile(1, 1500, 0xFFFFFFF0); }, Outcome::Loads, 1500},
        {"data-chunk-claims-more.wav", [] { return wavFile(2, 1200, 1000000); }, Outcome::Loads, 1200},
        {"ssnd-past-the-end.aif", [] { return aiffFile(1, 3000, 3000, 18, 0x7FFFFFF0); }, Outcome::Loads, 3000},
        {"no-frames.wav", [] { return wavFile(1, 0); }, Outcome::Loads, 1},
        {"not-numbers.wav", [] { return floatWav({NAN, INFINITY, -INFINITY, 0.5f, NAN, 1e30f, -1e30f, 0, 0, 0}); },
         Outcome::Loads, 10},
    };
    for (const HostileFile& file : files) dropAndCheck(file);
}

TEST_F(HostileFiles, KitFilesWithHostileTextsOrAudioStayInBounds) {
    const HostileFile files[] = {
        {"no-lists.aif", [] { return kitWithText("kv-7{}  ", 100, 100); }, Outcome::ImportsInBounds},
        {"only-commas.aif", [] { return kitWithText("kv-7" + std::string(2400, ','), 100, 100); }, Outcome::ImportsInBounds},
        {"ten-thousand-digits.aif", [] { return kitWithText(lists(std::string(10000, '9')), 100, 100); },
         Outcome::ImportsInBounds},
        {"negative-everything.aif", [] { return kitWithText(lists("-2147483648"), 100, 100); }, Outcome::ImportsInBounds},
        {"regions-past-the-audio.aif", [] { return kitWithText(lists("2147483646"), 100, 100); }, Outcome::ImportsInBounds},
        {"kit-claims-billions.aif", [] { return kitWithText(lists("1000"), 0xFFFFFFFFu, 3000); }, Outcome::ImportsInBounds},
        {"kit-without-audio.aif", [] { return kitWithText(lists("1000"), 5000, 0); }, Outcome::ImportsInBounds},
        // Cut after the signature: a kit with no audio, whose slots all come out empty or silent.
        {"kit-cut-after-signature.aif",
         [] {
             auto bytes = kitWithText(lists("0"), 100, 100);
             bytes.resize(60);
             return bytes;
         },
         Outcome::ImportsInBounds},
        {"kit-without-comm.aif",
         [] {
             auto bytes = kitWithText(lists("0"), 100, 100);
             std::memcpy(&bytes[12], "CAMM", 4);
             return bytes;
         },
         Outcome::KeepsAndSaysWhy, 0, "is not a kit file that can be read"},
        {"kit-in-an-unknown-encoding.aif",
         [] {
             auto bytes = kitWithText(lists("0"), 100, 100);
             bytes[27] = 0;  // 0 bits per sample
             return bytes;
         },
         Outcome::KeepsAndSaysWhy, 0, "is not a kit file that can be read"},
    };
    for (const HostileFile& file : files) dropAndCheck(file);
}

}  // namespace

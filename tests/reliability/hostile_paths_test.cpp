// Paths that are no ordinary sound files, dropped on the real editor: folders, FIFOs, devices,
// unreadable files, link loops, names at and past the 511-byte limit, names that are not UTF-8 and
// a folder of 10 000 entries. None blocks the window; each ends with the slot's previous sound
// and a reason in the message dialog, or with the sound loaded.
#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "kitfiles/sound_file_loader.h"
#include "reliability_support.h"

using namespace reliability;
using kittest::ScratchFolder;

namespace {

constexpr int32_t kTarget = 3;
constexpr int32_t kPrevious = 900;

class HostilePaths : public ::testing::Test {
protected:
    HostilePaths() {
        sound(scratch.path("previous.wav"), kPrevious);
        ui.drop(labelCentre(kTarget), {scratch.path("previous.wav")});
    }

    static void sound(const std::string& path, int32_t frames) {
        kittest::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, std::vector<float>(static_cast<size_t>(frames), 0.5f));
    }

    // Drops paths on the target slot; the slot must keep its sound and the dialog say why.
    void expectRefused(const std::vector<std::string>& paths, const std::string& why) {
        ui.drop(labelCentre(kTarget), paths);
        EXPECT_EQ(ui.length(kTarget), kPrevious);
        EXPECT_TRUE(ui.dialogShowing());
        EXPECT_NE(ui.dialogMessage().find(why), std::string::npos) << ui.dialogMessage();
        ui.dismissDialog();
        EXPECT_FALSE(ui.dialogShowing());
        EXPECT_TRUE(ui.editor->IsOpen);
    }

    ScratchFolder scratch;
    OffscreenEditor ui;
};

TEST_F(HostilePaths, FoldersDevicesAndLinkLoopsAreRefusedWithAReason) {
    const std::string fifo = scratch.path("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    expectRefused({fifo}, "not a regular file");
    expectRefused({"/dev/zero"}, "not a regular file");
    expectRefused({"/dev/null"}, "not a regular file");

    std::filesystem::create_symlink("loop-b.wav", scratch.path("loop-a.wav"));
    std::filesystem::create_symlink("loop-a.wav", scratch.path("loop-b.wav"));
    expectRefused({scratch.path("loop-a.wav")}, "Too many levels of symbolic links");
    std::filesystem::create_symlink("nowhere.wav", scratch.path("dangling.wav"));
    expectRefused({scratch.path("dangling.wav")}, "No such file or directory");
    kittest::writeText(scratch.path("plain.txt"), "text");
    expectRefused({scratch.path("plain.txt") + "/inside.wav"}, "Not a directory");

    // Several items or a folder, none of them a sound: nothing is loaded, and the dialog says so.
    std::filesystem::create_directories(scratch.path("nothing-here"));
    kittest::writeText(scratch.path("nothing-here/readme.txt"), "no sounds");
    ASSERT_EQ(mkfifo(scratch.path("nothing-here/pipe.wav").c_str(), 0600), 0);
    std::filesystem::create_symlink(".", scratch.path("nothing-here/self"));
    expectRefused({scratch.path("nothing-here")}, "holds no sound");
    expectRefused({fifo, scratch.path("nothing-here"), "/dev/zero", scratch.path("loop-a.wav")}, "None of the 4");
}

TEST_F(HostilePaths, AFifoNeverMakesTheLoaderWait) {
    // The loader must not open a FIFO at all: a writer that manages to connect to it would mean the
    // window sat waiting for one.
    const std::string fifo = scratch.path("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> done{false};
    std::atomic<bool> readerSeen{false};
    std::thread writer([&] {
        while (!done.load()) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                readerSeen = true;
                close(fd);  // the waiting reader gets an empty file and goes on
            }
            std::this_thread::yield();
        }
    });
    ui.editor->DoXPlatLoadStuff(fifo.c_str(), kitfiles::kLoadSoundFile, 0, kTarget);
    ui.editor->LoadExec_This_Sound_From_File(fifo.c_str(), kitfiles::kLoadSoundFile, kTarget);
    EXPECT_FALSE(ui.editor->CheckIfValidSoundFile(fifo.c_str()));
    ui.editor->Finish_Load_KV7_File(fifo.c_str(), 0, false);
    done = true;
    writer.join();
    EXPECT_FALSE(readerSeen.load());
    EXPECT_EQ(ui.length(kTarget), kPrevious);
}

TEST_F(HostilePaths, AnUnreadableFileOrFolderIsRefusedWithAReason) {
    // As root every file is readable: the drop runs in a child process without root's rights.
    const std::string secret = scratch.path("secret.wav");
    sound(secret, 500);
    chmod(secret.c_str(), 0);
    const std::string closed = scratch.path("closed");
    std::filesystem::create_directories(closed);
    sound(closed + "/inside.wav", 500);
    chmod(closed.c_str(), 0);
    chmod(scratch.folder().c_str(), 0755);
    const ChildOutcome outcome = runInChild(dropPrivileges, [&] {
        std::string report;
        for (const std::string& path : {secret, closed}) {
            ui.drop(labelCentre(kTarget), {path});
            report += std::to_string(ui.length(kTarget)) + " " + ui.dialogMessage() + "\n";
            ui.dismissDialog();
        }
        return report;
    });
    EXPECT_TRUE(outcome.exitedNormally);
    const std::string expected = std::to_string(kPrevious) + " Could not open \"" + secret + "\": Permission denied.\n" +
                                 std::to_string(kPrevious) + " Could not open \"" + closed + "\": it is a folder.\n";
    EXPECT_EQ(outcome.report, expected);
}

TEST_F(HostilePaths, NamesAtAndPastTheSlotPathLimit) {
    // Nested folders make a path of exactly `length` bytes ending in a sound file's name.
    auto pathOfLength = [&](std::size_t length) {
        std::string path = scratch.folder().string();
        while (path.size() + 1 + 100 + 10 < length) {
            path += "/" + std::string(100, 'd');
            std::filesystem::create_directories(path);
        }
        const std::size_t name = length - path.size() - 1;
        return path + "/" + std::string(name - 4, 'n') + ".wav";
    };
    const std::string longest = pathOfLength(511);
    ASSERT_EQ(longest.size(), 511u);
    sound(longest, 700);
    ui.drop(labelCentre(kTarget), {longest});
    EXPECT_EQ(ui.length(kTarget), 700);
    EXPECT_FALSE(ui.dialogShowing());
    EXPECT_STREQ(ui.editor->SlotPath[kTarget], longest.c_str());

    ui.drop(labelCentre(kTarget), {scratch.path("previous.wav")});
    const std::string tooLong = pathOfLength(512);
    sound(tooLong, 800);
    expectRefused({tooLong}, "longer than 511 characters");
    // Past what the system takes as a path at all.
    expectRefused({"/" + std::string(4095, 'x')}, "longer than 511 characters");
    // In a folder, an entry whose full path is too long is refused too, and the others still load.
    const std::string nearLimit = pathOfLength(480);
    const std::string folder = nearLimit.substr(0, nearLimit.rfind('/'));
    sound(folder + "/" + std::string(150, 'z') + ".wav", 600);
    sound(folder + "/short.wav", 650);
    ui.drop(labelCentre(kTarget), {folder});
    EXPECT_EQ(ui.length(kTarget), 650);
    EXPECT_TRUE(ui.dialogShowing());
    EXPECT_NE(ui.dialogMessage().find("longer than 511 characters"), std::string::npos);
}

// Pango's complaints about texts that are not UTF-8, which would reach standard error on every
// redraw of a label. Pango logs through GLib's structured log, whose writer is set once per process.
int pangoWarnings = 0;
GLogWriterOutput countPangoWarnings(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data) {
    for (gsize i = 0; i < count; ++i)
        if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0 && fields[i].length < 0 &&
            std::strcmp(static_cast<const char*>(fields[i].value), "Pango") == 0 && (level & G_LOG_LEVEL_WARNING))
            ++pangoWarnings;
    return g_log_writer_default(level, fields, count, data);
}
[[maybe_unused]] const bool writerInstalled = (g_log_set_writer_func(countPangoWarnings, nullptr, nullptr), true);

TEST_F(HostilePaths, NamesThatAreNotUtf8LoadAndDrawCleanly) {
    pangoWarnings = 0;
    const std::string latin1 = scratch.path("caf\xE9 \xFF\xFE.wav");
    sound(latin1, 400);
    // A name whose 43-character cut falls inside a character.
    std::string wide;
    for (int i = 0; i < 15; ++i) wide += "\xE3\x81\x82";
    const std::string cut = scratch.path("xx" + wide + ".wav");
    sound(cut, 300);
    const std::string odd = scratch.path("line\nbreak %s %n 100%.wav");
    sound(odd, 200);
    ui.drop(labelCentre(kTarget), {latin1, cut, odd});
    EXPECT_EQ(ui.length(kTarget), 400);
    EXPECT_EQ(ui.length(kTarget + 1), 300);
    EXPECT_EQ(ui.length(kTarget + 2), 200);
    EXPECT_EQ(ui.labelText(kTarget + 2), " line\nbreak %s %n 100%");
    ui.screen->redrawAll();
    EXPECT_EQ(pangoWarnings, 0);
}

TEST_F(HostilePaths, AFolderOfTenThousandEntriesFillsTheSlotsAndStops) {
    const std::string folder = scratch.path("many");
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 10000; ++i) kittest::writeText(folder + "/note" + std::to_string(i) + ".txt", "x");
    // Hidden among them, 30 sounds: the drop fills the slots from the target to 23 and stops.
    for (int i = 0; i < 30; ++i) sound(folder + "/s" + std::to_string(i) + ".wav", 100 + i);
    ui.drop(labelCentre(kTarget), {folder});
    for (int32_t slot = kTarget; slot < kNumSlots; ++slot) {
        EXPECT_GE(ui.length(slot), 100) << slot;
        EXPECT_LT(ui.length(slot), 130) << slot;
    }
    EXPECT_EQ(ui.length(0), 0);
    EXPECT_FALSE(ui.dialogShowing());
    EXPECT_TRUE(ui.editor->IsOpen);
}

}  // namespace

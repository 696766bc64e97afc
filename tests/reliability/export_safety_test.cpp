// Exports never lose a kit: writing into a folder the user may not write to, onto a full disk, onto
// something that is not a file, or being killed part-way, every file already at the chosen path
// stays whole, no half-written file appears under a final name, and the window says what failed.
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "kitfiles/kit_export.h"
#include "kitfiles/slot_export.h"
#include "reliability_support.h"

using namespace kitfiles;
using namespace reliability;
using kittest::readBytes;

namespace {

using Files = std::map<std::string, std::vector<unsigned char>>;

// Every file in a folder with its bytes, hidden temporaries included.
Files filesIn(const std::string& folder) {
    Files files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = readBytes(entry.path().string());
    return files;
}

std::string describe(const KitExportResult& result) {
    return std::to_string(static_cast<int>(result.outcome)) + "|" + result.message;
}

class ExportSafety : public kittest::KitFixture {
protected:
    // A kit of `slots` sounds of `frames` samples each at the given level.
    void makeKit(int32_t slots, int32_t frames, float level) {
        for (int32_t slot = 0; slot < kNumSlots; ++slot) {
            effect->BufferLength[slot] = 0;
            slotPaths[slot][0] = '\0';
        }
        for (int32_t slot = 0; slot < slots; ++slot)
            fill(slot, std::vector<float>(static_cast<std::size_t>(frames), level * static_cast<float>(slot + 1) / 32.0f));
    }
    // The previous kit and slot files in folder: kit.aif and kit_01.aif to kit_03.aif.
    Files writePrevious(const std::string& folder) {
        makeKit(3, 3000, 0.5f);
        EXPECT_EQ(Save_All_Buffer_To_KV7_File(*effect, slotPaths, (folder + "/kit.aif").c_str()).outcome,
                  KitExportResult::Outcome::Written);
        EXPECT_TRUE(Save_All_Files_Individually(*effect, (folder + "/kit.aif").c_str()).failed.empty());
        return filesIn(folder);
    }
    // Exports a bigger kit of other sounds over the previous one, both ways; reports how each ended.
    std::string exportOver(const std::string& folder) {
        makeKit(6, 80000, -0.25f);
        const KitExportResult kit = Save_All_Buffer_To_KV7_File(*effect, slotPaths, (folder + "/kit.aif").c_str());
        const SlotExportResult slots = Save_All_Files_Individually(*effect, (folder + "/kit.aif").c_str());
        return describe(kit) + "\n" + std::to_string(slots.written.size()) + " written, " +
               std::to_string(slots.failed.size()) + " failed|" + slots.message;
    }
};

TEST_F(ExportSafety, AFolderTheUserMayNotWriteToKeepsEveryPreviousFile) {
    const std::string folder = scratch.path("locked");
    std::filesystem::create_directories(folder);
    const Files before = writePrevious(folder);
    chmod(scratch.folder().c_str(), 0755);
    chmod(folder.c_str(), 0555);
    const ChildOutcome outcome = runInChild(dropPrivileges, [&] { return exportOver(folder); });
    chmod(folder.c_str(), 0755);
    ASSERT_TRUE(outcome.exitedNormally);
    EXPECT_EQ(outcome.report, "3|Could not create \"" + folder + "/kit.aif\": Permission denied\n"
                              "0 written, 6 failed|Could not create \"" + folder + "/kit_01.aif\": Permission denied"
                              " (and 5 more slot files)");
    EXPECT_EQ(filesIn(folder), before);
}

// Puts the calling child on a disk of 128 KiB mounted at folder: a tmpfs in a mount namespace of
// its own where the kernel allows one, else a file size limit of 128 KiB, which fails writes the
// same way. Answers which of the two it got.
std::string enterSmallDisk(const std::string& folder) {
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    const bool inNamespace = unshare(uid == 0 ? CLONE_NEWNS : CLONE_NEWNS | CLONE_NEWUSER) == 0;
    if (inNamespace && uid != 0) {
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    if (inNamespace && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=128k") == 0)
        return "tmpfs";
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{128 * 1024, 128 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    return "file size limit";
}

TEST_F(ExportSafety, AFullDiskKeepsEveryPreviousFileAndLeavesNoLitter) {
    const std::string folder = scratch.path("small-disk");
    std::filesystem::create_directories(folder);
    const ChildOutcome outcome = runInChild([] { return true; }, [&] {
        const std::string disk = enterSmallDisk(folder);
        const Files before = writePrevious(folder);
        const std::string exported = exportOver(folder);
        return disk + "\n" + exported + "\n" + (filesIn(folder) == before ? "unchanged" : "changed");
    });
    ASSERT_TRUE(outcome.exitedNormally) << outcome.report;
    const std::string disk = outcome.report.substr(0, outcome.report.find('\n'));
    RecordProperty("small_disk", disk);
    // Neither the kit (960 kB) nor a slot file (160 kB) fits.
    const std::string full = disk == "tmpfs" ? "No space left on device" : "File too large";
    EXPECT_EQ(outcome.report, disk + "\n3|Could not write \"" + folder + "/kit.aif\": " + full + "\n" +
                                  "0 written, 6 failed|Could not write \"" + folder + "/kit_01.aif\": " + full +
                                  " (and 5 more slot files)\nunchanged");
}

TEST_F(ExportSafety, SomethingOtherThanAFileAtTheTargetIsNeverReplaced) {
    makeKit(2, 1000, 0.5f);
    const std::string fifo = scratch.path("pipe.aif");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = scratch.path("folder.aif");
    std::filesystem::create_directories(folder);
    const std::string socketPath = scratch.path("socket.aif");
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::filesystem::create_symlink(fifo, scratch.path("link-to-pipe.aif"));

    for (const auto& [path, why] : std::vector<std::pair<std::string, std::string>>{
             {fifo, "it is not a regular file"},
             {folder, "it is a folder"},
             {socketPath, "it is not a regular file"},
             {scratch.path("link-to-pipe.aif"), "it is not a regular file"}}) {
        SCOPED_TRACE(path);
        const KitExportResult result = Save_All_Buffer_To_KV7_File(*effect, slotPaths, path.c_str());
        EXPECT_EQ(result.outcome, KitExportResult::Outcome::Failed);
        EXPECT_NE(result.message.find(why), std::string::npos) << result.message;
    }
    close(listener);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_socket(socketPath));
    EXPECT_TRUE(std::filesystem::is_symlink(scratch.path("link-to-pipe.aif")));
    // A slot file's name taken by a FIFO fails alone; the other slot files are written.
    ASSERT_EQ(mkfifo(scratch.path("slots_02.aif").c_str(), 0600), 0);
    const SlotExportResult slots = Save_All_Files_Individually(*effect, scratch.path("slots.aif").c_str());
    EXPECT_EQ(slots.written, std::vector<std::string>{scratch.path("slots_01.aif")});
    EXPECT_EQ(slots.failed, std::vector<std::string>{scratch.path("slots_02.aif")});
    EXPECT_TRUE(std::filesystem::is_fifo(scratch.path("slots_02.aif")));
}

TEST_F(ExportSafety, AnExportKilledAtAnyMomentLeavesOnlyWholeFiles) {
    constexpr int kKills = 40;
    const std::string folder = scratch.path("killed");
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/kit.aif";
    // Two complete kits the child alternates between, and the file there before it started.
    auto exportVersion = [&](float level) {
        makeKit(8, 30000, level);
        Save_All_Buffer_To_KV7_File(*effect, slotPaths, target.c_str());
        Save_All_Files_Individually(*effect, target.c_str());
    };
    exportVersion(0.25f);
    const Files first = filesIn(folder);
    exportVersion(-0.5f);
    const Files second = filesIn(folder);
    makeKit(2, 500, 0.75f);
    Save_All_Buffer_To_KV7_File(*effect, slotPaths, target.c_str());
    Save_All_Files_Individually(*effect, target.c_str());
    const Files previous = filesIn(folder);

    std::mt19937 random(2024);
    int interrupted = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                exportVersion(0.25f);
                exportVersion(-0.5f);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 40000)(random)));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);

        bool leftTemporary = false;
        for (const auto& [name, bytes] : filesIn(folder)) {
            SCOPED_TRACE(name);
            if (name[0] == '.') {  // a temporary the kill left beside the target: never a final name
                leftTemporary = true;
                std::filesystem::remove(folder + "/" + name);
                continue;
            }
            const bool whole = (previous.count(name) && previous.at(name) == bytes) ||
                               (first.count(name) && first.at(name) == bytes) ||
                               (second.count(name) && second.at(name) == bytes);
            EXPECT_TRUE(whole) << "after kill " << kill;
        }
        interrupted += leftTemporary;
    }
    RecordProperty("kills", kKills);
    RecordProperty("kills_during_a_write", interrupted);
}

TEST(ExportFailuresInTheWindow, TheMessageDialogSaysWhy) {
    kittest::ScratchFolder scratch;
    OffscreenEditor ui;
    const std::string sound = scratch.path("a.wav");
    kittest::writeSound(sound, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, std::vector<float>(1000, 0.5f));
    ui.drop(kDropZone, {sound});
    std::filesystem::create_directories(scratch.path("taken.aif"));

    ui.editor->Save_All_Buffer_To_KV7_File(scratch.path("taken.aif").c_str());
    EXPECT_TRUE(ui.dialogShowing());
    EXPECT_EQ(ui.dialogTitle(), "Export failed");
    EXPECT_EQ(ui.dialogMessage(), "Could not replace \"" + scratch.path("taken.aif") + "\": it is a folder");
    ui.dismissDialog();

    ui.editor->Save_All_Files_Individually(scratch.path("missing/slots.aif").c_str());
    EXPECT_EQ(ui.dialogMessage(), "Could not create \"" + scratch.path("missing/slots_01.aif") + "\": No such file or directory");
    ui.dismissDialog();

    ui.editor->Save_All_Buffer_To_KV7_File(("/" + std::string(600, 'k')).c_str());
    EXPECT_NE(ui.dialogMessage().find("too long"), std::string::npos);
    ui.dismissDialog();
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.folder())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.wav", "taken.aif"}));
}

}  // namespace

// Exports never lose a kit: into a folder the user may not write to, onto a full disk, onto
// something that is not a file, or killed part-way, every file already at the chosen path stays
// whole, nothing half-written appears under a final name, and the window says what failed.
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <map>
#include <random>

#include "kitfiles/kit_export.h"
#include "kitfiles/slot_export.h"
#include "reliability_support.h"

using namespace kitfiles;
using namespace reliability;

namespace {

// Every file in a folder with its bytes, hidden temporaries included.
std::map<std::string, kittest::Bytes> filesIn(const std::string& folder) {
    std::map<std::string, kittest::Bytes> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files[entry.path().filename()] = kittest::readBytes(entry.path());
    return files;
}

class ExportSafety : public kittest::KitFixture {
protected:
    // A kit of `slots` sounds of `frames` samples, exported both ways to folder/kit.aif; how it went.
    std::string exportKit(const std::string& folder, int32_t slots, int32_t frames, float level) {
        clearKit();
        for (int32_t slot = 0; slot < slots; ++slot) fill(slot, std::vector<float>(static_cast<std::size_t>(frames), level * float(slot + 1) / 32));
        const KitExportResult kit = Save_All_Buffer_To_KV7_File(*effect, slotPaths, (folder + "/kit.aif").c_str());
        const SlotExportResult files = Save_All_Files_Individually(*effect, (folder + "/kit.aif").c_str());
        return std::to_string(int(kit.outcome)) + "|" + kit.message + "\n" + std::to_string(files.written.size()) + " written, " +
               std::to_string(files.failed.size()) + " failed|" + files.message;
    }
    // In a child: three small files exported and the folder made hostile, in the order given, then
    // a bigger kit exported over them.
    std::string exportOverInChild(const std::string& folder, bool hostileFirst, const std::function<std::string()>& hostile) {
        return runInChild([&] {
            const std::string disk = hostileFirst ? hostile() : "";
            exportKit(folder, 3, 3000, 0.5f);
            const auto before = filesIn(folder);
            if (!hostileFirst && !hostile().empty()) return std::string("no unprivileged user");
            const std::string outcome = exportKit(folder, 6, 80000, -0.25f);
            return disk + outcome + (filesIn(folder) == before ? "\nkept" : "\nlost");
        }).report;
    }
};

TEST_F(ExportSafety, AFolderTheUserMayNotWriteToOrAFullDiskKeepsEveryPreviousFile) {
    const std::string locked = scratch.path("locked"), small = scratch.path("small-disk");
    std::filesystem::create_directories(locked), std::filesystem::create_directories(small);
    chmod(scratch.folder().c_str(), 0755);
    const std::string denied = exportOverInChild(locked, false, [&] {
        chmod(locked.c_str(), 0555);
        return dropPrivileges() ? "" : "failed";
    });
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(denied, "3|Could not create \"" + locked + "/kit.aif\": Permission denied\n0 written, 6 failed|Could not create \"" +
                          locked + "/kit_01.aif\": Permission denied (and 5 more slot files)\nkept");
    // A disk of 128 KiB: a tmpfs in a mount namespace of the child's own where the kernel allows
    // one, else a file size limit, which fails writes the same way. Neither the kit (960 kB) nor
    // a slot file (160 kB) fits.
    const std::string full = exportOverInChild(small, true, [&] {
        const uid_t uid = geteuid();
        const gid_t gid = getegid();
        if (unshare(uid == 0 ? CLONE_NEWNS : CLONE_NEWNS | CLONE_NEWUSER) == 0) {
            if (uid != 0) {
                std::ofstream("/proc/self/setgroups") << "deny";
                std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
                std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
            }
            if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 && mount("tmpfs", small.c_str(), "tmpfs", MS_NOSUID, "size=128k") == 0)
                return "No space left on device\n";
        }
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{128 * 1024, 128 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        return "File too large\n";
    });
    const std::string why = full.substr(0, full.find('\n'));
    EXPECT_EQ(full, why + "\n3|Could not write \"" + small + "/kit.aif\": " + why + "\n0 written, 6 failed|Could not write \"" + small +
                        "/kit_01.aif\": " + why + " (and 5 more slot files)\nkept");
}

TEST_F(ExportSafety, SomethingOtherThanAFileAtTheTargetIsNeverReplaced) {
    fill(0, std::vector<float>(1000, 0.5f)), fill(1, std::vector<float>(1000, 0.25f));
    const std::string fifo = scratch.path("pipe.aif"), folder = scratch.path("folder.aif");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directories(folder), std::filesystem::create_symlink(fifo, scratch.path("link-to-pipe.aif"));
    for (const auto& [path, why] : std::vector<std::pair<std::string, std::string>>{
             {fifo, "it is not a regular file"}, {folder, "it is a folder"},
             {scratch.path("link-to-pipe.aif"), "it is not a regular file"}, {scratch.path("no/such/kit.aif"), "No such file or directory"}}) {
        const KitExportResult result = Save_All_Buffer_To_KV7_File(*effect, slotPaths, path.c_str());
        EXPECT_TRUE(result.outcome == KitExportResult::Outcome::Failed && result.message.find(why) != std::string::npos) << result.message;
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo) && std::filesystem::is_directory(folder) &&
                std::filesystem::is_symlink(scratch.path("link-to-pipe.aif")));
    // A slot file's name taken by a FIFO fails alone; the other slot files are written.
    ASSERT_EQ(mkfifo(scratch.path("slots_02.aif").c_str(), 0600), 0);
    const SlotExportResult slots = Save_All_Files_Individually(*effect, scratch.path("slots.aif").c_str());
    EXPECT_TRUE(slots.written == std::vector<std::string>{scratch.path("slots_01.aif")} && slots.failed == std::vector<std::string>{scratch.path("slots_02.aif")});
    EXPECT_TRUE(slots.message.find("slots_02.aif") != std::string::npos && std::filesystem::is_fifo(scratch.path("slots_02.aif")));
}

TEST_F(ExportSafety, AnExportKilledAtAnyMomentLeavesOnlyWholeFiles) {
    const std::string folder = scratch.path("killed");
    std::filesystem::create_directories(folder);
    // The files there before, and the two complete kits a child alternates between until killed.
    std::vector<std::map<std::string, kittest::Bytes>> whole;
    for (const float level : {0.25f, -0.5f}) exportKit(folder, 8, 30000, level), whole.push_back(filesIn(folder));
    exportKit(folder, 2, 500, 0.75f);
    whole.push_back(filesIn(folder));
    std::mt19937 random(2024);
    for (int kill = 0; kill < 40; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        for (bool odd = false; child == 0; odd = !odd) exportKit(folder, 8, 30000, odd ? -0.5f : 0.25f);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        for (const auto& [name, bytes] : filesIn(folder)) {
            if (name[0] == '.') {  // a temporary beside the target, never under a final name
                std::filesystem::remove(folder + "/" + name);
                continue;
            }
            EXPECT_TRUE(std::any_of(whole.begin(), whole.end(), [&, n = name](const auto& files) { return files.count(n) && files.at(n) == bytes; }))
                << name << " after kill " << kill;
        }
    }
}

TEST(ExportFailuresInTheWindow, TheMessageDialogSaysWhy) {
    kittest::ScratchFolder scratch;
    OffscreenEditor ui;
    ui.drop(kDropZone, {kittest::wav(scratch, "a.wav", 1000)});
    std::filesystem::create_directories(scratch.path("taken.aif"));
    for (const auto& [kit, path, message] : std::vector<std::tuple<bool, std::string, std::string>>{
             {true, scratch.path("taken.aif"), "Could not replace \"" + scratch.path("taken.aif") + "\": it is a folder"},
             {false, scratch.path("missing/slots.aif"), "Could not create \"" + scratch.path("missing/slots_01.aif") + "\": No such file or directory"},
             {true, "/" + std::string(600, 'k'), "The file name is too long: a kit file's path may have at most 511 characters."}}) {
        kit ? ui.editor->Save_All_Buffer_To_KV7_File(path.c_str()) : ui.editor->Save_All_Files_Individually(path.c_str());
        EXPECT_EQ(ui.dialogTitle() + ": " + ui.dialogMessage(), "Export failed: " + message);
        ui.dismissDialog();
    }
    const auto entries = std::filesystem::directory_iterator(scratch.folder());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2);  // a.wav and the folder taken.aif: no litter
}

}  // namespace

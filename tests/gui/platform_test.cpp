// The platform pieces that run without a display: text drawing, uri lists and timers. (Drops and
// the save dialog are proven through the editor.)
#include <chrono>
#include <thread>

#include "gui_test_support.h"
#include "vstgui/cdrawcontext.h"
#include "vstgui/cvstguitimer.h"
#include "vstgui/platform/x11/urilist.h"

namespace guitest {
namespace {

using Strings = std::vector<std::string>;

// Files dragged from other machines, web addresses and comments are left out.
TEST(UriList, GivesLocalPathsOnlyPercentDecoded) {
    const std::string list = "# dragged from a file manager\r\nfile:///home/kv7/My%20Kits/snare%231.wav\r\n"
                             "file://localhost/tmp/kick.aif\r\nfile://studio/tmp/hat.wav\r\nfile://otherhost/tmp/remote.wav\r\n"
                             "https://example.org/x.wav\r\nFILE:/tmp/upper%2x.wav\nfile:///tmp/nul%00cut.wav\r\n";
    EXPECT_EQ(localPathsFromUriList(list, "studio"),
              (Strings{"/home/kv7/My Kits/snare#1.wav", "/tmp/kick.aif", "/tmp/hat.wav", "/tmp/upper%2x.wav"}));
}

class TimerTarget : public CBaseObject {
public:
    CMessageResult notify(CBaseObject*, IdStringPtr message) override {
        fired += message == CVSTGUITimer::kMsgTimer;
        return kMessageNotified;
    }
    int fired = 0;
};

TEST(Timer, FiresByElapsedTimeAndOnceForAPumpThatCameLate) {
    TimerTarget target;
    auto* timer = new CVSTGUITimer(&target, 50);
    const auto start = CVSTGUITimer::Clock::now();
    timer->start();
    for (const auto& [at, fired] : {std::pair{20, 0}, {60, 1}, {400, 2}, {401, 2}, {450, 3}}) {
        CVSTGUITimer::fireDueTimers(start + std::chrono::milliseconds(at));
        EXPECT_EQ(target.fired, fired) << at;
    }
    EXPECT_LE(CVSTGUITimer::timeUntilNextTimer(start + std::chrono::milliseconds(450)), std::chrono::milliseconds(50));
    timer->forget();
}


// The process lays out all its text on one font map, which is not thread-safe by itself: windows
// drawing on several threads at once, in fonts and scripts it has yet to load, must each get what
// they get alone.
TEST(Text, TextDrawnOnSeveralThreadsAtOnceLooksAsWhenDrawnAlone) {
    constexpr int kWidth = 200, kHeight = 24, kThreads = 4, kRounds = 24;
    const auto draw = [&](int round) {
        static const char* const words[] = {"Kick 01.wav", "Ωμέγα", "Жёлтый", "0.25 s", "naïve café", "ß ŁÓDŹ"};
        CFontDesc font(kNormalFont->getName(), 8 + round, round % 2 ? kBoldFace : 0);  // a size not made yet
        std::vector<uint32_t> pixels(kWidth * kHeight);
        cairo_surface_t* image = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                     CAIRO_FORMAT_ARGB32, kWidth, kHeight, 4 * kWidth);
        {
            CDrawContext context(image);
            context.setFont(&font), context.setFontColor(kWhiteCColor);
            context.drawString((std::string(words[round % 6]) + " " + std::to_string(round)).c_str(), CRect(0, 0, kWidth, kHeight), kLeftText);
        }
        cairo_surface_destroy(image);
        return pixels;
    };
    std::vector<std::vector<uint32_t>> onThreads(kThreads * kRounds);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { for (int r = 0; r < kRounds; ++r) onThreads[t * kRounds + r] = draw(r); });
    for (std::thread& thread : threads) thread.join();
    for (int round = 0; round < kRounds; ++round) {
        const std::vector<uint32_t> alone = draw(round);
        ASSERT_NE(alone, std::vector<uint32_t>(kWidth * kHeight)) << "no text in round " << round;
        for (int t = 0; t < kThreads; ++t) EXPECT_TRUE(onThreads[t * kRounds + round] == alone) << round;
    }
}

}  // namespace
}  // namespace guitest

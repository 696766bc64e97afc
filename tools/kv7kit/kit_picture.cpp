#include "kit_picture.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "editor/pictures/picture_text.h"
#include "kitfiles/atomic_file.h"
#include "tool_error.h"

namespace {

constexpr int kWidth = 860;
constexpr int kMargin = 16;
constexpr int kRowsTop = 88;
constexpr int kRowHeight = 24;
constexpr int kOctaveGap = 8;
constexpr int kLaneLeft = 84;
constexpr int kLaneWidth = 300;
constexpr int kWaveHalfHeight = 9;
constexpr int kBudgetHeight = 70;

constexpr int rowTop(int32_t slot) { return kRowsTop + slot * kRowHeight + slot / 12 * kOctaveGap; }
constexpr int kHeight = rowTop(kNumSlots) + kBudgetHeight;

struct Colour {
    double r, g, b;
};
constexpr Colour rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

// The window's palette. The waveforms alone are teal and the bar alone is red, so a glance finds them.
constexpr Colour kBackground = rgb(17, 18, 20);
constexpr Colour kLaneNatural = rgb(37, 40, 45);
constexpr Colour kLaneSharp = rgb(27, 29, 33);
constexpr Colour kInset = rgb(12, 13, 15);
constexpr Colour kWhite = rgb(255, 255, 255);
constexpr Colour kTextSoft = rgb(214, 218, 223);
constexpr Colour kTextMuted = rgb(128, 133, 140);
constexpr Colour kTextFaint = rgb(96, 101, 108);
constexpr Colour kWave = rgb(60, 163, 189);
constexpr Colour kOver = rgb(229, 57, 53);

void setColour(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void fillRect(cairo_t* cr, double x, double y, double w, double h, Colour c) {
    cairo_rectangle(cr, x, y, w, h);
    setColour(cr, c);
    cairo_fill(cr);
}

enum class Align { Left, Right };

using picturetext::fontOptions;

// One line of text, vertically centred on middle.
void drawText(cairo_t* cr, const std::string& text, double x, double middle, double size, Colour colour,
              Align align = Align::Left, bool bold = false) {
    picturetext::Layout layout(pango_cairo_create_layout(cr));
    pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), fontOptions());
    pango_layout_context_changed(layout.get());
    PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans, Liberation Sans, Arial");
    pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
    pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(layout.get(), font);
    pango_font_description_free(font);
    pango_layout_set_text(layout.get(), text.c_str(), static_cast<int>(text.size()));
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    const double left = align == Align::Right ? x - logical.width : x;
    cairo_move_to(cr, std::round(left), std::round(middle - logical.height / 2.0));
    setColour(cr, colour);
    pango_cairo_show_layout(cr, layout.get());
}

std::string format(const char* pattern, auto... values) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

constexpr bool isSharp(int32_t slot) {
    const int32_t pitchClass = (kSlotBaseNote + slot) % 12;
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

std::string noteName(int32_t slot) {
    static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const int32_t note = kSlotBaseNote + slot;
    return names[note % 12] + std::to_string(note / 12 - 1);  // MIDI 60 is C4
}

// The sound squeezed into the lane: each pixel column spans its share of the samples, from their
// lowest to their highest value. Whole pixels only, so the waveform's pixels are all of its colour.
void drawWaveform(cairo_t* cr, const SlotInfo& slot, int middle) {
    for (int column = 0; column < kLaneWidth; ++column) {
        const int64_t from = static_cast<int64_t>(slot.samples) * column / kLaneWidth;
        const int64_t to = std::max(from + 1, static_cast<int64_t>(slot.samples) * (column + 1) / kLaneWidth);
        float low = 1.0f, high = -1.0f;
        for (int64_t i = from; i < to; ++i) {
            low = std::min(low, slot.audio[i]);
            high = std::max(high, slot.audio[i]);
        }
        const auto pixels = [](float value) {
            return static_cast<int>(std::lround(std::clamp(value, -1.0f, 1.0f) * kWaveHalfHeight));
        };
        const int top = middle - pixels(high), bottom = middle - pixels(low) + 1;
        cairo_rectangle(cr, kLaneLeft + column, top, 1, bottom - top);
    }
    setColour(cr, kWave);
    cairo_fill(cr);
}

void drawHeader(cairo_t* cr, const KitPicture& kit) {
    drawText(cr, kit.title, kMargin, 24, 17, kWhite, Align::Left, true);
    drawText(cr, kit.subtitle, kMargin, 48, 12, kTextMuted);
    const double middle = kRowsTop - 12;
    drawText(cr, "slot", 36, middle, 11, kTextFaint, Align::Right);
    drawText(cr, "sound", kLaneLeft, middle, 11, kTextFaint);
    drawText(cr, "region in the kit", 520, middle, 11, kTextFaint, Align::Right);
    drawText(cr, "seconds", 590, middle, 11, kTextFaint, Align::Right);
    drawText(cr, "pitch", 640, middle, 11, kTextFaint, Align::Right);
    drawText(cr, "mode", 660, middle, 11, kTextFaint);
    drawText(cr, "direction", 732, middle, 11, kTextFaint);
    drawText(cr, "volume", kWidth - kMargin - 8, middle, 11, kTextFaint, Align::Right);
}

void drawSlot(cairo_t* cr, const KitPicture& kit, int32_t index) {
    const SlotInfo& slot = kit.slots[index];
    const int top = rowTop(index), middle = top + kRowHeight / 2;
    fillRect(cr, kMargin, top, kWidth - 2 * kMargin, kRowHeight - 1, isSharp(index) ? kLaneSharp : kLaneNatural);
    drawText(cr, std::to_string(index + 1), 36, middle, 11, kTextFaint, Align::Right);
    drawText(cr, noteName(index), 44, middle, 12, kTextSoft);
    fillRect(cr, kLaneLeft, top + 2, kLaneWidth, kRowHeight - 5, kInset);

    const int32_t source = firstSlotWithRegion(kit.slots, index);
    const bool sound = source == index && slot.samples > 0;
    const Colour numbers = sound ? kTextSoft : kTextMuted;
    if (sound)
        drawWaveform(cr, slot, middle);
    else
        drawText(cr, slot.samples > 0 ? format("the sound of slot %d again", source + 1) : std::string("empty"), kLaneLeft + 8,
                 middle, 11, kTextFaint);
    drawText(cr, format("%d \u2013 %d", slot.start, slot.end), 520, middle, 12, numbers, Align::Right);
    drawText(cr, format("%.2f", slot.seconds), 590, middle, 12, numbers, Align::Right);
    drawText(cr, slot.pitch > 0 ? format("+%d", slot.pitch) : std::to_string(slot.pitch), 640, middle, 12, numbers, Align::Right);
    drawText(cr, slot.playMode, 660, middle, 12, numbers);
    drawText(cr, slot.reverse ? "reverse" : "forward", 732, middle, 12, slot.reverse ? kWhite : numbers);
    drawText(cr, slot.decibels + " dB", kWidth - kMargin - 8, middle, 12, numbers, Align::Right);
}

// The kit audio against the 12 seconds; over them, the bar runs past the mark in red.
void drawBudget(cairo_t* cr, const KitPicture& kit) {
    const bool fits = kit.audio <= MAX_BUFFERLENGTH;
    const int top = rowTop(kNumSlots) + 8;
    const double seconds = static_cast<double>(static_cast<float>(kit.audio) / 44100.0f);
    drawText(cr, format("Kit audio: %.2f s of 12 s", seconds), kMargin, top + 10, 13, fits ? kWhite : kOver, Align::Left, true);
    drawText(cr, format("%lld of %d samples%s", static_cast<long long>(kit.audio), MAX_BUFFERLENGTH, fits ? "" : ": too long for a kit"),
             kWidth - kMargin, top + 10, 12, fits ? kTextMuted : kOver, Align::Right);

    const int barTop = top + 26, barHeight = 16, barWidth = kWidth - 2 * kMargin;
    const double scale = static_cast<double>(barWidth) / static_cast<double>(std::max<int64_t>(kit.audio, MAX_BUFFERLENGTH));
    fillRect(cr, kMargin, barTop, barWidth, barHeight, kInset);
    const double filled = std::round(static_cast<double>(kit.audio) * scale);
    if (filled > 0) fillRect(cr, kMargin, barTop, filled, barHeight, fits ? kTextSoft : kOver);
    const double mark = kMargin + std::round(MAX_BUFFERLENGTH * scale);
    fillRect(cr, std::min(mark, static_cast<double>(kWidth - kMargin - 2)), barTop - 4, 2, barHeight + 8, kWhite);
}

void draw(cairo_t* cr, const KitPicture& kit) {
    fillRect(cr, 0, 0, kWidth, kHeight, kBackground);
    drawHeader(cr, kit);
    for (int32_t slot = 0; slot < kNumSlots; ++slot) drawSlot(cr, kit, slot);
    drawBudget(cr, kit);
}

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

void drawOn(cairo_surface_t* surface, const KitPicture& kit) {
    cairo_t* cr = cairo_create(surface);
    draw(cr, kit);
    cairo_destroy(cr);
}

// cairo writes through this into the temporary file, which becomes the target only when whole.
struct Output {
    kitfiles::AtomicFile file;
    std::string error;

    explicit Output(const std::string& path) {
        if (!file.open(path, error)) throw ToolError(error);
    }
    static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length) {
        auto* output = static_cast<Output*>(closure);
        return output->file.write(data, length, output->error) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
    }
    void finish(cairo_status_t status) {
        if (status != CAIRO_STATUS_SUCCESS && error.empty())
            error = "could not write \"" + file.targetPath() + "\": " + cairo_status_to_string(status);
        if (error.empty()) file.commit(error);
        if (!error.empty()) throw ToolError(error);
    }
};

}  // namespace

void writeKitPng(const KitPicture& kit, const std::string& path) {
    Output output(path);
    const Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight));
    drawOn(surface.get(), kit);
    output.finish(cairo_surface_write_to_png_stream(surface.get(), Output::write, &output));
}

void writeKitSvg(const KitPicture& kit, const std::string& path) {
    Output output(path);
    const Surface surface(cairo_svg_surface_create_for_stream(Output::write, &output, kWidth, kHeight));
    drawOn(surface.get(), kit);
    cairo_surface_finish(surface.get());
    output.finish(cairo_surface_status(surface.get()));
}

// Draws the pictures of the editor window and writes each as a C++ source that the plug-in
// compiles in, window_picture_<id>.cpp in OUTDIR:
//   128  window background, 440 x 756
//   129  export button, 230 x 32 per state: resting above pressed
//   130  drop zone, 238 x 56 per state: resting above highlighted (files dragged over it)
//   131  display-mode switch, 228 x 36 per state: positions 0..4 from top to bottom
// and the same drawn for windows scaled by 1.5 and 2, with 1.5 and 2 times the pixels each way,
// window_picture_<id>_x150.cpp and window_picture_<id>_x200.cpp.
//
// Usage: generate_window_pictures OUTDIR [--preview]
// --preview also writes them as 128.png .. 131.png (128_x150.png ...), and preview.png
// (preview_x150.png ...): the background with every control in its resting state put in place,
// which is the quickest way to review the whole window.
//
// The editor puts its controls, text fields and key hit areas at fixed pixels, so the geometry
// here mirrors the editor's layout exactly. Everything else (colours, shapes, text) is free.
// Output is byte-for-byte repeatable: no time stamps, no randomness, fixed font rendering options.

#include <cairo.h>
#include <pango/pangocairo.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "editor/keyboard_layout.h"
#include "editor/pictures/picture_text.h"
#include "editor/slot_rows.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Layout shared with the editor

constexpr int kWindowWidth = 440;
constexpr int kWindowHeight = 756;

constexpr int kFirstNote = kSlotBaseNote;  // slot 0 plays MIDI note 53 (F3); slot n plays 53 + n
constexpr int kLabelHeight = 18;
constexpr int kLabelLeft = 34;
constexpr int kLabelRight = 206;
constexpr int kReadoutLeft = 210;

// Invisible hit areas of the keys, as the editor places them; right and bottom are exclusive.
struct Area {
    int left, right, top, bottom;
};
constexpr Area keyArea(int slot) {
    const int top = REALKEYS_Y[slot] + 3;
    return {REALKEYS_X[slot], REALKEYS_X[slot] + REALKEYS_W[slot], top, top + keyAreaHeight(slot)};
}
constexpr std::array<Area, kNumSlots> kKeyAreas = [] {
    std::array<Area, kNumSlots> areas{};
    for (int slot = 0; slot < kNumSlots; ++slot) areas[slot] = keyArea(slot);
    return areas;
}();

constexpr double kNaturalLeft = 277;  // front ends of the keys face the slot rows
constexpr double kKeyBack = 398;
constexpr double kSharpLeft = 358;
constexpr double kSharpLength = 26;  // across the keyboard; a natural is about 41
constexpr double kNaturalPitch = 41;

// Controls the editor draws from the other pictures, as placed in the window.
struct Placement {
    int x, y, width, height, states;
};
constexpr Placement kExportButton = {14, 73, 230, 32, 2};
constexpr Placement kDropZone = {8, 11, 238, 56, 2};
constexpr Placement kModeSwitch = {16, 113, 228, 36, 5};

// The left column shares one edge pair so the three controls line up, whatever their bitmap sizes.
constexpr double kColumnLeft = 16;
constexpr double kColumnRight = 244;

constexpr int rowTop(int slot) { return static_cast<int>(slotRowTop(slot)); }

constexpr double kScales[] = {1, 1.5, 2};

// The window pixel a layout coordinate falls on at a scale, as the editor places its pictures:
// halves round down.
int windowPixel(double coordinate, double scale) { return static_cast<int>(std::ceil(coordinate * scale - 0.5)); }

constexpr int pitchClass(int slot) { return (kFirstNote + slot) % 12; }

constexpr bool isSharp(int slot) {
    const int pc = pitchClass(slot);
    return pc == 1 || pc == 3 || pc == 6 || pc == 8 || pc == 10;
}

std::string noteName(int slot, bool withOctave) {
    static constexpr std::array<const char*, 12> names = {"C",  "C#", "D",  "D#", "E",  "F",
                                                          "F#", "G",  "G#", "A",  "A#", "B"};
    std::string name = names[pitchClass(slot)];
    if (withOctave) name += std::to_string((kFirstNote + slot) / 12 - 1);  // MIDI 60 is C4
    return name;
}

// ---------------------------------------------------------------------------------------------
// Palette

struct Colour {
    double r, g, b, a;
};
constexpr Colour rgb(int r, int g, int b, double a = 1.0) { return {r / 255.0, g / 255.0, b / 255.0, a}; }
constexpr Colour withAlpha(Colour c, double a) { return {c.r, c.g, c.b, a}; }

constexpr Colour kWindowTop = rgb(24, 25, 28);
constexpr Colour kWindowBottom = rgb(17, 18, 20);
constexpr Colour kLaneNatural = rgb(37, 40, 45);
constexpr Colour kLaneSharp = rgb(27, 29, 33);
constexpr Colour kHairline = rgb(48, 52, 58);
constexpr Colour kInset = rgb(12, 13, 15);
constexpr Colour kWhite = rgb(255, 255, 255);
constexpr Colour kTextSoft = rgb(214, 218, 223);
constexpr Colour kTextMuted = rgb(128, 133, 140);
constexpr Colour kTextFaint = rgb(96, 101, 108);
constexpr Colour kTeal = rgb(60, 163, 189);
constexpr Colour kTealLight = rgb(132, 211, 230);
constexpr Colour kPink = rgb(255, 58, 93);
constexpr Colour kInk = rgb(8, 22, 27);  // text on teal
constexpr Colour kCasing = rgb(10, 10, 12);
constexpr Colour kFelt = rgb(112, 24, 44);
constexpr Colour kIvoryFront = rgb(250, 248, 242);
constexpr Colour kIvoryMid = rgb(241, 238, 230);
constexpr Colour kIvoryBack = rgb(218, 214, 205);
constexpr Colour kKeyGap = rgb(34, 34, 37);
constexpr Colour kKeyLabel = rgb(140, 136, 128);
constexpr Colour kKeyLabelC = rgb(34, 126, 150);

// ---------------------------------------------------------------------------------------------
// Drawing helpers

void setColour(cairo_t* cr, Colour c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

struct PatternDeleter {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
using Pattern = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

struct Stop {
    double offset;
    Colour colour;
};

Pattern linear(double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops) {
    Pattern p(cairo_pattern_create_linear(x0, y0, x1, y1));
    for (const Stop& s : stops)
        cairo_pattern_add_color_stop_rgba(p.get(), s.offset, s.colour.r, s.colour.g, s.colour.b, s.colour.a);
    return p;
}

// Fills the current path (and clears it) with a gradient running from (x0,y0) to (x1,y1).
void fillGradient(cairo_t* cr, double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops) {
    const Pattern p = linear(x0, y0, x1, y1, stops);
    cairo_set_source(cr, p.get());
    cairo_fill(cr);
}

void fill(cairo_t* cr, Colour c) {
    setColour(cr, c);
    cairo_fill(cr);
}

void stroke(cairo_t* cr, Colour c, double width) {
    setColour(cr, c);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

// Rectangle path with separate corner radii: top-left, top-right, bottom-right, bottom-left.
void roundedRect(cairo_t* cr, double x, double y, double w, double h, double tl, double tr, double br, double bl) {
    constexpr double quarter = M_PI / 2;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - tr, y + tr, tr, -quarter, 0);
    cairo_arc(cr, x + w - br, y + h - br, br, 0, quarter);
    cairo_arc(cr, x + bl, y + h - bl, bl, quarter, 2 * quarter);
    cairo_arc(cr, x + tl, y + tl, tl, 2 * quarter, 3 * quarter);
    cairo_close_path(cr);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    roundedRect(cr, x, y, w, h, r, r, r, r);
}

void hLine(cairo_t* cr, double x0, double x1, int row, Colour c) {
    cairo_move_to(cr, x0, row + 0.5);
    cairo_line_to(cr, x1, row + 0.5);
    stroke(cr, c, 1);
}

void vLine(cairo_t* cr, int column, double y0, double y1, Colour c) {
    cairo_move_to(cr, column + 0.5, y0);
    cairo_line_to(cr, column + 0.5, y1);
    stroke(cr, c, 1);
}

// ---------------------------------------------------------------------------------------------
// Text

constexpr const char* kFontFamily = "DejaVu Sans";

struct TextStyle {
    const char* family;
    double pixelSize;
    PangoWeight weight;
    Colour colour;
    double letterSpacing = 0;  // pixels
    PangoStretch stretch = PANGO_STRETCH_NORMAL;
};

enum class Align { Left, Centre, Right };

using picturetext::fontOptions;
using picturetext::Layout;

Layout makeLayout(cairo_t* cr, std::string_view text, const TextStyle& style) {
    Layout layout(pango_cairo_create_layout(cr));
    PangoContext* context = pango_layout_get_context(layout.get());
    pango_cairo_context_set_font_options(context, fontOptions());
    pango_layout_context_changed(layout.get());

    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, style.family);
    pango_font_description_set_weight(font, style.weight);
    pango_font_description_set_absolute_size(font, style.pixelSize * PANGO_SCALE);
    pango_font_description_set_stretch(font, style.stretch);
    pango_layout_set_font_description(layout.get(), font);
    pango_font_description_free(font);

    if (style.letterSpacing != 0) {
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes,
                               pango_attr_letter_spacing_new(static_cast<int>(style.letterSpacing * PANGO_SCALE)));
        pango_layout_set_attributes(layout.get(), attributes);
        pango_attr_list_unref(attributes);
    }
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    return layout;
}

double textWidth(cairo_t* cr, std::string_view text, const TextStyle& style) {
    const Layout layout = makeLayout(cr, text, style);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    return logical.width;
}

// Draws one line of text with its baseline on whole pixel row `baseline`.
void drawText(cairo_t* cr, std::string_view text, const TextStyle& style, double x, double baseline,
              Align align = Align::Left) {
    const Layout layout = makeLayout(cr, text, style);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    double left = x;
    if (align == Align::Centre)
        left = x - logical.width / 2.0;
    else if (align == Align::Right)
        left = x - logical.width;
    cairo_move_to(cr, std::round(left) - logical.x,
                  std::round(baseline) - pango_layout_get_baseline(layout.get()) / PANGO_SCALE);
    setColour(cr, style.colour);
    pango_cairo_show_layout(cr, layout.get());
}

bool fontInstalled(const char* family) {
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(pango_cairo_font_map_get_default(), &families, &count);
    bool found = false;
    for (int i = 0; i < count && !found; ++i)
        found = g_ascii_strcasecmp(pango_font_family_get_name(families[i]), family) == 0;
    g_free(families);
    return found;
}

// ---------------------------------------------------------------------------------------------
// Icons, drawn on a 16-pixel grid with their top-left at (x, y)

void trayIcon(cairo_t* cr, double x, double y, Colour c, bool arrowUp) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, x + 1.5, y + 10);
    cairo_line_to(cr, x + 1.5, y + 14.5);
    cairo_line_to(cr, x + 14.5, y + 14.5);
    cairo_line_to(cr, x + 14.5, y + 10);
    stroke(cr, c, 1.6);
    const double tip = arrowUp ? y + 1.5 : y + 11;
    const double tail = arrowUp ? y + 11 : y + 1.5;
    const double barb = arrowUp ? tip + 4 : tip - 4;
    cairo_move_to(cr, x + 8, tail);
    cairo_line_to(cr, x + 8, tip);
    cairo_move_to(cr, x + 4, barb);
    cairo_line_to(cr, x + 8, tip);
    cairo_line_to(cr, x + 12, barb);
    stroke(cr, c, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
}

// ---------------------------------------------------------------------------------------------
// Window background

void paintWindowBase(cairo_t* cr) {
    cairo_rectangle(cr, 0, 0, kWindowWidth, kWindowHeight);
    fillGradient(cr, 0, 0, 0, kWindowHeight, {{0, kWindowTop}, {1, kWindowBottom}});
}

void paintTitle(cairo_t* cr) {
    constexpr double centre = 342;

    // Mark: four drum pads, two of them lit in the accent colours.
    constexpr double pad = 11;
    constexpr double gap = 4;
    constexpr double markLeft = centre - pad - gap / 2;
    constexpr double markTop = 16;
    const std::array<Colour, 4> pads = {kTeal, rgb(46, 50, 57), rgb(46, 50, 57), kPink};
    for (int i = 0; i < 4; ++i) {
        roundedRect(cr, markLeft + (i % 2) * (pad + gap), markTop + (i / 2) * (pad + gap), pad, pad, 2.5);
        fill(cr, pads[i]);
    }

    const TextStyle title = {kFontFamily, 19, PANGO_WEIGHT_BOLD, kWhite};
    const TextStyle titleAccent = {kFontFamily, 19, PANGO_WEIGHT_BOLD, kTeal};
    const double first = textWidth(cr, "Tembro", title);
    const double total = first + textWidth(cr, "-laxis", titleAccent);
    const double left = std::round(centre - total / 2);
    drawText(cr, "Tembro", title, left, 70);
    drawText(cr, "-laxis", titleAccent, left + first, 70);

    drawText(cr, "Kv7 drum kit editor", {kFontFamily, 11.5, PANGO_WEIGHT_NORMAL, kTextSoft}, centre, 89, Align::Centre);

    cairo_rectangle(cr, centre - 36, 101, 72, 2);
    fillGradient(cr, centre - 36, 0, centre + 36, 0, {{0, kTeal}, {1, kPink}});

    drawText(cr, "24 SLOTS  \u00B7  F3 \u2013 E5", {kFontFamily, 9, PANGO_WEIGHT_BOLD, kTextMuted, 0.8}, centre, 124,
             Align::Centre);
}

// Which rows share a lane block: the runs of adjacent semitones, F-B and C-E, as on the keyboard.
bool startsBlock(int slot) { return slot == 0 || rowTop(slot) - rowTop(slot - 1) > 30; }
bool endsBlock(int slot) { return slot == kNumSlots - 1 || startsBlock(slot + 1); }

constexpr double kLaneLeft = 8;
constexpr double kCasingLeft = 271;
constexpr double kCasingRight = 432;
constexpr double kCasingTop = 143;
constexpr double kCasingBottom = 730;

// Slot rows as lanes running into the keyboard, shaded like the keys they play (sharps darker),
// so each row visibly continues into its key.
void paintSlotLanes(cairo_t* cr) {
    const TextStyle natural = {kFontFamily, 9.5, PANGO_WEIGHT_NORMAL, kTextMuted};
    const TextStyle sharp = {kFontFamily, 9.5, PANGO_WEIGHT_NORMAL, kTextFaint};
    const TextStyle octave = {kFontFamily, 9.5, PANGO_WEIGHT_BOLD, kTeal};
    // A lane reaches down to the next row, so neighbouring lanes tile without seams.
    const auto laneBottom = [](int slot) {
        return endsBlock(slot) ? rowTop(slot) + kLabelHeight + 1 : rowTop(slot + 1) - 1;
    };
    constexpr double width = kCasingLeft + 4 - kLaneLeft;  // runs on under the keyboard casing

    for (int first = 0; first < kNumSlots;) {
        int last = first;
        while (!endsBlock(last)) ++last;
        const double top = rowTop(first) - 1;
        const double bottom = laneBottom(last);

        cairo_save(cr);
        roundedRect(cr, kLaneLeft, top, width, bottom - top, 4);
        cairo_clip(cr);
        for (int slot = first; slot <= last; ++slot) {
            const double laneTop = rowTop(slot) - 1;
            cairo_rectangle(cr, kLaneLeft, laneTop, width, laneBottom(slot) - laneTop);
            fill(cr, isSharp(slot) ? kLaneSharp : kLaneNatural);
        }
        cairo_restore(cr);
        roundedRect(cr, kLaneLeft + 0.5, top + 0.5, width - 1, bottom - top - 1, 3.5);
        stroke(cr, withAlpha(kHairline, 0.55), 1);
        // Column rule between the slot labels and the duration read-outs.
        vLine(cr, (kLabelRight + kReadoutLeft) / 2 - 1, top + 3, bottom - 3, rgb(18, 19, 22, 0.8));

        for (int slot = first; slot <= last; ++slot) {
            const TextStyle& style = pitchClass(slot) == 0 ? octave : isSharp(slot) ? sharp : natural;
            drawText(cr, noteName(slot, true), style, kLabelLeft - 4, rowTop(slot) + 13, Align::Right);
        }
        first = last + 1;
    }
}

void paintTotalReadout(cairo_t* cr) {
    roundedRect(cr, kColumnLeft + 0.5, 721.5, kColumnRight - kColumnLeft - 1, 26, 4);
    setColour(cr, kInset);
    cairo_fill_preserve(cr);
    stroke(cr, withAlpha(kHairline, 0.8), 1);
    hLine(cr, kColumnLeft + 4, kColumnRight - 4, 722, rgb(0, 0, 0, 0.6));
}

struct KeySpan {
    int top, bottom;  // drawn rows [top, bottom)
};

// Where two neighbouring naturals meet: halfway between their hit areas, which overlap or leave a
// one-pixel gap here and there.
int naturalEdge(int upper, int lower) { return (kKeyAreas[upper].bottom + kKeyAreas[lower].top) / 2; }

KeySpan naturalSpan(int slot) {
    int upper = slot - 1;
    while (upper >= 0 && isSharp(upper)) --upper;
    int lower = slot + 1;
    while (lower < kNumSlots && isSharp(lower)) ++lower;
    return {upper >= 0 ? naturalEdge(upper, slot) : kKeyAreas[slot].top,
            lower < kNumSlots ? naturalEdge(slot, lower) : kKeyAreas[slot].bottom};
}

// A real keyboard puts a sharp across the edge of its two naturals, shifted towards the outer keys
// of each group (C# and F# up, D# and A# down). The hit areas exaggerate that shift, so the drawn
// sharp goes halfway between the two: it still looks right, and a click anywhere near the middle
// of the hit area lands on it.
KeySpan sharpSpan(int slot) {
    double shift = 0;
    switch (pitchClass(slot)) {
        case 1: shift = -0.10; break;  // C#
        case 3: shift = 0.10; break;   // D#
        case 6: shift = -0.14; break;  // F#
        case 10: shift = 0.14; break;  // A#
        default: break;                // G# sits centred
    }
    const double edge = (kKeyAreas[slot - 1].bottom + kKeyAreas[slot + 1].top) / 2.0;
    const double real = edge + shift * kNaturalPitch;
    const double hit = (kKeyAreas[slot].top + kKeyAreas[slot].bottom) / 2.0;
    const int top = static_cast<int>(std::lround((real + hit) / 2 - kSharpLength / 2));
    return {top, top + static_cast<int>(kSharpLength)};
}

void paintNatural(cairo_t* cr, int slot) {
    const KeySpan span = naturalSpan(slot);
    const double height = span.bottom - span.top - 1;  // the last row is the gap to the next key
    const double width = kKeyBack - kNaturalLeft;

    roundedRect(cr, kNaturalLeft, span.top, width, height, 2.5, 0, 0, 2.5);
    fillGradient(cr, kNaturalLeft, 0, kKeyBack, 0,
                 {{0, kIvoryFront}, {0.3, kIvoryMid}, {0.85, kIvoryBack}, {1, rgb(196, 192, 183)}});

    // Front lip, light catch along the upper edge and a soft bevel along the lower one.
    cairo_rectangle(cr, kNaturalLeft, span.top, 2, height);
    fill(cr, rgb(0, 0, 0, 0.10));
    hLine(cr, kNaturalLeft + 2, kKeyBack, span.top, rgb(255, 255, 255, 0.75));
    cairo_rectangle(cr, kNaturalLeft, span.top + height - 3, width, 3);
    fillGradient(cr, 0, span.top + height - 3, 0, span.top + height, {{0, rgb(0, 0, 0, 0)}, {1, rgb(0, 0, 0, 0.16)}});

    cairo_rectangle(cr, kNaturalLeft, span.bottom - 1, width, 1);
    fill(cr, kKeyGap);

    const bool isC = pitchClass(slot) == 0;
    const TextStyle label = {kFontFamily, 9, PANGO_WEIGHT_BOLD, isC ? kKeyLabelC : kKeyLabel};
    drawText(cr, noteName(slot, isC), label, kNaturalLeft + 6, std::round((span.top + span.bottom) / 2.0) + 3);
}

void paintSharp(cairo_t* cr, int slot) {
    const KeySpan span = sharpSpan(slot);
    const double top = span.top;
    const double width = kKeyBack - kSharpLeft;

    // Shadow falling onto the naturals, mostly towards the bottom of the window.
    for (int i = 3; i >= 1; --i) {
        roundedRect(cr, kSharpLeft - i, top - i + 2, width + i, kSharpLength + 2 * i, 2 + i);
        fill(cr, rgb(0, 0, 0, 0.09));
    }

    roundedRect(cr, kSharpLeft, top, width, kSharpLength, 2, 0, 0, 2);
    fill(cr, rgb(10, 10, 12));

    // Sloped front end and top face, lit from the player's side.
    roundedRect(cr, kSharpLeft + 1, top + 1, 5, kSharpLength - 2, 1.5, 0, 0, 1.5);
    fillGradient(cr, kSharpLeft, 0, kSharpLeft + 6, 0, {{0, rgb(78, 80, 86)}, {1, rgb(48, 50, 55)}});
    cairo_rectangle(cr, kSharpLeft + 6, top + 2.5, width - 6, kSharpLength - 5);
    fillGradient(cr, kSharpLeft + 6, 0, kKeyBack, 0,
                 {{0, rgb(56, 58, 63)}, {0.25, rgb(40, 42, 46)}, {1, rgb(24, 25, 28)}});
    hLine(cr, kSharpLeft + 6, kKeyBack, static_cast<int>(top) + 2, rgb(255, 255, 255, 0.10));
}

void paintKeyboard(cairo_t* cr) {
    roundedRect(cr, kCasingLeft, kCasingTop, kCasingRight - kCasingLeft, kCasingBottom - kCasingTop, 5);
    fillGradient(cr, kCasingLeft, 0, kCasingRight, 0, {{0, rgb(20, 20, 23)}, {0.05, kCasing}, {1, kCasing}});
    roundedRect(cr, kCasingLeft + 0.5, kCasingTop + 0.5, kCasingRight - kCasingLeft - 1, kCasingBottom - kCasingTop - 1,
                4.5);
    stroke(cr, rgb(255, 255, 255, 0.07), 1);

    const double keysTop = kKeyAreas.front().top;
    const double keysBottom = kKeyAreas.back().bottom;
    cairo_rectangle(cr, kKeyBack, keysTop, 3, keysBottom - keysTop);
    fill(cr, kFelt);

    for (int slot = 0; slot < kNumSlots; ++slot)
        if (!isSharp(slot)) paintNatural(cr, slot);

    // Shade the back of the naturals where they run under the fallboard.
    cairo_rectangle(cr, kKeyBack - 4, keysTop, 4, keysBottom - keysTop);
    fillGradient(cr, kKeyBack - 4, 0, kKeyBack, 0, {{0, rgb(0, 0, 0, 0)}, {1, rgb(0, 0, 0, 0.22)}});

    for (int slot = 0; slot < kNumSlots; ++slot)
        if (isSharp(slot)) paintSharp(cr, slot);

    // The key bed's shadow under the top cheek.
    cairo_rectangle(cr, kNaturalLeft, keysTop, kKeyBack - kNaturalLeft, 3);
    fillGradient(cr, 0, keysTop, 0, keysTop + 3, {{0, rgb(0, 0, 0, 0.35)}, {1, rgb(0, 0, 0, 0)}});

    // The MIDI note each key plays, on the casing beside its back end.
    const TextStyle number = {kFontFamily, 8.5, PANGO_WEIGHT_BOLD, kTextMuted};
    const TextStyle numberC = {kFontFamily, 8.5, PANGO_WEIGHT_BOLD, kTeal};
    for (int slot = 0; slot < kNumSlots; ++slot) {
        const KeySpan span = isSharp(slot) ? sharpSpan(slot) : naturalSpan(slot);
        const double middle = (span.top + span.bottom) / 2.0;
        drawText(cr, std::to_string(kFirstNote + slot), pitchClass(slot) == 0 ? numberC : number,
                 (kKeyBack + 3 + kCasingRight) / 2.0, middle + 3.5, Align::Centre);
    }
}

// Everything that is not one of the bitmap controls, in window coordinates.
void paintBackdrop(cairo_t* cr) {
    paintWindowBase(cr);
    paintTitle(cr);
    paintSlotLanes(cr);
    paintTotalReadout(cr);
    paintKeyboard(cr);
}

// ---------------------------------------------------------------------------------------------
// Controls; each paints one state in its own bitmap's coordinates over the backdrop behind it

void paintDropZone(cairo_t* cr, bool highlighted) {
    constexpr double left = kColumnLeft - kDropZone.x;
    constexpr double width = kColumnRight - kColumnLeft;
    constexpr double top = 1;
    constexpr double height = 53;

    roundedRect(cr, left + 1, top + 1, width - 2, height - 2, 7);
    if (highlighted)
        fillGradient(cr, 0, top, 0, top + height, {{0, rgb(24, 66, 78)}, {1, rgb(17, 46, 55)}});
    else
        fillGradient(cr, 0, top, 0, top + height, {{0, rgb(28, 30, 34)}, {1, rgb(23, 25, 28)}});

    roundedRect(cr, left + 1, top + 1, width - 2, height - 2, 7);
    const std::array<double, 2> dashes = {5, 3.5};
    cairo_set_dash(cr, dashes.data(), 2, 0);
    stroke(cr, highlighted ? kTeal : rgb(86, 92, 100), highlighted ? 2 : 1.25);
    cairo_set_dash(cr, nullptr, 0, 0);

    const TextStyle main = {kFontFamily, 11, PANGO_WEIGHT_BOLD, highlighted ? kWhite : kTextSoft};
    const TextStyle hint = {kFontFamily, 10, PANGO_WEIGHT_NORMAL, highlighted ? kTealLight : kTextMuted};
    const char* caption = highlighted ? "Release to load the sounds" : "Drop sounds or a folder here";
    constexpr double iconSize = 16;
    constexpr double iconGap = 8;
    const double group = iconSize + iconGap + textWidth(cr, caption, main);
    const double groupLeft = std::round(left + (width - group) / 2);
    trayIcon(cr, groupLeft, top + 10, highlighted ? kTealLight : kTeal, false);
    drawText(cr, caption, main, groupLeft + iconSize + iconGap, top + 24);
    drawText(cr, "One sound per slot, 24 slots", hint, left + width / 2, top + 42, Align::Centre);
}

void paintExportButton(cairo_t* cr, bool pressed) {
    constexpr double left = kColumnLeft - kExportButton.x;
    constexpr double width = kColumnRight - kColumnLeft;
    constexpr double height = 32;
    const double sink = pressed ? 1 : 0;  // the face moves down one pixel when pressed

    roundedRect(cr, left + 0.5, 0.5, width - 1, height - 1, 6);
    if (pressed)
        fillGradient(cr, 0, 0, 0, height, {{0, rgb(18, 52, 62)}, {1, rgb(27, 78, 92)}});
    else
        fillGradient(cr, 0, 0, 0, height, {{0, rgb(47, 51, 58)}, {1, rgb(34, 37, 42)}});
    roundedRect(cr, left + 0.5, 0.5, width - 1, height - 1, 6);
    stroke(cr, pressed ? kTeal : rgb(66, 71, 79), 1);
    if (pressed)
        hLine(cr, left + 6, left + width - 6, 1, rgb(0, 0, 0, 0.35));
    else
        hLine(cr, left + 6, left + width - 6, 1, rgb(255, 255, 255, 0.08));

    const TextStyle caption = {kFontFamily, 12, PANGO_WEIGHT_BOLD, kWhite};
    const TextStyle hint = {
        kFontFamily, 9.5, PANGO_WEIGHT_NORMAL, pressed ? kTealLight : kTextMuted, 0, PANGO_STRETCH_CONDENSED};
    constexpr std::string_view hintText = "Shift: single files";
    trayIcon(cr, left + 11, 7 + sink, pressed ? kTealLight : kTeal, true);
    drawText(cr, "Export Kv7 Kit", caption, left + 34, 20 + sink);

    const double hintRight = left + width - 11;
    const double hintLeft = hintRight - textWidth(cr, hintText, hint);
    vLine(cr, static_cast<int>(hintLeft) - 9, 8 + sink, 24 + sink, pressed ? withAlpha(kTeal, 0.5) : rgb(70, 75, 83));
    drawText(cr, hintText, hint, hintRight, 20 + sink, Align::Right);
}

void paintModeSwitch(cairo_t* cr, int position) {
    constexpr double width = kModeSwitch.width;
    constexpr double height = 32;
    constexpr double segment = width / 5;
    static constexpr std::array<const char*, 5> captions = {"Name", "Pitch", "Mode", "Dir", "Vol"};

    roundedRect(cr, 0.5, 0.5, width - 1, height - 1, 6);
    fillGradient(cr, 0, 0, 0, height, {{0, rgb(20, 21, 24)}, {1, rgb(26, 28, 32)}});
    roundedRect(cr, 0.5, 0.5, width - 1, height - 1, 6);
    stroke(cr, rgb(56, 61, 68), 1);

    for (int k = 1; k < 5; ++k)
        if (k != position && k != position + 1)
            vLine(cr, static_cast<int>(std::round(k * segment)) - 1, 9, height - 9, rgb(52, 56, 63));

    const double selLeft = std::round(position * segment) + 2;
    const double selRight = std::round((position + 1) * segment) - 2;
    roundedRect(cr, selLeft, 2, selRight - selLeft, height - 4, 4.5);
    fillGradient(cr, 0, 2, 0, height - 2, {{0, rgb(78, 184, 210)}, {1, kTeal}});
    hLine(cr, selLeft + 3, selRight - 3, 2, rgb(255, 255, 255, 0.25));

    for (int k = 0; k < 5; ++k) {
        const bool selected = k == position;
        const TextStyle style = {kFontFamily, 11, selected ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL,
                                 selected ? kInk : rgb(176, 181, 188)};
        drawText(cr, captions[k], style, (k + 0.5) * segment, 20, Align::Centre);
    }
}

// ---------------------------------------------------------------------------------------------
// Output

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

// Opaque output: the editor blits these as they are.
Surface newSurface(int width, int height) {
    return Surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
}

Surface drawBackground(double scale) {
    Surface surface = newSurface(static_cast<int>(kWindowWidth * scale), static_cast<int>(kWindowHeight * scale));
    const Context cr(cairo_create(surface.get()));
    cairo_scale(cr.get(), scale, scale);
    paintBackdrop(cr.get());
    return surface;
}

// The sizes at the scales drawn are whole pixels.
template <typename PaintState>
Surface drawControl(const Placement& at, double scale, PaintState paintState) {
    const int width = static_cast<int>(at.width * scale), height = static_cast<int>(at.height * scale);
    Surface surface = newSurface(width, height * at.states);
    const Context context(cairo_create(surface.get()));
    cairo_t* cr = context.get();
    for (int state = 0; state < at.states; ++state) {
        cairo_save(cr);
        cairo_translate(cr, 0, height * state);
        cairo_rectangle(cr, 0, 0, width, height);
        cairo_clip(cr);
        cairo_matrix_t control;
        cairo_get_matrix(cr, &control);
        // The backdrop behind the control is baked in, so the bitmap blends in seamlessly: as it
        // lies under the window pixels the control is drawn on.
        cairo_translate(cr, -windowPixel(at.x, scale), -windowPixel(at.y, scale));
        cairo_scale(cr, scale, scale);
        paintBackdrop(cr);
        cairo_set_matrix(cr, &control);
        cairo_scale(cr, scale, scale);
        paintState(cr, state);
        cairo_restore(cr);
    }
    return surface;
}

// "" at scale 1, "_x150" at 1.5 ...
std::string scaleSuffix(double scale) {
    return scale == 1 ? "" : "_x" + std::to_string(static_cast<int>(std::lround(scale * 100)));
}

// The pixels as the words cairo keeps them in, so the editor draws from the compiled-in array as it
// is: nothing to decode when the window opens, and no copy in any instance. The unused top byte of
// an opaque pixel is set, as an ARGB reading of the same word would expect.
bool writeSource(cairo_surface_t* surface, int resourceId, double scale, const std::filesystem::path& path) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "generate_window_pictures: cannot write %s\n", path.c_str());
        return false;
    }
    std::string name = "kPicture" + std::to_string(resourceId) + scaleSuffix(scale);
    name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
    std::fprintf(file,
                 "// Picture %d at scale %g, %d x %d, drawn by generate_window_pictures. Do not edit.\n"
                 "#include \"editor/pictures/window_pictures.h\"\n\n"
                 "namespace window_picture_data {\n\n"
                 "extern const WindowPicture %s;\n\n"
                 "namespace {\n"
                 "alignas(64) const std::uint32_t pixels[] = {\n",
                 resourceId, scale, width, height, name.c_str());
    for (int y = 0; y < height; ++y) {
        const auto* words = reinterpret_cast<const uint32_t*>(pixels + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x)
            std::fprintf(file, "0x%08x,%s", words[x] | 0xFF000000u, (x % 8 == 7 || x == width - 1) ? "\n" : "");
    }
    std::fprintf(file,
                 "};\n"
                 "}  // namespace\n\n"
                 "const WindowPicture %s = {%d, %g, %d, %d, pixels};\n\n"
                 "}  // namespace window_picture_data\n",
                 name.c_str(), resourceId, scale, width, height);
    const bool ok = !std::ferror(file) && std::fclose(file) == 0;
    if (!ok) std::fprintf(stderr, "generate_window_pictures: cannot write %s\n", path.c_str());
    return ok;
}

// For review only; the plug-in compiles in the sources above.
bool writePng(cairo_surface_t* surface, const std::filesystem::path& path) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = file ? png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr) : nullptr;
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = info != nullptr;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            // RGB24 keeps each pixel as a native 32-bit word with red in bits 16 to 23.
            const auto* words = reinterpret_cast<const uint32_t*>(pixels + static_cast<std::ptrdiff_t>(y) * stride);
            for (int x = 0; x < width; ++x) {
                row[3 * static_cast<std::size_t>(x)] = static_cast<png_byte>(words[x] >> 16);
                row[3 * static_cast<std::size_t>(x) + 1] = static_cast<png_byte>(words[x] >> 8);
                row[3 * static_cast<std::size_t>(x) + 2] = static_cast<png_byte>(words[x]);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;  // libpng failed and jumped back here
    }
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    if (file && std::fclose(file) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "generate_window_pictures: cannot write %s\n", path.c_str());
    return ok;
}

Surface drawPreview(double scale, cairo_surface_t* background, cairo_surface_t* exportButton, cairo_surface_t* dropZone,
                    cairo_surface_t* modeSwitch) {
    Surface surface = newSurface(cairo_image_surface_get_width(background), cairo_image_surface_get_height(background));
    const Context context(cairo_create(surface.get()));
    cairo_t* cr = context.get();
    cairo_set_source_surface(cr, background, 0, 0);
    cairo_paint(cr);
    for (const auto& [at, picture] :
         {std::pair{kExportButton, exportButton}, std::pair{kDropZone, dropZone}, std::pair{kModeSwitch, modeSwitch}}) {
        const int x = windowPixel(at.x, scale), y = windowPixel(at.y, scale);
        cairo_set_source_surface(cr, picture, x, y);
        cairo_rectangle(cr, x, y, at.width * scale, at.height * scale);
        cairo_fill(cr);
    }
    return surface;
}

}  // namespace

int main(int argc, char** argv) {
    const bool preview = argc == 3 && std::string_view(argv[2]) == "--preview";
    if (argc != 2 && !preview) {
        std::fprintf(stderr, "usage: generate_window_pictures OUTDIR [--preview]\n");
        return 2;
    }
    if (!fontInstalled(kFontFamily)) {
        // A substitute font would silently change every text width in the window.
        std::fprintf(stderr, "generate_window_pictures: font \"%s\" is not installed (fonts-dejavu-core)\n",
                     kFontFamily);
        return 1;
    }

    const std::filesystem::path outDir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    if (error) {
        std::fprintf(stderr, "generate_window_pictures: cannot create %s: %s\n", outDir.c_str(),
                     error.message().c_str());
        return 1;
    }

    bool ok = true;
    for (const double scale : kScales) {
        const Surface background = drawBackground(scale);
        const Surface exportButton =
            drawControl(kExportButton, scale, [](cairo_t* cr, int state) { paintExportButton(cr, state == 1); });
        const Surface dropZone =
            drawControl(kDropZone, scale, [](cairo_t* cr, int state) { paintDropZone(cr, state == 1); });
        const Surface modeSwitch =
            drawControl(kModeSwitch, scale, [](cairo_t* cr, int state) { paintModeSwitch(cr, state); });

        const std::pair<int, cairo_surface_t*> pictures[] = {
            {128, background.get()}, {129, exportButton.get()}, {130, dropZone.get()}, {131, modeSwitch.get()}};
        const std::string suffix = scaleSuffix(scale);
        for (const auto& [id, picture] : pictures) {
            const std::string name = std::to_string(id) + suffix;
            ok = ok && writeSource(picture, id, scale, outDir / ("window_picture_" + name + ".cpp"));
            if (preview) ok = ok && writePng(picture, outDir / (name + ".png"));
        }
        if (ok && preview) {
            const Surface composed =
                drawPreview(scale, background.get(), exportButton.get(), dropZone.get(), modeSwitch.get());
            ok = writePng(composed.get(), outDir / ("preview" + suffix + ".png"));
        }
    }
    return ok ? 0 : 1;
}

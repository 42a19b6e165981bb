// Control bitmaps: buttons, knobs, switches, step buttons, displays. Frame 0 of every
// two-frame button is the released (off) state, frame 1 the pressed (on) state.
#include "tools/skin/ControlArt.hpp"

#include <array>
#include <cmath>
#include <numbers>

namespace quovent::skin {

namespace {

using namespace palette;

constexpr double pi = std::numbers::pi;

constexpr Font small{8, true};
constexpr Font tiny{7, true};

double radians(double degreesFromNoon) {
    return (degreesFromNoon - 90) * pi / 180;
}

// A lit amber cap: the "on" look shared by toggles.
void litCap(const Painter& p, int x, int y, int w, int h, double r = 2) {
    p.fillRound(x, y, w, h, r, edgeDark);
    p.fillRoundGradient(x + 1, y + 1, w - 2, h - 2, std::max(0.0, r - 1), accentBright, accent);
    p.hline(x + 2, x + w - 2, y + 1, rgb(255, 226, 170));
}

void triangle(const Painter& p, double x0, double y0, double x1, double y1, double x2, double y2,
              Colour c) {
    cairo_t* cr = p.cairo();
    p.setColour(c);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_close_path(cr);
    cairo_fill(cr);
}

// Folder glyph: a tab and a body, whole pixels.
void folderGlyph(const Painter& p, int x, int y, Colour c) {
    p.fill(x, y, 5, 1, c);
    p.fill(x, y + 1, 12, 1, c);
    p.fill(x, y + 2, 1, 6, c);
    p.fill(x + 11, y + 2, 1, 6, c);
    p.fill(x, y + 7, 12, 1, c);
    p.fill(x + 1, y + 3, 10, 4, Colour{c.r, c.g, c.b, 0.45});
}

void folderButton(const Painter& p, int w, int h, int frame) {
    const bool pressed = frame == 1;
    p.cap(0, 0, w, h, pressed);
    const int offset = pressed ? 1 : 0;
    folderGlyph(p, (w - 12) / 2, (h - 8) / 2 + offset, pressed ? accent : glyph);
}

void prevNextButton(const Painter& p, int frame, bool next) {
    const bool pressed = frame == 1;
    p.cap(0, 0, 35, 14, pressed);
    const Colour c = pressed ? accent : glyph;
    const int dy = pressed ? 1 : 0;
    if (next) {
        p.text(4, 10 + dy, "NEXT", tiny, c);
        triangle(p, 28, 4 + dy, 32, 7 + dy, 28, 10 + dy, c);
    } else {
        triangle(p, 7, 4 + dy, 3, 7 + dy, 7, 10 + dy, c);
        p.text(31, 10 + dy, "PREV", tiny, c, Align::right);
    }
}

// Key caps leave a 1 px gap either side so the well behind shows between neighbours.
void key(const Painter& p, int frame, Colour top, Colour bottom) {
    if (frame == 1) {
        litCap(p, 1, 0, 14, 15, 2);
        p.hline(3, 13, 12, accentDeep);
        return;
    }
    p.fillRound(1, 0, 14, 15, 2, edgeDark);
    p.fillRoundGradient(2, 1, 12, 13, 1, top, bottom);
    p.hline(3, 13, 1, capHighlight);
    p.hline(3, 13, 12, Colour{0, 0, 0, 0.25});
}

// A cream readout panel with a dark rim and a shaded top row.
void lcdPanel(const Painter& p, int x, int y, int w, int h) {
    p.outline(x, y, w, h, lcdRim);
    p.fill(x + 1, y + 1, w - 2, h - 2, lcd);
    p.hline(x + 1, x + w - 1, y + 1, lcdShade);
}

void sampleBaseDisplay(const Painter& p) {
    // Path field on the left; the Notes and BPM readouts are drawn over the right end at
    // (211,3) and (236,3), 25 x 12 each, of which their own 20-pixel bitmaps cover the left
    // part, so the cream and the divider between them are painted here as well.
    p.fill(0, 0, 263, 19, edgeDark);
    p.fill(1, 1, 261, 17, rgb(20, 21, 23));
    lcdPanel(p, 1, 1, 205, 17);
    p.outline(210, 2, 52, 14, lcdRim);
    p.fill(211, 3, 50, 12, lcd);
    p.hline(211, 261, 3, lcdShade);
    p.vline(235, 3, 15, lcdShade);
}

void smallReadout(const Painter& p) {
    // Plain cream: the rim comes from the Sample Base display below it.
    p.fill(0, 0, 20, 13, lcd);
    p.hline(0, 20, 0, lcdShade);
}

void sliderGroove(const Painter& p) {
    // Opaque on the row panel colour: the slider draws groove and handle offscreen.
    p.fill(0, 0, 12, 55, panel);
    p.well(3, 1, 5, 53, 2);
    p.vline(5, 4, 51, rgb(10, 10, 12));
    // Scale marks where the handle's centre line sits for 0, 0.25, 0.5, 0.75 and 1.
    for (int i = 0; i <= 4; ++i) {
        const int y = 8 + static_cast<int>(std::lround(i * 37 / 4.0));
        const int length = (i == 0 || i == 2 || i == 4) ? 3 : 2;
        p.hline(0, length, y, labelFaint);
        p.hline(12 - length, 12, y, labelFaint);
    }
}

void sliderHandle(const Painter& p) {
    p.fillRound(0, 0, 11, 18, 2, edgeDark);
    p.fillRoundGradient(1, 1, 9, 16, 1, rgb(118, 123, 132), rgb(66, 70, 77));
    p.hline(2, 9, 1, rgb(150, 155, 164));
    p.hline(1, 10, 7, rgb(40, 42, 46));
    p.hline(1, 10, 8, rgb(236, 238, 242));
    p.hline(1, 10, 9, rgb(236, 238, 242));
    p.hline(1, 10, 10, rgb(40, 42, 46));
    for (int y : {3, 5, 12, 14}) {
        p.hline(2, 9, y, Colour{0, 0, 0, 0.22});
    }
}

void letterButton(const Painter& p, int frame, const char* letter) {
    const bool on = frame == 1;
    if (on) {
        litCap(p, 0, 0, 22, 22, 2);
    } else {
        p.cap(0, 0, 22, 22, false);
    }
    p.text(11, 15, letter, Font{10, true}, on ? accentInk : glyph, Align::centre);
}

void selectBar(const Painter& p, int frame) {
    if (frame == 1) {
        litCap(p, 2, 1, 9, 48, 2);
        return;
    }
    p.cap(2, 1, 9, 48, false);
    p.vline(6, 6, 44, rgb(46, 48, 53));
}

void menuButton(const Painter& p, int frame, bool open) {
    if (open) {
        litCap(p, 0, 0, 18, 12, 2);
    } else {
        p.cap(0, 0, 18, 12, frame == 1);
    }
    const Colour c = open ? accentInk : (frame == 1 ? accent : glyph);
    const int dy = frame == 1 && !open ? 1 : 0;
    p.hline(4, 9, 3 + dy, c);
    p.hline(4, 9, 5 + dy, c);
    p.hline(4, 9, 7 + dy, c);
    triangle(p, 10.5, 4.5 + dy, 15, 4.5 + dy, 12.75, 7.5 + dy, c);
}

void lamp(const Painter& p, int frame) {
    p.fillRound(0, 0, 10, 7, 2, edgeDark);
    if (frame == 1) {
        p.fillRound(1, 1, 8, 5, 1.5, accent);
        p.fill(2, 2, 6, 2, accentBright);
        p.hline(3, 7, 2, rgb(255, 240, 210));
    } else {
        p.fillRound(1, 1, 8, 5, 1.5, accentDark);
        p.hline(2, 8, 2, rgb(120, 76, 34));
    }
}

// Segmented selectors: one lit segment, the others raised caps.
void segment(const Painter& p, int x, int y, int w, int h, bool lit) {
    if (lit) {
        p.fillGradient(x, y, w, h, accentBright, accent);
        p.hline(x, x + w, y, rgb(255, 226, 170));
    } else {
        p.fillGradient(x, y, w, h, capTop, capBottom);
        p.hline(x, x + w, y, capHighlight);
    }
}

void stepEditSwitch(const Painter& p, int frame) {
    static constexpr std::array<const char*, 5> letters{"V", "T", "F", "R", "P"};
    p.fillRound(0, 0, 53, 16, 2, edgeDark);
    for (int i = 0; i < 5; ++i) {
        // Bands of 53 / 5 pixels, as the switch reads its position.
        const int x0 = static_cast<int>(std::lround(i * 53 / 5.0));
        const int x1 = static_cast<int>(std::lround((i + 1) * 53 / 5.0));
        const int left = x0 + 1;
        const int right = x1 - (i == 4 ? 1 : 0);
        const bool lit = i == frame;
        segment(p, left, 1, right - left, 14, lit);
        p.text((left + right) / 2.0, 11, letters[static_cast<size_t>(i)], small,
               lit ? accentInk : label, Align::centre);
    }
}

void filterSwitch(const Painter& p, int frame) {
    static constexpr std::array<const char*, 4> types{"OFF", "LP", "BP", "HP"};
    p.fillRound(0, 0, 26, 40, 2, edgeDark);
    for (int i = 0; i < 4; ++i) {
        // Positions are 10 pixels tall; a dark line parts them.
        const int top = 10 * i + 1;
        const int height = i == 3 ? 8 : 9;
        const bool lit = i == frame;
        segment(p, 1, top, 24, height, lit);
        p.text(13, top + 7, types[static_cast<size_t>(i)], tiny, lit ? accentInk : label,
               Align::centre);
    }
}

void loopButton(const Painter& p, int frame) {
    const bool on = frame == 1;
    p.cap(0, 0, 49, 15, on);
    const int dy = on ? 1 : 0;
    p.fillRound(6, 5 + dy, 6, 5, 1.5, on ? accent : accentDark);
    if (on) {
        p.hline(7, 11, 6 + dy, accentBright);
    }
    p.text(15, 11 + dy, "LOOP", small, on ? accent : glyph);
}

void playButton(const Painter& p, int frame) {
    const bool on = frame == 1;
    p.cap(0, 0, 57, 38, on, 3);
    const int dy = on ? 1 : 0;
    triangle(p, 22, 9 + dy, 22, 27 + dy, 37, 18 + dy, on ? accent : glyph);
    // A lamp strip under the symbol, lit while playing.
    p.fillRound(18, 31 + dy, 21, 3, 1, on ? accent : accentDark);
}

// Import: an arrow down into a tray; export: an arrow up out of it.
void transferButton(const Painter& p, int frame, bool out) {
    const bool pressed = frame == 1;
    p.cap(0, 0, 41, 20, pressed);
    const Colour c = pressed ? accent : glyph;
    const int dy = pressed ? 1 : 0;
    p.fill(13, 11 + dy, 1, 5, c);
    p.fill(27, 11 + dy, 1, 5, c);
    p.fill(13, 15 + dy, 15, 1, c);
    if (out) {
        p.fill(20, 6 + dy, 1, 7, c);
        triangle(p, 16.5, 7 + dy, 20.5, 2.5 + dy, 24.5, 7 + dy, c);
    } else {
        p.fill(20, 3 + dy, 1, 7, c);
        triangle(p, 16.5, 9 + dy, 20.5, 13.5 + dy, 24.5, 9 + dy, c);
    }
}

// Knob: a scale arc, the value arc in amber, a graphite cap with a light pointer.
void knob(const Painter& p, int size, int frame, bool bipolar) {
    cairo_t* cr = p.cairo();
    const double c = size / 2.0;
    const bool large = size >= 30;
    const double arcRadius = large ? 12.75 : 8.25;
    const double arcWidth = large ? 2.5 : 2.0;
    const double capRadius = large ? 9.5 : 5.75;
    const double angle = knobAngle(frame, 37);

    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_width(cr, arcWidth);
    p.setColour(well);
    cairo_arc(cr, c, c, arcRadius, radians(-135), radians(135));
    cairo_stroke(cr);

    const double from = bipolar ? std::min(0.0, angle) : -135;
    const double to = bipolar ? std::max(0.0, angle) : angle;
    if (to - from > 0.5) {
        p.setColour(accent);
        cairo_arc(cr, c, c, arcRadius, radians(from), radians(to));
        cairo_stroke(cr);
    }
    if (bipolar) {
        // The centre mark of a bipolar knob.
        p.setColour(frame == 18 ? accent : labelDim);
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, c, c - arcRadius - arcWidth / 2);
        cairo_line_to(cr, c, c - arcRadius + arcWidth / 2);
        cairo_stroke(cr);
    }

    p.setColour(edgeDark);
    cairo_arc(cr, c, c, capRadius + 1, 0, 2 * pi);
    cairo_fill(cr);
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, c - capRadius, 0, c + capRadius);
    cairo_pattern_add_color_stop_rgb(shade, 0, 100 / 255.0, 105 / 255.0, 114 / 255.0);
    cairo_pattern_add_color_stop_rgb(shade, 1, 50 / 255.0, 53 / 255.0, 59 / 255.0);
    cairo_set_source(cr, shade);
    cairo_arc(cr, c, c, capRadius, 0, 2 * pi);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    p.setColour(rgb(128, 133, 142));
    cairo_set_line_width(cr, 1);
    cairo_arc(cr, c, c, capRadius - 0.5, radians(-60), radians(60));
    cairo_stroke(cr);

    const double inner = large ? 3.0 : 1.5;
    const double outer = capRadius - (large ? 1.0 : 0.5);
    const double a = radians(angle);
    p.setColour(rgb(240, 242, 245));
    cairo_set_line_width(cr, large ? 2.0 : 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, c + inner * std::cos(a), c + inner * std::sin(a));
    cairo_line_to(cr, c + outer * std::cos(a), c + outer * std::sin(a));
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

// Step button: 35 levels of an "on" step (frames 0..34), then 35 of an "off" step.
// An on step is a lit amber pad whose bright bar rises with the lane value; an off step is
// a dark pad with a grey bar, so the two read apart at a glance whatever the level. The
// bar may use the full 34 pixel height so that each of the 35 levels is one pixel higher
// than the one before.
void stepButton(const Painter& p, int frame) {
    const bool on = frame < 35;
    const int filled = on ? frame : frame - 35; // 0 .. 34 pixels
    const int top = 34 - filled;

    p.fillRound(1, 0, 18, 34, 2, edgeDark);
    if (on) {
        p.fillRoundGradient(2, 1, 16, 32, 1, rgb(150, 90, 30), rgb(112, 66, 22));
        p.hline(3, 17, 1, rgb(190, 124, 52));
        p.fill(4, 3, 12, 28, rgb(84, 50, 18));
        if (filled > 0) {
            p.fillGradient(3, top, 14, filled, accentBright, accent);
            p.hline(3, 17, top, rgb(255, 238, 206));
        }
    } else {
        p.fillRoundGradient(2, 1, 16, 32, 1, stepOff, rgb(54, 57, 63));
        p.hline(3, 17, 1, rgb(84, 88, 96));
        p.fill(4, 3, 12, 28, rgb(44, 46, 51));
        if (filled > 0) {
            p.fill(6, top, 8, filled, stepOffBar);
            p.hline(6, 14, top, stepOffBarTop);
        }
    }
}

} // namespace

double knobAngle(int frame, int frames) {
    return -135.0 + 270.0 * frame / (frames - 1);
}

bool paintControlFrame(int id, const Painter& p, int frame) {
    switch (id) {
    case 130:
        folderButton(p, 22, 16, frame);
        return true;
    case 131:
        stepButton(p, frame);
        return true;
    case 132:
        folderButton(p, 22, 14, frame);
        return true;
    case 135:
        prevNextButton(p, frame, false);
        return true;
    case 136:
        prevNextButton(p, frame, true);
        return true;
    case 137:
        key(p, frame, rgb(150, 155, 164), rgb(118, 123, 132));
        return true;
    case 139:
        lcdPanel(p, 0, 0, 36, 14);
        return true;
    case 140:
        lcdPanel(p, 0, 0, 163, 14);
        return true;
    case 141:
        sliderGroove(p);
        return true;
    case 142:
        sliderHandle(p);
        return true;
    case 143:
        letterButton(p, frame, "M");
        return true;
    case 144:
        letterButton(p, frame, "S");
        return true;
    case 145:
        sampleBaseDisplay(p);
        return true;
    case 146:
        smallReadout(p);
        return true;
    case 147:
        selectBar(p, frame);
        return true;
    case 148:
        menuButton(p, frame, false);
        return true;
    case 150:
        lamp(p, frame);
        return true;
    case 151:
        stepEditSwitch(p, frame);
        return true;
    case 153:
        knob(p, 30, frame, false);
        return true;
    case 155:
        loopButton(p, frame);
        return true;
    case 156:
        filterSwitch(p, frame);
        return true;
    case 157:
        knob(p, 20, frame, true);
        return true;
    case 158:
        playButton(p, frame);
        return true;
    case 159:
        transferButton(p, frame, false);
        return true;
    case 160:
        transferButton(p, frame, true);
        return true;
    case 161:
        key(p, frame, capTop, capBottom);
        return true;
    case 162:
        knob(p, 20, frame, false);
        return true;
    case 163:
        menuButton(p, 0, true);
        return true;
    default:
        return false;
    }
}

} // namespace quovent::skin

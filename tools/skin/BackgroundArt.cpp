// The background and splash pictures. Everything is placed from the control rectangles in
// SkinLayout.hpp, so labels sit beside the controls and never under them.
#include "tools/skin/BackgroundArt.hpp"

#include "tools/skin/SkinLayout.hpp"

#include <array>
#include <cmath>
#include <string>

namespace quovent::skin {

namespace {

using namespace palette;
using namespace layout;

constexpr Font labelFont{8, true};
constexpr Font smallFont{7, true};
constexpr Font hintFont{8, false};

int baselineFor(double centreY) {
    return static_cast<int>(std::lround(centreY + 3));
}

// A raised panel: flat fill with a lit top edge and a dark bottom edge.
void raisedPanel(const Painter& p, int x, int y, int w, int h, Colour fillColour) {
    p.fillRound(x, y, w, h, 3, edgeDark);
    p.fillRound(x, y, w, h - 1, 3, edgeLight);
    p.fillRound(x, y + 1, w, h - 2, 3, fillColour);
}

// A well one pixel larger than the rectangle on every side.
void wellAround(const Painter& p, Rect r, int margin = 1, double radius = 2) {
    p.well(r.left - margin, r.top - margin, r.width() + 2 * margin, r.height() + 2 * margin,
           radius);
}

void logo(const Painter& p) {
    const Rect area = logoArea;
    constexpr Font name{18, true};
    const double width = p.textWidth("quovent", name) + 5;
    const double left = std::round(area.centreX() - width / 2);
    p.text(left, 21, "quovent", name, rgb(236, 238, 242));
    p.fill(static_cast<int>(left + width) - 4, 17, 4, 4, accent);
    p.text(area.centreX(), 29, "HALVDEN LABS", Font{6.5, true}, labelDim, Align::centre);
}

void topArea(const Painter& p) {
    raisedPanel(p, 2, 1, windowWidth - 4, 77, header);

    // Engraved dividers between the groups: files and shuffle, step edit, logo and Play,
    // sample base and patterns. Each runs through a gap that no control or label uses.
    for (const int x : {(importButton.right + stepEditSwitch.left) / 2 - 2,
                        stepEditSwitch.right + 22, (playButton.right + patternMenu.left) / 2 + 2}) {
        p.vline(x, 8, 71, edgeDark);
        p.vline(x + 1, 8, 71, rgb(60, 63, 69));
    }

    // Import and Export, labelled underneath.
    p.text(exportButton.centreX(), 46, "Export", labelFont, label, Align::centre);
    p.text(importButton.centreX(), 46, "Import", labelFont, label, Align::centre);

    // Shuffle knob.
    p.text(shuffleKnob.left - 4, baselineFor(shuffleKnob.centreY()), "Shuffle", labelFont, label,
           Align::right);

    // StepEdit selector: lane names over and under their positions, alternating, each with
    // a short lead to its segment.
    static constexpr std::array<const char*, 5> lanes{"Vol", "Tune", "Freq", "Res", "Pan"};
    const Rect s = stepEditSwitch;
    p.text(s.centreX(), 17, "STEP EDIT", smallFont, labelDim, Align::centre);
    for (int i = 0; i < stepEditPositions; ++i) {
        const double centre = s.left + (i + 0.5) * s.width() / stepEditPositions;
        const int column = static_cast<int>(std::floor(centre));
        if (i % 2 == 0) {
            p.text(centre, s.top - 5, lanes[static_cast<size_t>(i)], labelFont, label,
                   Align::centre);
            p.vline(column, s.top - 3, s.top, labelFaint);
        } else {
            p.text(centre, s.bottom + 11, lanes[static_cast<size_t>(i)], labelFont, label,
                   Align::centre);
            p.vline(column, s.bottom, s.bottom + 3, labelFaint);
        }
    }

    logo(p);
    p.text(playButton.left - 5, baselineFor(playButton.centreY()), "Play", labelFont, label,
           Align::right);
    wellAround(p, playButton, 1, 3);

    // Sample Base path and the Notes and BPM readouts share one display strip.
    p.text(sampleBaseFolder.right + 4, 9, "Sample Base", smallFont, labelDim);
    p.text(notesDisplay.centreX(), 9, "Notes", smallFont, labelDim, Align::centre);
    p.text(bpmDisplay.centreX(), 9, "BPM", smallFont, labelDim, Align::centre);

    // Pattern keys: a well behind the twelve keys and the two bank buttons, the note name
    // under each key with a light or dark mark for a natural or a sharp.
    p.text(patternMenu.left, 41, "Pattern", smallFont, labelDim);
    const Rect firstKey = patternKey(0);
    const Rect lastKey = patternKey(patternKeyCount - 1);
    p.well(firstKey.left - 1, firstKey.top - 1, lastKey.right - firstKey.left + 2,
           firstKey.height() + 2);
    p.well(bankButton(0).left - 1, bankButton(0).top - 1,
           bankButton(1).right - bankButton(0).left + 2, bankButton(0).height() + 2);
    static constexpr std::array<const char*, 12> notes{"C",  "C#", "D",  "D#", "E",  "F",
                                                       "F#", "G",  "G#", "A",  "A#", "B"};
    for (int k = 0; k < patternKeyCount; ++k) {
        const Rect r = patternKey(k);
        const std::string name = notes[static_cast<size_t>(k)];
        const bool sharp = name.size() > 1;
        p.hline(r.left + 2, r.right - 2, r.bottom + 2, sharp ? rgb(14, 15, 17) : label);
        p.text(r.centreX(), r.bottom + 11, name, smallFont, sharp ? labelDim : label,
               Align::centre);
    }
    for (int b = 0; b < 2; ++b) {
        const Rect r = bankButton(b);
        p.hline(r.left + 2, r.right - 2, r.bottom + 2, accentDeep);
        p.text(r.centreX(), r.bottom + 11, b == 0 ? "3" : "4", smallFont, label, Align::centre);
    }
}

void slotRow(const Painter& p, int slot) {
    const int y = rowOriginY(slot);
    raisedPanel(p, 2, y + 1, windowWidth - 4, rowPitch - 2, panel);

    // Slot number beside the select bar.
    const Rect bar = inRow(slot, rel::selectBar);
    p.text(bar.left - 3, y + 14, "#" + std::to_string(slot + 1), labelFont, label, Align::right);
    wellAround(p, bar, 1, 3);

    // Step grid: one well behind all sixteen steps, every fourth step starting a beat.
    const Rect first = inRow(slot, rel::step(0));
    const Rect last = inRow(slot, rel::step(rel::stepCount - 1));
    p.well(first.left - 1, first.top - 1, last.right - first.left + 2, first.height() + 2);
    for (int beat = 0; beat < 4; ++beat) {
        const Rect start = inRow(slot, rel::step(4 * beat));
        const Rect end = inRow(slot, rel::step(4 * beat + 3));
        const Colour mark = beat % 2 == 0 ? labelDim : labelFaint;
        p.hline(start.left + 2, end.right - 2, start.bottom + 2, mark);
        p.fill(start.left + 2, start.bottom + 2, 2, 3, beat == 0 ? accent : mark);
    }

    // Sliders: names read upwards beside each groove.
    struct Named {
        Rect r;
        const char* name;
    };
    for (const Named s : {Named{rel::lengthSlider, "LENGTH"}, Named{rel::volSlider, "VOL"},
                          Named{rel::tuneSlider, "TUNE"}}) {
        const Rect r = inRow(slot, s.r);
        p.textUp(r.left - 2, r.centreY(), s.name, smallFont, labelDim);
    }

    // Filter knobs, labelled above.
    for (const Named k : {Named{rel::freqKnob, "FREQ"}, Named{rel::resKnob, "RES"}}) {
        const Rect r = inRow(slot, k.r);
        p.text(r.centreX(), r.top - 3, k.name, smallFont, labelDim, Align::centre);
    }

    // Activity lamp in its bezel; PAN named beside its knob.
    wellAround(p, inRow(slot, rel::lamp), 1, 2);
    const Rect pan = inRow(slot, rel::panKnob);
    p.text(pan.right + 3, baselineFor(pan.centreY()), "PAN", smallFont, labelDim);
}

void footer(const Painter& p) {
    const int top = rowOriginY(slotCount);
    p.text(windowWidth / 2.0, top + 10,
           "Steps: left drag on/off  \xc2\xb7  right drag level  \xc2\xb7  shift/ctrl + right "
           "runs on  \xc2\xb7  alt + click resets the lane  \xc2\xb7  keys v t f r p pick the lane",
           hintFont, labelDim, Align::centre);
}

} // namespace

void paintBackground(const Painter& p) {
    p.fill(0, 0, windowWidth, windowHeight, body);
    topArea(p);
    for (int slot = 0; slot < slotCount; ++slot) {
        slotRow(p, slot);
    }
    footer(p);
}

std::vector<Rect> backgroundTextBoxes(platform::Scale scale) {
    const int width = scale.toPixels(windowWidth);
    const int height = scale.toPixels(windowHeight);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    Painter painter(cr, scale);
    std::vector<Rect> boxes;
    painter.recordTextInto(&boxes);
    paintBackground(painter);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    const Rect logo = pixelRect(logoArea, scale);
    std::erase_if(boxes, [&](const Rect& box) { return box.overlaps(logo); });
    return boxes;
}

Rect pixelRect(Rect units, platform::Scale scale) {
    return {scale.toPixels(units.left), scale.toPixels(units.top), scale.toPixels(units.right),
            scale.toPixels(units.bottom)};
}

void paintSplash(const Painter& p) {
    constexpr int w = 615;
    constexpr int h = 77;
    p.fill(0, 0, w, h, edgeDark);
    p.fillGradient(1, 1, w - 2, h - 2, rgb(50, 53, 59), rgb(32, 34, 38));
    p.hline(1, w - 1, 1, edgeLight);
    p.fill(16, 14, 4, 49, accent);

    p.text(30, 44, "quovent", Font{34, true}, rgb(240, 242, 245));
    p.text(32, 62, "HALVDEN LABS", Font{9, true}, accent);
    p.text(200, 30, "Eight-slot sample step sequencer", Font{12, false}, label);
    p.text(200, 48, "Version 1.0", Font{9, false}, labelDim);
    p.text(200, 62, "VST 2 instrument \xc2\xb7 8 slots \xc2\xb7 24 patterns \xc2\xb7 12 outputs",
           Font{9, false}, labelDim);

    // Sixteen steps of a beat as a signature: lit steps rise to their level, off steps
    // rest as short grey stubs, beats marked underneath.
    static constexpr std::array<int, 16> levels{10, 0, 4, 0, 8, 0, 0, 6, 10, 0, 4, 0, 8, 0, 9, 3};
    for (int k = 0; k < 16; ++k) {
        const int x = 440 + 10 * k;
        const int level = levels[static_cast<size_t>(k)];
        const int height = level > 0 ? 6 + 2 * level : 4;
        p.fill(x, 50 - height, 8, height, level > 0 ? accent : rgb(72, 76, 84));
        if (level > 0) {
            p.hline(x, x + 8, 50 - height, accentBright);
        }
    }
    for (int beat = 0; beat < 4; ++beat) {
        p.hline(440 + 40 * beat, 440 + 40 * beat + 38, 53, beat == 0 ? accent : labelFaint);
    }
    p.text(w - 12, h - 8, "click to close", Font{7, false}, labelFaint, Align::right);
}

} // namespace quovent::skin

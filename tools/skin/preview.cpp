// quovent-skin-preview: composites the committed bitmaps the way the editor lays them out,
// in a representative state (steps on and off at various levels, knobs turned, one solo,
// lamps lit, Play on), with sample names in the editor's blue text, into one PNG for review.
// An optional third argument picks the scale in percent (the @<percent> pictures).
#include "tools/skin/BackgroundArt.hpp"
#include "tools/skin/BitmapRenderer.hpp"
#include "tools/skin/Painter.hpp"
#include "tools/skin/SkinLayout.hpp"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

using namespace quovent::skin;

using quovent::platform::Scale;

class Bitmaps {
public:
    Bitmaps(std::string directory, Scale scale) : directory_(std::move(directory)), scale_(scale) {}
    Bitmaps(const Bitmaps&) = delete;
    Bitmaps& operator=(const Bitmaps&) = delete;
    ~Bitmaps() {
        for (auto& [id, surface] : loaded_) {
            cairo_surface_destroy(surface);
        }
    }

    cairo_surface_t* get(int id) {
        auto found = loaded_.find(id);
        if (found != loaded_.end()) {
            return found->second;
        }
        const std::string path = directory_ + "/" + bitmapFileName(id, scale_);
        cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
        }
        loaded_[id] = surface;
        return surface;
    }

    Scale scale() const noexcept { return scale_; }

private:
    std::string directory_;
    Scale scale_;
    std::map<int, cairo_surface_t*> loaded_;
};

// Draws frame `frame` of a bitmap whose frames are `pitch` pixels apart into the pixels of
// the control's rectangle `r` (units), clipped to them as a control would.
void blit(cairo_t* cr, cairo_surface_t* bitmap, int frame, int pitch, Rect r, Scale scale) {
    const Rect p = pixelRect(r, scale);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_rectangle(cr, p.left, p.top, p.width(), std::min(p.height(), pitch));
    cairo_clip(cr);
    cairo_set_source_surface(cr, bitmap, p.left, p.top - frame * pitch);
    cairo_paint(cr);
    cairo_restore(cr);
}

int frameHeight(cairo_surface_t* bitmap, int frames) {
    return cairo_image_surface_get_height(bitmap) / frames;
}

void control(cairo_t* cr, Bitmaps& bitmaps, int id, int frames, int frame, Rect r) {
    cairo_surface_t* bitmap = bitmaps.get(id);
    blit(cr, bitmap, frame, frameHeight(bitmap, frames), r, bitmaps.scale());
}

int knobFrame(double value) {
    return static_cast<int>(value * 36);
}

int stepFrame(bool on, double lane) {
    const double shown = on ? lane * 0.5 : std::min(1.0, lane * 0.5 + 0.512);
    return static_cast<int>(shown * 69);
}

// Text as the editor's displays draw it: Arial 9 (here its metric twin), blue, centred
// vertically, left aligned with a 1 px inset or centred.
void displayText(const Painter& p, Rect r, const std::string& text, bool centred) {
    const Font font{9, false};
    cairo_save(p.cairo());
    cairo_rectangle(p.cairo(), r.left, r.top, r.width(), r.height());
    cairo_clip(p.cairo());
    const int baseline = static_cast<int>(std::lround(r.centreY() + 3));
    if (centred) {
        p.text(r.centreX(), baseline, text, font, rgb(0, 0, 255), Align::centre);
    } else {
        p.text(r.left + 1, baseline, text, font, rgb(0, 0, 255));
    }
    cairo_restore(p.cairo());
}

void slider(cairo_t* cr, Bitmaps& bitmaps, Rect r, double value) {
    control(cr, bitmaps, 141, 1, 0, r);
    const int top = r.top + static_cast<int>(std::lround((1 - value) * layout::sliderTravel));
    control(cr, bitmaps, 142, 1, 0, Rect{r.left, top, r.left + 11, top + 18});
}

struct SlotState {
    const char* sample;
    std::array<int, 16> steps; // 0 off, else the lane value in tenths (on when positive)
    std::array<int, 16> offLevels;
    double length, volume, tune, freq, res, pan;
    int filter;
    bool mute, solo, loop, lamp, selected;
    int output;
};

// Composites the window from the bitmaps in `directory` and writes it to `output`.
int compose(const char* directory, const char* output, Scale scale) {
    Bitmaps bitmaps(directory, scale);
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, scale.toPixels(layout::windowWidth),
                                   scale.toPixels(layout::windowHeight));
    cairo_t* cr = cairo_create(surface);
    const Painter p(cr, scale);

    using namespace layout;
    control(cr, bitmaps, 128, 1, 0, Rect{0, 0, windowWidth, windowHeight});

    // Top area.
    control(cr, bitmaps, 145, 1, 0, sampleBaseDisplay);
    displayText(p, sampleBaseDisplay, "        /home/ana/Samples/Drums", false);
    control(cr, bitmaps, 130, 2, 0, sampleBaseFolder);
    control(cr, bitmaps, 159, 2, 0, importButton);
    control(cr, bitmaps, 160, 2, 1, exportButton);
    control(cr, bitmaps, 151, 5, 0, stepEditSwitch);
    control(cr, bitmaps, 162, 37, knobFrame(0.3), shuffleKnob);
    for (int k = 0; k < patternKeyCount; ++k) {
        control(cr, bitmaps, 137, 2, k == 2 ? 1 : 0, patternKey(k));
    }
    control(cr, bitmaps, 161, 2, 1, bankButton(0));
    control(cr, bitmaps, 161, 2, 0, bankButton(1));
    control(cr, bitmaps, 146, 1, 0, bpmDisplay);
    displayText(p, bpmDisplay, "128", true);
    control(cr, bitmaps, 146, 1, 0, notesDisplay);
    displayText(p, notesDisplay, "5", true);
    control(cr, bitmaps, 148, 2, 0, patternMenu);
    control(cr, bitmaps, 158, 2, 1, playButton);

    const std::array<SlotState, 8> slots{{
        {"        kick_round.wav",
         {10, 0, 0, 0, 10, 0, 0, 0, 10, 0, 0, 7, 10, 0, 0, 0},
         {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10},
         1.0,
         0.8,
         0.5,
         1.0,
         0.0,
         0.5,
         0,
         false,
         false,
         false,
         true,
         false,
         1},
        {"        snare_tight.wav",
         {0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 4},
         {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10},
         0.7,
         0.65,
         0.55,
         0.8,
         0.2,
         0.4,
         1,
         false,
         false,
         false,
         false,
         true,
         1},
        {"        hat_closed_03.wav",
         {10, 0, 5, 0, 10, 0, 5, 3, 10, 0, 5, 0, 10, 0, 6, 8},
         {10, 6, 10, 6, 10, 6, 10, 6, 10, 6, 10, 6, 10, 6, 10, 6},
         0.3,
         0.5,
         0.7,
         0.6,
         0.5,
         0.65,
         3,
         false,
         true,
         false,
         true,
         false,
         2},
        {"        bass_growl_C.wav",
         {8, 0, 0, 6, 0, 0, 8, 0, 0, 5, 0, 0, 8, 0, 3, 0},
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 9, 8, 7, 6, 5},
         1.0,
         0.7,
         0.45,
         0.35,
         0.7,
         0.5,
         1,
         false,
         false,
         true,
         true,
         false,
         3},
        {"        perc_rim.wav",
         {0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0},
         {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10},
         0.5,
         0.6,
         0.5,
         1.0,
         0.0,
         0.2,
         2,
         true,
         false,
         false,
         false,
         false,
         4},
        {"        Set some dir with wav's..",
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10},
         1.0,
         0.65,
         0.5,
         1.0,
         0.0,
         0.5,
         0,
         false,
         false,
         false,
         false,
         false,
         1},
        {"        vox_chop_long_name_that_goes_on.wav",
         {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 1, 2, 3, 4, 5, 6},
         {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10},
         0.9,
         0.9,
         0.25,
         0.5,
         0.9,
         0.85,
         2,
         true,
         false,
         true,
         false,
         false,
         5},
        {"        fx_sweep.wav",
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10},
         {0, 0, 0, 0, 5, 5, 5, 5, 0, 0, 0, 0, 5, 5, 5, 5},
         1.0,
         0.4,
         0.5,
         0.2,
         0.3,
         0.5,
         1,
         false,
         false,
         false,
         false,
         true,
         6},
    }};

    for (int slot = 0; slot < slotCount; ++slot) {
        const SlotState& s = slots[static_cast<size_t>(slot)];
        control(cr, bitmaps, 156, 4, s.filter, inRow(slot, rel::filterType));
        control(cr, bitmaps, 148, 2, 0, inRow(slot, rel::slotMenu));
        control(cr, bitmaps, 150, 2, s.lamp ? 1 : 0, inRow(slot, rel::lamp));
        control(cr, bitmaps, 153, 37, knobFrame(s.freq), inRow(slot, rel::freqKnob));
        control(cr, bitmaps, 157, 37, knobFrame(s.pan), inRow(slot, rel::panKnob));
        control(cr, bitmaps, 153, 37, knobFrame(s.res), inRow(slot, rel::resKnob));
        control(cr, bitmaps, 135, 2, 0, inRow(slot, rel::prevButton));
        control(cr, bitmaps, 136, 2, slot == 3 ? 1 : 0, inRow(slot, rel::nextButton));
        control(cr, bitmaps, 140, 1, 0, inRow(slot, rel::sampleName));
        displayText(p, inRow(slot, rel::sampleName), s.sample, false);
        control(cr, bitmaps, 132, 2, 0, inRow(slot, rel::slotFolder));
        control(cr, bitmaps, 139, 1, 0, inRow(slot, rel::outputSelector));
        displayText(p, inRow(slot, rel::outputSelector), "Out: " + std::to_string(s.output), true);
        control(cr, bitmaps, 155, 2, s.loop ? 1 : 0, inRow(slot, rel::loopButton));
        for (int k = 0; k < rel::stepCount; ++k) {
            const int on = s.steps[static_cast<size_t>(k)];
            const double lane = on > 0 ? on / 10.0 : s.offLevels[static_cast<size_t>(k)] / 10.0;
            control(cr, bitmaps, 131, 70, stepFrame(on > 0, lane), inRow(slot, rel::step(k)));
        }
        slider(cr, bitmaps, inRow(slot, rel::volSlider), s.volume);
        slider(cr, bitmaps, inRow(slot, rel::lengthSlider), s.length);
        slider(cr, bitmaps, inRow(slot, rel::tuneSlider), s.tune);
        control(cr, bitmaps, 143, 2, s.mute ? 1 : 0, inRow(slot, rel::muteButton));
        control(cr, bitmaps, 144, 2, s.solo ? 1 : 0, inRow(slot, rel::soloButton));
        control(cr, bitmaps, 147, 2, s.selected ? 1 : 0, inRow(slot, rel::selectBar));
    }

    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(surface, output);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "cannot write %s\n", output);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s <bitmap-directory> <preview.png> [percent]\n", argv[0]);
        return 2;
    }
    const Scale scale{argc == 4 ? std::atoi(argv[3]) : 100};
    const int result = compose(argv[1], argv[2], scale);
    Painter::releaseFontCaches();
    return result;
}

// Geometry of the editor window as the skin sees it: the rectangles the controls occupy,
// so that the background's labels, wells and grooves line up with the control bitmaps.
// All rectangles are (left, top)-(right, bottom) in window pixels, right and bottom exclusive.
#pragma once

#include <vector>

namespace quovent::skin {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int width() const noexcept { return right - left; }
    constexpr int height() const noexcept { return bottom - top; }
    constexpr double centreX() const noexcept { return (left + right) / 2.0; }
    constexpr double centreY() const noexcept { return (top + bottom) / 2.0; }
    constexpr Rect moved(int dx, int dy) const noexcept {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    constexpr bool overlaps(const Rect& o) const noexcept {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
};

namespace layout {

constexpr int windowWidth = 657;
constexpr int windowHeight = 590;

// Top area, absolute.
constexpr Rect sampleBaseDisplay{366, 11, 629, 30};
constexpr Rect sampleBaseFolder{366, 12, 388, 28};
constexpr Rect importButton{75, 16, 116, 36};
constexpr Rect exportButton{33, 16, 74, 36};
constexpr Rect stepEditSwitch{143, 35, 196, 51};
constexpr int stepEditPositions = 5;
constexpr Rect shuffleKnob{65, 52, 85, 72};
constexpr int patternKeyCount = 12;
constexpr Rect patternKey(int k) noexcept {
    return {394 + 16 * k, 45, 410 + 16 * k, 60};
}
constexpr Rect bankButton(int b) noexcept {
    return {592 + 16 * b, 45, 608 + 16 * b, 60};
}
constexpr Rect bpmDisplay{602, 14, 627, 26};
constexpr Rect notesDisplay{577, 14, 602, 26};
constexpr Rect patternMenu{373, 46, 391, 58};
constexpr Rect playButton{264, 33, 321, 71};
constexpr Rect logoArea{230, 7, 350, 27};
constexpr Rect splashArea{21, 0, 632, 77};

// Slot rows: every rectangle below is relative to the row origin.
constexpr int slotCount = 8;
constexpr int rowPitch = 62;
constexpr int rowOriginX = 29;
constexpr int rowOriginY(int slot) noexcept {
    return 80 + rowPitch * slot;
}

namespace rel {
constexpr Rect filterType{529, 7, 555, 47};
constexpr int filterPositions = 4;
constexpr Rect slotMenu{315, 3, 333, 15};
constexpr Rect lamp{588, 11, 598, 18};
constexpr Rect freqKnob{469, 23, 499, 53};
constexpr Rect panKnob{580, 22, 600, 42};
constexpr Rect resKnob{499, 23, 529, 53};
constexpr Rect prevButton{184, 2, 219, 16};
constexpr Rect nextButton{219, 2, 254, 16};
constexpr Rect sampleName{16, 3, 179, 17};
constexpr Rect slotFolder{16, 3, 38, 17};
constexpr Rect outputSelector{561, 44, 597, 58};
constexpr Rect loopButton{259, 2, 308, 17};
constexpr int stepCount = 16;
constexpr Rect step(int k) noexcept {
    return {15 + 20 * k, 21, 35 + 20 * k, 55};
}
constexpr Rect volSlider{420, 4, 432, 59};
constexpr Rect lengthSlider{390, 4, 402, 59};
constexpr Rect tuneSlider{450, 4, 462, 59};
constexpr Rect muteButton{342, 11, 364, 33};
constexpr Rect soloButton{342, 35, 364, 57};
constexpr Rect selectBar{-2, 8, 11, 58};
} // namespace rel

// A row-relative rectangle placed in the row of the given slot.
constexpr Rect inRow(int slot, Rect relative) noexcept {
    return relative.moved(rowOriginX, rowOriginY(slot));
}

// Slider travel: the handle's top runs from the groove top (value 1) down by
// groove height minus handle height (value 0).
constexpr int sliderHandleHeight = 18;
constexpr int sliderTravel = 55 - sliderHandleHeight;

// Every rectangle in which a control draws: labels painted in the background must stay
// clear of all of them.
inline std::vector<Rect> controlRects() {
    std::vector<Rect> rects{sampleBaseDisplay, sampleBaseFolder, importButton, exportButton,
                            stepEditSwitch,    shuffleKnob,      bpmDisplay,   notesDisplay,
                            patternMenu,       playButton};
    for (int k = 0; k < patternKeyCount; ++k) {
        rects.push_back(patternKey(k));
    }
    rects.push_back(bankButton(0));
    rects.push_back(bankButton(1));
    for (int slot = 0; slot < slotCount; ++slot) {
        for (const Rect r :
             {rel::filterType, rel::slotMenu, rel::lamp, rel::freqKnob, rel::panKnob, rel::resKnob,
              rel::prevButton, rel::nextButton, rel::sampleName, rel::slotFolder,
              rel::outputSelector, rel::loopButton, rel::volSlider, rel::lengthSlider,
              rel::tuneSlider, rel::muteButton, rel::soloButton, rel::selectBar}) {
            rects.push_back(inRow(slot, r));
        }
        for (int k = 0; k < rel::stepCount; ++k) {
            rects.push_back(inRow(slot, rel::step(k)));
        }
    }
    return rects;
}

} // namespace layout
} // namespace quovent::skin

// The editor's zoom: which of the skin's scales its window is drawn at. By default the
// desktop's factor rounded to the nearest offer; a zoom the user picks from the pattern menu
// is kept in the per-user settings and wins from then on. Editor thread only.
#pragma once

#include "resources/Resources.hpp"

#include <functional>
#include <string>

namespace quovent {

class EditorZoom {
public:
    // The zooms offered, in percent: one per scale the skin is drawn at.
    static constexpr auto kOffered = resources::kScalePercents;

    // The offer nearest to a desktop factor (1.75 -> 200); halfway goes to the larger one,
    // below the smallest offer to the smallest, above the largest to the largest.
    static int nearestOffered(double factor) noexcept;
    static bool isOffered(int percent) noexcept;
    // The pattern menu's item for an offer: "Zoom 150 %".
    static std::string menuText(int percent);

    // Asks the desktop for its factor (1.0 when it cannot tell).
    using DesktopReader = std::function<double()>;
    explicit EditorZoom(DesktopReader desktop) : desktop_(std::move(desktop)) {}

    // The zoom to open a window at: the user's kept choice, else the desktop's. Reads the
    // settings and asks the desktop on the first call and again after refresh().
    int preferred();
    // Reads the settings again at the next preferred(); `desktopFactor` replaces what the
    // desktop said (an open window system has just been asked).
    void refresh(double desktopFactor);
    // The zoom the user chose, 0 while none is kept (the desktop's is used).
    int chosen();
    // Keeps the user's choice in the settings. False when it could not be stored; the
    // choice then holds for this session only.
    bool choose(int percent);

private:
    void load();

    DesktopReader desktop_;
    bool loaded_ = false;
    int chosen_ = 0;
    int unsaved_ = 0;            // a choice the settings could not keep: it holds for this session
    double desktopFactor_ = 0.0; // 0: not asked yet
};

} // namespace quovent

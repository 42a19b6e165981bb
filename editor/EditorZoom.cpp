// Choosing the editor's zoom among the skin's scales.
#include "editor/EditorZoom.hpp"

#include "platform/UserSettings.hpp"

#include <algorithm>
#include <cmath>

namespace quovent {

int EditorZoom::nearestOffered(double factor) noexcept {
    const double percent = std::isfinite(factor) ? factor * 100.0 : 100.0;
    int best = kOffered.front();
    for (const int offer : kOffered) {
        // Offers ascend, so "not farther" hands a tie to the larger one.
        if (std::abs(offer - percent) <= std::abs(best - percent)) {
            best = offer;
        }
    }
    return best;
}

bool EditorZoom::isOffered(int percent) noexcept {
    return std::find(kOffered.begin(), kOffered.end(), percent) != kOffered.end();
}

std::string EditorZoom::menuText(int percent) {
    return "Zoom " + std::to_string(percent) + " %";
}

void EditorZoom::load() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    int stored = 0;
    const bool found =
        UserSettings::readZoom(stored) == UserSettings::ReadResult::Found && isOffered(stored);
    chosen_ = unsaved_ != 0 ? unsaved_ : found ? stored : 0;
}

int EditorZoom::preferred() {
    load();
    if (chosen_ != 0) {
        return chosen_;
    }
    if (desktopFactor_ <= 0.0) {
        desktopFactor_ = desktop_ ? desktop_() : 1.0;
    }
    return nearestOffered(desktopFactor_);
}

void EditorZoom::refresh(double desktopFactor) {
    loaded_ = false;
    desktopFactor_ = desktopFactor;
}

int EditorZoom::chosen() {
    load();
    return chosen_;
}

bool EditorZoom::choose(int percent) {
    loaded_ = true;
    chosen_ = percent;
    const bool kept = UserSettings::writeZoom(percent);
    unsaved_ = kept ? 0 : percent;
    return kept;
}

} // namespace quovent

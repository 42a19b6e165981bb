#include "engine/Slot.hpp"

#include "engine/NoteRatioTable.hpp"
#include "platform/Paths.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quovent {

namespace {
constexpr std::size_t kPlaceholderPrefix = 17; // eight blanks and "Set some "

// Steps back from a cut so the text never ends inside a UTF-8 sequence.
void trimPartialUtf8(char* text) {
    std::size_t n = std::strlen(text);
    std::size_t i = n;
    while (i > 0 && (static_cast<unsigned char>(text[i - 1]) & 0xC0) == 0x80) {
        --i;
    }
    if (i > 0 && (static_cast<unsigned char>(text[i - 1]) & 0x80) != 0) {
        const unsigned char lead = static_cast<unsigned char>(text[i - 1]);
        const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (n - (i - 1) < need) {
            text[i - 1] = '\0';
        }
    }
}
} // namespace

Slot::Slot(int index) : index_(index) {}

float Slot::tuneRatio() const noexcept {
    return NoteRatioTable::tuneRatio(tune);
}

void Slot::outputPairUp() noexcept {
    setOutputPair(outputPair + 1);
}

void Slot::outputPairDown() noexcept {
    setOutputPair(outputPair - 1);
}

void Slot::setOutputPair(int pair) noexcept {
    outputPair = std::clamp(pair, kMinOutputPair, kMaxOutputPair);
}

int Slot::filterModeFromValue(float value) noexcept {
    // NaN and values far outside 0..1 never reach the float-to-int conversion.
    if (!(value > 0.0f)) {
        return 0;
    }
    return value >= 1.0f ? 3 : std::clamp(static_cast<int>(value * 3.0f), 0, 3);
}

int Slot::syncSteps(float t) noexcept {
    if (t < 0.2f) {
        return 64;
    }
    if (t < 0.4f) {
        return 32;
    }
    if (t < 0.6f) {
        return 16;
    }
    if (t < 0.8f) {
        return 8;
    }
    return 4;
}

void Slot::updateSyncIncrement(double samplesPerStep) noexcept {
    const double span = samplesPerStep * syncSteps(tune);
    if (span > 0.0) {
        syncIncrement = static_cast<float>(sample.frameCount() / span);
    }
}

void Slot::setSync(bool on, double samplesPerStep) noexcept {
    if (on) {
        updateSyncIncrement(samplesPerStep);
    }
    sync = on ? 1 : 0;
}

bool Slot::isPlaceholder(const std::string& path) {
    return path.compare(0, kPlaceholderPrefix, kPlaceholderPath, kPlaceholderPrefix) == 0;
}

void Slot::setSamplePath(const std::string& path, double samplesPerStep) {
    assignSamplePath(path);
    if (isPlaceholder(samplePath_)) {
        sample.clearSample();
    } else {
        sample.loadSample(samplePath_.c_str());
    }
    if (sync != 0) {
        updateSyncIncrement(samplesPerStep);
    }
    showSampleName(samplePath_);
}

void Slot::formatSampleName(const std::string& text, int index, char* out, std::size_t size) {
    if (size == 0) {
        return;
    }
    const auto cut = paths::lastSeparator(text);
    if (cut == std::string::npos) {
        std::snprintf(out, size, "%s", text.c_str());
    } else {
        const char* name = text.c_str() + cut + 1;
        std::snprintf(out, size, index > 9 ? "        %i : %s" : "        0%i : %s", index, name);
    }
    trimPartialUtf8(out);
}

void Slot::formatMissingName(const std::string& text, char* out, std::size_t size) {
    if (size == 0) {
        return;
    }
    const auto cut = paths::lastSeparator(text);
    const char* name = cut == std::string::npos ? text.c_str() : text.c_str() + cut + 1;
    std::snprintf(out, size, "%s%s", kMissingPrefix, name);
    trimPartialUtf8(out);
}

void Slot::showSampleName(const std::string& text) {
    if (nameView_ == nullptr) {
        return;
    }
    char shown[capacity::kPathText];
    if (sampleMissing_ && text == samplePath_) {
        formatMissingName(text, shown, sizeof shown);
    } else {
        formatSampleName(text, fileIndex, shown, sizeof shown);
    }
    nameView_->showSampleText(shown);
}

void Slot::showSampleText(const char* text) {
    if (nameView_ != nullptr) {
        nameView_->showSampleText(text);
    }
}

void Slot::resetSample() {
    sample.clearSample();
    heldNotes = 0;
    directory.forget();
    fileIndex = 0;
    outputPair = 1;
    assignSamplePath(kPlaceholderPath);
    showSampleName(samplePath_);
}

} // namespace quovent

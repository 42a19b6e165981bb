#include "tools/render/TempoMap.hpp"

#include <algorithm>

namespace quovent::render {

TempoMap::TempoMap(double bpm) {
    segments_.push_back({0.0, 0.0, bpm});
}

void TempoMap::change(double beat, double bpm) {
    Segment& last = segments_.back();
    if (beat <= last.beat) {
        last.bpm = bpm;
        // A replaced first segment still starts at 0; later ones keep their start time.
        return;
    }
    const double seconds = last.seconds + (beat - last.beat) * 60.0 / last.bpm;
    segments_.push_back({beat, seconds, bpm});
}

const TempoMap::Segment& TempoMap::segmentAtSeconds(double seconds) const {
    auto it = std::upper_bound(segments_.begin(), segments_.end(), seconds,
                               [](double s, const Segment& seg) { return s < seg.seconds; });
    return it == segments_.begin() ? segments_.front() : *(it - 1);
}

double TempoMap::bpmAtSeconds(double seconds) const {
    return segmentAtSeconds(seconds).bpm;
}

double TempoMap::secondsAtBeat(double beat) const {
    auto it = std::upper_bound(segments_.begin(), segments_.end(), beat,
                               [](double b, const Segment& seg) { return b < seg.beat; });
    const Segment& seg = it == segments_.begin() ? segments_.front() : *(it - 1);
    return seg.seconds + (beat - seg.beat) * 60.0 / seg.bpm;
}

double TempoMap::beatAtSeconds(double seconds) const {
    const Segment& seg = segmentAtSeconds(seconds);
    return seg.beat + (seconds - seg.seconds) * seg.bpm / 60.0;
}

} // namespace quovent::render

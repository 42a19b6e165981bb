// Tempo over time: a list of tempo changes at beat positions, and the conversions between
// beats and seconds that follow from it. A constant tempo is a map with one entry.
#pragma once

#include <vector>

namespace quovent::render {

class TempoMap {
public:
    explicit TempoMap(double bpm);

    // A change at a beat at or after the previous one; a later change at the same beat
    // replaces the earlier one.
    void change(double beat, double bpm);

    double bpmAtSeconds(double seconds) const;
    double secondsAtBeat(double beat) const;
    double beatAtSeconds(double seconds) const;
    bool constant() const { return segments_.size() == 1; }

private:
    struct Segment {
        double beat;
        double seconds;
        double bpm;
    };
    const Segment& segmentAtSeconds(double seconds) const;
    std::vector<Segment> segments_;
};

} // namespace quovent::render

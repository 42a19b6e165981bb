// A picture of the render: one labelled strip per output pair with the waveform of both
// channels (left above, right mirrored below the centre line), bar lines, and a flat line
// for a silent pair. Written as PNG with cairo.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quovent::render {

class WaveformPicture {
public:
    static constexpr int kPairs = 6;
    static constexpr int kWidth = 1200;

    explicit WaveformPicture(std::int64_t totalFrames);

    // The twelve output channels of one block starting at firstFrame.
    void add(const float* const* outputs, int frames, std::int64_t firstFrame);

    // title: the header line; barFrames: frame positions of the bar lines. Written to a
    // temporary file and renamed, so no partial picture is left. Empty on success.
    std::string write(const std::string& path, const std::string& title,
                      const std::vector<std::int64_t>& barFrames) const;

private:
    struct Column {
        float leftPeak = 0.0f; // largest magnitude in the column
        float rightPeak = 0.0f;
    };
    std::int64_t totalFrames_;
    std::array<std::vector<Column>, kPairs> columns_;
    std::array<float, kPairs> peak_{};
};

} // namespace quovent::render

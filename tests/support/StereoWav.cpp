// Host exports read through libsndfile, the format checked before any frame is taken.
#include "tests/support/StereoWav.hpp"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace quovent::test {

namespace {

bool isFloatStereoWav(const SF_INFO& info) {
    return (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
           (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT && info.channels == 2;
}

bool readStereo(const std::filesystem::path& file, std::vector<float>& left,
                std::vector<float>& right, bool floatOnly) {
    SF_INFO info{};
    SNDFILE* const sound = sf_open(file.c_str(), SFM_READ, &info);
    if (sound == nullptr) {
        return false;
    }
    if (floatOnly ? !isFloatStereoWav(info) : info.channels != 2) {
        sf_close(sound);
        return false;
    }
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * 2);
    const sf_count_t read = sf_readf_float(sound, interleaved.data(), info.frames);
    sf_close(sound);
    interleaved.resize(static_cast<std::size_t>(std::max<sf_count_t>(read, 0)) * 2);
    const std::size_t frames = interleaved.size() / 2;
    left.resize(frames);
    right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] = interleaved[2 * i];
        right[i] = interleaved[2 * i + 1];
    }
    return true;
}

} // namespace

bool readFloatStereo(const std::filesystem::path& file, std::vector<float>& left,
                     std::vector<float>& right) {
    return readStereo(file, left, right, true);
}

bool readStereo(const std::filesystem::path& file, std::vector<float>& left,
                std::vector<float>& right) {
    return readStereo(file, left, right, false);
}

std::size_t firstSound(const std::vector<float>& samples, float threshold) {
    const auto loud = std::find_if(samples.begin(), samples.end(),
                                   [threshold](float s) { return std::fabs(s) > threshold; });
    return static_cast<std::size_t>(loud - samples.begin());
}

} // namespace quovent::test

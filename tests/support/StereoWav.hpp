// What a host exported: the two channels of a 32-bit float stereo WAV file, and where its
// sound starts. Anything else (another sample format, another channel count) is refused, so
// that an export made with the wrong settings fails the test rather than being converted.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

namespace quovent::test {

// False, with left and right untouched, for a file that cannot be read or is not 32-bit float
// stereo WAV.
bool readFloatStereo(const std::filesystem::path& file, std::vector<float>& left,
                     std::vector<float>& right);

// The same for a stereo file in any sample format libsndfile reads (a recorder's integer PCM),
// as floats.
bool readStereo(const std::filesystem::path& file, std::vector<float>& left,
                std::vector<float>& right);

// The first frame louder than `threshold` (absolute value); the size when there is none.
std::size_t firstSound(const std::vector<float>& samples, float threshold);

} // namespace quovent::test

// The rendered WAV file. Frames go to a temporary file beside the target, which is renamed
// over the target only when the render has succeeded; an abandoned file is removed, so a
// failed or interrupted render never leaves a partial output file.
#pragma once

#include "tools/render/RenderOptions.hpp"

#include <memory>
#include <string>

struct sf_private_tag;

namespace quovent::render {

class AudioFile {
public:
    static std::unique_ptr<AudioFile> create(const std::string& path, int channels, int sampleRate,
                                             SampleFormat format, std::string& error);
    ~AudioFile(); // removes the temporary file unless committed
    AudioFile(const AudioFile&) = delete;
    AudioFile& operator=(const AudioFile&) = delete;

    // Interleaved frames of the file's channel count.
    bool write(const float* frames, int count, std::string& error);
    // Closes the file and renames it over the target.
    bool commit(std::string& error);

    // The temporary file's path, for removal from a signal handler (stable while alive).
    const char* temporaryPath() const { return temporary_.c_str(); }

private:
    AudioFile() = default;
    std::string target_;
    std::string temporary_;
    sf_private_tag* file_ = nullptr;
    bool committed_ = false;
};

} // namespace quovent::render

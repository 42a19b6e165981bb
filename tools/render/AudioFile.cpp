#include "tools/render/AudioFile.hpp"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace quovent::render {

namespace {

int subtype(SampleFormat format) {
    switch (format) {
    case SampleFormat::Pcm16:
        return SF_FORMAT_PCM_16;
    case SampleFormat::Pcm24:
        return SF_FORMAT_PCM_24;
    case SampleFormat::Float32:
        return SF_FORMAT_FLOAT;
    }
    return SF_FORMAT_PCM_24;
}

} // namespace

std::unique_ptr<AudioFile> AudioFile::create(const std::string& path, int channels, int sampleRate,
                                             SampleFormat format, std::string& error) {
    std::unique_ptr<AudioFile> f(new AudioFile());
    f->target_ = path;
    const std::filesystem::path target(path);
    const std::string name =
        "." + target.filename().string() + "." + std::to_string(::getpid()) + ".tmp";
    f->temporary_ =
        (target.has_parent_path() ? target.parent_path() / name : std::filesystem::path(name))
            .string();
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | subtype(format);
    f->file_ = sf_open(f->temporary_.c_str(), SFM_WRITE, &info);
    if (f->file_ == nullptr) {
        error = path + ": cannot write (" + sf_strerror(nullptr) + ")";
        return nullptr;
    }
    // Integer formats clip at full scale instead of wrapping around.
    sf_command(f->file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return f;
}

AudioFile::~AudioFile() {
    if (file_ != nullptr) {
        sf_close(file_);
    }
    if (!committed_ && !temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

bool AudioFile::write(const float* frames, int count, std::string& error) {
    if (sf_writef_float(file_, frames, count) != count) {
        error = target_ + ": write failed (" + sf_strerror(file_) + ")";
        return false;
    }
    return true;
}

bool AudioFile::commit(std::string& error) {
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) {
        error = target_ + ": write failed (" + sf_error_number(closed) + ")";
        return false;
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = target_ + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}

} // namespace quovent::render

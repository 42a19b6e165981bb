// Loading a WAV file into a SampleBuffer.
#include "samples/SampleBuffer.hpp"

namespace quovent {

bool SampleBuffer::loadSample(const char* /*path*/) {
    return false; // the WAV reader comes with the samples work
}

} // namespace quovent

// Writes a checked GrooveDocument into the instrument's model: slot settings and samples,
// every pattern row, Shuffle, StepEdit and the selected pattern.
//
// Writes the same relaxed settings the editor's controls write, so a pattern that is playing
// picks the new values up at its next block or step. Touches no view. The caller holds the
// instrument's model lock (the editor thread, or a host thread restoring the state).
#pragma once

#include "instrument/GrooveDocument.hpp"

#include <string>
#include <vector>

namespace quovent {

class Instrument;

class GrooveApplier {
public:
    // Samples the document names that could not be loaded are appended to missing (full
    // paths): those slots keep the path, so an editor can show and relocate it, and play
    // silence.
    static void apply(Instrument& instrument, const GrooveDocument& document,
                      std::vector<std::string>& missing);
};

} // namespace quovent

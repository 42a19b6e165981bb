// One plug-in format as the conformance suite drives it: an instance of the built plug-in,
// loaded as that format's hosts load it, given host blocks in format-neutral terms. Each
// driver translates a block into its format's records (event lists, parameter queues, atom
// sequences, control ports) and hands the plug-in its state as its hosts do. The suite then
// checks every format against the same promises; a new format adds a driver, not a suite.
//
// The test thread drives an instance; run() is the part the real-time check watches.
#pragma once

#include "instrument/InstrumentEvent.hpp"
#include "instrument/ProcessBlock.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quovent::test {

// One host block: its length, the host's tempo and what happens in it (MIDI messages and
// parameters' new plain values at frames within the block, in frame order).
struct DriverBlock {
    int frames = 0;
    double tempo = 120.0;
    std::vector<InstrumentEvent> events;
};

class FormatDriver {
public:
    virtual ~FormatDriver() = default;

    // When the format's note-offs act (VST 2: from the start of their block).
    virtual ProcessBlock::NoteOffs noteOffs() const = 0;
    // Whether the format's hosts set the stable parameters (VST 2 declares none).
    virtual bool hasParameters() const = 0;
    // Whether the format lets a host restore a state while its audio thread processes (LV2
    // does not).
    virtual bool restoresBesideProcess() const { return true; }

    // The host's side of a block (its records, output buffers full of stale samples): may
    // allocate. Then run() makes the plug-in's calls for it, and nothing else.
    virtual void prepare(const DriverBlock& block) = 0;
    virtual void run() = 0;
    // Channel 0..11 of the block that ran.
    virtual const float* output(int channel) const = 0;

    // The state as the format's hosts keep it (the groove text the plug-in handed over).
    virtual std::optional<std::string> saveState() = 0;
    // Hands the plug-in a state as the format's hosts do; false when it refuses.
    virtual bool restoreState(std::string_view bytes) = 0;
    // A parameter value as a host of the format sends it between blocks, untrusted: VST 3's
    // normalized value, LV2's control port value, CLAP's plain value.
    virtual void setHostValue(ParameterId id, double value) = 0;
};

struct NamedDriver {
    std::string name;
    // A new instance of the built plug-in at this rate and largest block.
    std::function<std::unique_ptr<FormatDriver>(double rate, int maxBlock)> make;
};

// Every format this build makes, by name.
const std::vector<NamedDriver>& formatDrivers();

// How test names and messages show a driver.
inline void PrintTo(const NamedDriver& driver, std::ostream* out) {
    *out << driver.name;
}

} // namespace quovent::test

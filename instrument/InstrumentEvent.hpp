// One thing that happens at a frame of a block, as every plug-in format hands it to the
// instrument: a MIDI channel message (three bytes, any values) or a stable parameter's new
// plain value. Format adapters translate their hosts' events into these; the instrument
// clamps the frames into the block and orders the events by frame itself.
//
// A plain value type: any thread may make one; the audio thread reads them in process.
#pragma once

#include "instrument/ParameterTable.hpp"

#include <array>
#include <cstdint>

namespace quovent {

struct InstrumentEvent {
    enum class Kind : std::uint8_t { Midi, Parameter };

    std::int32_t frame = 0; // frames into the block
    Kind kind = Kind::Midi;
    std::array<std::uint8_t, 3> midi{}; // status, data 1, data 2 (Midi)
    ParameterId parameter = 0;          // (Parameter)
    float value = 0.0f;                 // plain value (Parameter); NaN changes nothing

    static constexpr InstrumentEvent midiMessage(std::int32_t frame, std::uint8_t status,
                                                 std::uint8_t data1, std::uint8_t data2) noexcept {
        InstrumentEvent e;
        e.frame = frame;
        e.midi = {status, data1, data2};
        return e;
    }

    static constexpr InstrumentEvent parameterChange(std::int32_t frame, ParameterId id,
                                                     float plain) noexcept {
        InstrumentEvent e;
        e.frame = frame;
        e.kind = Kind::Parameter;
        e.parameter = id;
        e.value = plain;
        return e;
    }
};

} // namespace quovent

// One block as the host hands it to a plug-in, in format-neutral terms: where the twelve
// outputs go, how long the block is, what happens in it and at what tempo. Every format
// adapter fills one per host block and passes it to Instrument::process.
//
// Audio thread: built on the stack for one call; the pointers are the host's.
#pragma once

#include "instrument/InstrumentEvent.hpp"

#include <span>

namespace quovent {

struct ProcessBlock {
    // What process does with the host's buffers: replaces their contents (every format's
    // normal entry) or adds into them (VST 2's accumulating entry).
    enum class Mix { Replace, Add };
    // When a MIDI note-off (and controller 123) acts: at its own frame, or from the start
    // of the block that carries it, as VST 2 projects made with earlier releases sound.
    enum class NoteOffs { AtFrame, AtBlockStart };

    // outputCount channel pointers (the host's); a null array, a null entry or a channel
    // beyond outputCount is rendered into scratch memory and dropped.
    float* const* outputs = nullptr;
    int outputCount = 0;
    // Frames of the block; 0 or less renders nothing but still takes the events.
    int frames = 0;
    // In any order and at any frame: the instrument orders them by frame (equal frames in
    // the order given) and clamps each frame into the block.
    std::span<const InstrumentEvent> events;
    // The host's tempo in BPM; 0, or anything not a positive finite number, means the host
    // gives none.
    double tempo = 0.0;
    Mix mix = Mix::Replace;
    NoteOffs noteOffs = NoteOffs::AtFrame;
};

} // namespace quovent

// What the atom input carries, as AtomInput hands it on: MIDI channel messages at their frame
// offsets, the host's tempo, and requests to set or report a file property. Called on the
// audio thread from within run(): implementations must not allocate, lock or block.
#pragma once

#include <cstdint>
#include <string_view>

namespace quovent::lv2 {

class AtomInputHandler {
public:
    static constexpr int kAllProperties = -1;

    // frame is within the block (0 .. frames - 1); data bytes are 0..127.
    virtual void midiEvent(int frame, std::uint8_t status, std::uint8_t data1,
                           std::uint8_t data2) noexcept = 0;
    // The tempo a time:Position carries, as the host wrote it: any number (the instrument
    // judges it).
    virtual void tempo(double beatsPerMinute) noexcept = 0;
    // path is shorter than capacity::kPathBytes and points into the host's buffer: it is
    // valid only during the call.
    virtual void setProperty(int property, std::string_view path) noexcept = 0;
    // property is an index or kAllProperties.
    virtual void getProperty(int property) noexcept = 0;

protected:
    AtomInputHandler() = default;
    AtomInputHandler(const AtomInputHandler&) = default;
    AtomInputHandler& operator=(const AtomInputHandler&) = default;
    ~AtomInputHandler() = default;
};

} // namespace quovent::lv2

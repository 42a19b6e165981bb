#include "formats/clap/ClapInputEvents.hpp"

#include "formats/clap/ClapCapacities.hpp"
#include "formats/clap/ClapParameters.hpp"
#include "instrument/ParameterTable.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace quovent {

namespace {

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kController = 0xB0;
constexpr std::uint8_t kAllNotesOff = 123;
constexpr int kKeys = 128;
constexpr int kAny = -1;

// The record as T when the host says it is at least that large.
template <typename T> const T* as(const clap::EventHeader& event) noexcept {
    return event.size >= sizeof(T) ? reinterpret_cast<const T*>(&event) : nullptr;
}

std::int32_t frameOf(const clap::EventHeader& event) noexcept {
    constexpr auto kLast = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::min(event.time, kLast));
}

// 0..1 as 0..127; NaN as 0.
std::uint8_t velocity127(double velocity) noexcept {
    if (!(velocity > 0.0)) {
        return 0;
    }
    return static_cast<std::uint8_t>(std::lround(std::fmin(velocity, 1.0) * 127.0));
}

bool ourPort(int port) noexcept {
    return port == 0 || port == kAny;
}

bool validChannel(int channel) noexcept {
    return channel == kAny || (channel >= 0 && channel < capacity::kClapMidiChannels);
}

struct Appender {
    std::span<InstrumentEvent> out;
    std::size_t count;
    void add(const InstrumentEvent& e) noexcept {
        if (count < out.size()) {
            out[count++] = e;
        }
    }
};

void noteOn(const clap::EventNote& note, Appender& to) noexcept {
    if (note.key < 0 || note.key >= kKeys) {
        return;
    }
    const int channel = note.channel == kAny ? 0 : note.channel;
    const std::uint8_t v = velocity127(note.velocity);
    to.add(InstrumentEvent::midiMessage(
        frameOf(note.header), static_cast<std::uint8_t>(kNoteOn | channel),
        static_cast<std::uint8_t>(note.key), std::max<std::uint8_t>(v, 1)));
}

void noteOff(const clap::EventNote& note, Appender& to) noexcept {
    const std::int32_t frame = frameOf(note.header);
    if (note.key == kAny) {
        to.add(InstrumentEvent::midiMessage(frame, kController, kAllNotesOff, 0));
        return;
    }
    if (note.key < 0 || note.key >= kKeys) {
        return;
    }
    const int first = note.channel == kAny ? 0 : note.channel;
    const int last = note.channel == kAny ? capacity::kClapMidiChannels - 1 : note.channel;
    for (int channel = first; channel <= last; ++channel) {
        to.add(InstrumentEvent::midiMessage(frame, static_cast<std::uint8_t>(kNoteOff | channel),
                                            static_cast<std::uint8_t>(note.key),
                                            velocity127(note.velocity)));
    }
}

} // namespace

std::size_t ClapInputEvents::read(const clap::InputEvents* list, std::span<InstrumentEvent> out,
                                  std::size_t count) noexcept {
    if (list == nullptr || list->size == nullptr || list->get == nullptr) {
        return count;
    }
    // More events than the block takes are not looked at: a list claiming billions of them
    // costs no more than a full one.
    const std::size_t size = std::min<std::size_t>(list->size(list), out.size());
    for (std::size_t i = 0; i < size && count < out.size(); ++i) {
        const clap::EventHeader* event = list->get(list, static_cast<std::uint32_t>(i));
        if (event != nullptr) {
            count = translate(*event, out, count);
        }
    }
    return count;
}

std::size_t ClapInputEvents::translate(const clap::EventHeader& event,
                                       std::span<InstrumentEvent> out, std::size_t count) noexcept {
    Appender to{out, count};
    if (event.space_id != clap::kCoreEventSpace) {
        return count;
    }
    switch (event.type) {
    case clap::kEventNoteOn:
    case clap::kEventNoteOff:
    case clap::kEventNoteChoke:
        if (const auto* note = as<clap::EventNote>(event);
            note != nullptr && ourPort(note->port_index) && validChannel(note->channel)) {
            event.type == clap::kEventNoteOn ? noteOn(*note, to) : noteOff(*note, to);
        }
        break;
    case clap::kEventMidi:
        if (const auto* midi = as<clap::EventMidi>(event);
            midi != nullptr && midi->port_index == 0) {
            to.add(InstrumentEvent::midiMessage(frameOf(event), midi->data[0], midi->data[1],
                                                midi->data[2]));
        }
        break;
    case clap::kEventParamValue:
        if (const auto* param = as<clap::EventParamValue>(event);
            param != nullptr && ParameterTable::find(param->param_id) != nullptr) {
            to.add(InstrumentEvent::parameterChange(frameOf(event), param->param_id,
                                                    ClapParameters::toPlain(param->value)));
        }
        break;
    default:
        break;
    }
    return to.count;
}

} // namespace quovent

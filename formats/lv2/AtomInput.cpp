#include "formats/lv2/AtomInput.hpp"

#include "formats/lv2/PluginUris.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string_view>

namespace quovent::lv2 {

namespace {

// Atoms inside a sequence or an object start on 8-byte boundaries.
constexpr std::uint64_t padded(std::uint64_t bytes) noexcept {
    return (bytes + 7U) & ~std::uint64_t{7};
}

template <typename T> T copyOut(const std::uint8_t* at) noexcept {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// A run of bytes that may be read: an atom's body.
struct Bytes {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

struct Value {
    LV2_URID type = 0;
    Bytes body;
    bool present = false;
};

// An atom body holding a zero-terminated text shorter than limit; the text without its zero.
bool textOf(const Bytes& body, std::size_t limit, std::string_view& text) noexcept {
    const std::size_t searched = std::min<std::size_t>(body.size, limit);
    const void* zero = std::memchr(body.data, 0, searched);
    if (zero == nullptr) {
        return false; // no zero within the atom, or too long
    }
    text = std::string_view(reinterpret_cast<const char*>(body.data),
                            static_cast<const std::uint8_t*>(zero) - body.data);
    return true;
}

// The values of the wanted keys of one object body. False when the body is malformed (a
// property running past the object) or a wanted key comes twice.
template <std::size_t N>
bool objectValues(const Bytes& object, const LV2_URID (&keys)[N], Value (&values)[N]) noexcept {
    constexpr std::uint64_t kHeader = sizeof(LV2_Atom_Property_Body); // key, context, atom
    std::uint64_t offset = sizeof(LV2_Atom_Object_Body);
    while (offset + kHeader <= object.size) {
        const std::uint8_t* at = object.data + offset;
        const auto key = copyOut<std::uint32_t>(at);
        const auto value = copyOut<LV2_Atom>(at + 8);
        if (value.size > object.size - offset - kHeader) {
            return false;
        }
        for (std::size_t k = 0; k < N; ++k) {
            if (key == keys[k]) {
                if (values[k].present) {
                    return false;
                }
                values[k] = {value.type, {at + kHeader, value.size}, true};
            }
        }
        offset += padded(kHeader + value.size);
    }
    return true;
}

class SequenceReader {
public:
    SequenceReader(std::uint32_t blockFrames, const Urids& urids, AtomInputHandler& handler)
        : blockFrames_(blockFrames), urids_(urids), handler_(handler) {}

    AtomInputCounts read(const std::uint8_t* buffer, std::size_t bufferBytes) noexcept {
        if (buffer == nullptr || bufferBytes < sizeof(LV2_Atom_Sequence)) {
            return counts_;
        }
        const auto atom = copyOut<LV2_Atom>(buffer);
        if (atom.type != urids_.atomSequence || atom.size < sizeof(LV2_Atom_Sequence_Body)) {
            return counts_; // not a sequence (an unused port's empty chunk, say): no events
        }
        const std::uint64_t limit =
            std::min<std::uint64_t>(atom.size, bufferBytes - sizeof(LV2_Atom));
        const std::uint8_t* body = buffer + sizeof(LV2_Atom);
        // Hosts leave the unit unset (0, or whatever the buffer held before): only a sequence
        // that says it is timed in beats is not timed in frames.
        const auto unit = copyOut<std::uint32_t>(body);
        inFrames_ = unit != urids_.atomBeatTime;

        constexpr std::uint64_t kEventHeader = sizeof(LV2_Atom_Event);
        std::uint64_t offset = sizeof(LV2_Atom_Sequence_Body);
        while (offset + kEventHeader <= limit) {
            const std::uint8_t* at = body + offset;
            const auto time = copyOut<std::int64_t>(at);
            const auto event = copyOut<LV2_Atom>(at + 8);
            if (event.size > limit - offset - kEventHeader) {
                ++counts_.ignored; // truncated: nothing after it can be found
                break;
            }
            dispatch(frameOf(time), event.type, {at + kEventHeader, event.size});
            offset += padded(kEventHeader + event.size);
        }
        return counts_;
    }

private:
    int frameOf(std::int64_t time) const noexcept {
        if (!inFrames_ || time <= 0 || blockFrames_ == 0) {
            return 0;
        }
        const std::int64_t last = std::min<std::int64_t>(blockFrames_ - 1, INT_MAX);
        return static_cast<int>(std::min(time, last));
    }

    void dispatch(int frame, LV2_URID type, const Bytes& body) noexcept {
        if (type != 0 && type == urids_.midiEvent) {
            midi(frame, body);
        } else if (urids_.isObjectType(type) && body.size >= sizeof(LV2_Atom_Object_Body)) {
            object(body);
        } else {
            ++counts_.ignored;
        }
    }

    // Channel messages with their data bytes; everything else (system messages, SysEx,
    // a short or overlong message, a data byte with the top bit set) is not for us.
    void midi(int frame, const Bytes& body) noexcept {
        if (body.size == 0 || body.size > 3) {
            ++counts_.ignored;
            return;
        }
        const std::uint8_t status = body.data[0];
        const std::uint8_t kind = status & 0xF0;
        const std::uint32_t length = kind == 0xC0 || kind == 0xD0 ? 2 : 3;
        if (status < 0x80 || status >= 0xF0 || body.size < length) {
            ++counts_.ignored;
            return;
        }
        const std::uint8_t data1 = body.data[1];
        const std::uint8_t data2 = length == 3 ? body.data[2] : 0;
        if (data1 >= 0x80 || data2 >= 0x80) {
            ++counts_.ignored;
            return;
        }
        handler_.midiEvent(frame, status, data1, data2);
        ++counts_.midi;
    }

    void object(const Bytes& body) noexcept {
        // The URIDs compared with are never 0, so an object without a type is ignored too.
        const auto otype = copyOut<std::uint32_t>(body.data + 4);
        if (otype == urids_.timePosition) {
            position(body);
        } else if (otype == urids_.patchSet) {
            set(body);
        } else if (otype == urids_.patchGet) {
            get(body);
        } else {
            ++counts_.ignored;
        }
    }

    void position(const Bytes& body) noexcept {
        const LV2_URID keys[] = {urids_.timeBeatsPerMinute};
        Value values[1];
        if (!objectValues(body, keys, values)) {
            ++counts_.ignored;
            return;
        }
        if (!values[0].present) {
            return; // a position without a tempo: nothing for us
        }
        double bpm = 0.0;
        if (!number(values[0], bpm)) {
            ++counts_.ignored;
            return;
        }
        handler_.tempo(bpm);
        ++counts_.tempo;
    }

    void set(const Bytes& body) noexcept {
        const LV2_URID keys[] = {urids_.patchSubject, urids_.patchProperty, urids_.patchValue};
        Value values[3];
        std::string_view path;
        const int property =
            objectValues(body, keys, values) && isOurs(values[0]) ? propertyOf(values[1]) : -1;
        if (property < 0 || !values[2].present || values[2].type != urids_.atomPath ||
            !textOf(values[2].body, capacity::kPathBytes, path)) {
            ++counts_.ignored;
            return;
        }
        handler_.setProperty(property, path);
        ++counts_.sets;
    }

    void get(const Bytes& body) noexcept {
        const LV2_URID keys[] = {urids_.patchSubject, urids_.patchProperty};
        Value values[2];
        if (!objectValues(body, keys, values) || !isOurs(values[0])) {
            ++counts_.ignored;
            return;
        }
        const int property =
            values[1].present ? propertyOf(values[1]) : AtomInputHandler::kAllProperties;
        if (values[1].present && property < 0) {
            ++counts_.ignored;
            return;
        }
        handler_.getProperty(property);
        ++counts_.gets;
    }

    // No subject means the plug-in; a subject given must name it, as a URID or a URI.
    bool isOurs(const Value& subject) const noexcept {
        if (!subject.present) {
            return true;
        }
        if (subject.type == urids_.atomUrid && subject.body.size >= sizeof(LV2_URID)) {
            return copyOut<LV2_URID>(subject.body.data) == urids_.plugin;
        }
        std::string_view uri;
        return subject.type == urids_.atomUri &&
               textOf(subject.body, PluginUris::kPlugin.size() + 1, uri) &&
               uri == PluginUris::kPlugin;
    }

    int propertyOf(const Value& property) const noexcept {
        if (!property.present || property.type != urids_.atomUrid ||
            property.body.size < sizeof(LV2_URID)) {
            return -1;
        }
        return urids_.propertyIndex(copyOut<LV2_URID>(property.body.data));
    }

    bool number(const Value& value, double& out) const noexcept {
        const Bytes& b = value.body;
        if (value.type == urids_.atomFloat && b.size >= sizeof(float)) {
            out = copyOut<float>(b.data);
        } else if (value.type == urids_.atomDouble && b.size >= sizeof(double)) {
            out = copyOut<double>(b.data);
        } else if (value.type == urids_.atomInt && b.size >= sizeof(std::int32_t)) {
            out = copyOut<std::int32_t>(b.data);
        } else if (value.type == urids_.atomLong && b.size >= sizeof(std::int64_t)) {
            out = static_cast<double>(copyOut<std::int64_t>(b.data));
        } else {
            return false;
        }
        return true;
    }

    const std::uint32_t blockFrames_;
    const Urids& urids_;
    AtomInputHandler& handler_;
    bool inFrames_ = true;
    AtomInputCounts counts_;
};

} // namespace

AtomInputCounts AtomInput::read(const void* sequence, std::size_t bufferBytes,
                                std::uint32_t blockFrames, const Urids& urids,
                                AtomInputHandler& handler) noexcept {
    SequenceReader reader(blockFrames, urids, handler);
    return reader.read(static_cast<const std::uint8_t*>(sequence), bufferBytes);
}

} // namespace quovent::lv2

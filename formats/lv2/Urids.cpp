#include "formats/lv2/Urids.hpp"

#include "formats/lv2/PluginUris.hpp"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/log/log.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/time/time.h>

#include <string>
#include <utility>

namespace quovent::lv2 {

bool Urids::mapAll(const LV2_URID_Map& map) {
    bool complete = true;
    const auto get = [&](const char* uri) {
        const LV2_URID urid = map.map(map.handle, uri);
        complete = complete && urid != 0;
        return urid;
    };
    plugin = get(std::string(PluginUris::kPlugin).c_str());
    groove = get(std::string(PluginUris::kGroove).c_str());
    for (int i = 0; i < capacity::kProperties; ++i) {
        properties[static_cast<std::size_t>(i)] = get(PluginUris::property(i).c_str());
    }
    atomBlank = get(LV2_ATOM__Blank);
    atomObject = get(LV2_ATOM__Object);
    atomResource = get(LV2_ATOM__Resource);
    atomSequence = get(LV2_ATOM__Sequence);
    atomBeatTime = get(LV2_ATOM__beatTime);
    atomUrid = get(LV2_ATOM__URID);
    atomUri = get(LV2_ATOM__URI);
    atomPath = get(LV2_ATOM__Path);
    atomString = get(LV2_ATOM__String);
    atomFloat = get(LV2_ATOM__Float);
    atomDouble = get(LV2_ATOM__Double);
    atomInt = get(LV2_ATOM__Int);
    atomLong = get(LV2_ATOM__Long);
    midiEvent = get(LV2_MIDI__MidiEvent);
    timePosition = get(LV2_TIME__Position);
    timeBeatsPerMinute = get(LV2_TIME__beatsPerMinute);
    patchGet = get(LV2_PATCH__Get);
    patchSet = get(LV2_PATCH__Set);
    patchSubject = get(LV2_PATCH__subject);
    patchProperty = get(LV2_PATCH__property);
    patchValue = get(LV2_PATCH__value);
    bufMaxBlockLength = get(LV2_BUF_SIZE__maxBlockLength);
    bufSequenceSize = get(LV2_BUF_SIZE__sequenceSize);
    logError = get(LV2_LOG__Error);
    logWarning = get(LV2_LOG__Warning);
    logNote = get(LV2_LOG__Note);
    return complete;
}

int Urids::propertyIndex(LV2_URID urid) const noexcept {
    if (urid == 0) {
        return -1;
    }
    for (std::size_t i = 0; i < properties.size(); ++i) {
        if (properties[i] == urid) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace quovent::lv2

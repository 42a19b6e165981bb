// The instance's state as the host keeps it: the whole groove (the groove bank document text,
// sample paths absolute) as an atom:String under #groove, and each file property's path as an
// atom:Path under the property's URI, passed through the host's state:mapPath so that a host
// can move or archive a session together with its files. Restoring reads every key before
// anything is changed and refuses the whole state when the groove is missing or not text, or
// one value is not a path the plug-in can keep.
//
// The state functions' thread (never the audio thread; hosts run restore apart from run()).
#pragma once

#include "formats/lv2/FileProperties.hpp"
#include "formats/lv2/Urids.hpp"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <string>

namespace quovent::lv2 {

class StateIo {
public:
    struct Restored {
        LV2_State_Status status = LV2_STATE_SUCCESS;
        FileProperties::Paths paths; // only when status is LV2_STATE_SUCCESS
        std::string groove;          // the groove text, without its closing zero
        std::string reason;          // why it was refused
    };

    explicit StateIo(const Urids& urids) : urids_(urids) {}

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle,
                          const LV2_Feature* const* features, const FileProperties::Paths& paths,
                          const std::string& groove) const;
    Restored restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                     const LV2_Feature* const* features) const;

private:
    const Urids& urids_;
};

} // namespace quovent::lv2

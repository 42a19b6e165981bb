// The instance's state as the host keeps it: the whole groove (the groove bank document text,
// its sample paths as the host's state:mapPath made them) as an atom:String under #groove, and
// each file property's path, mapped the same way, as an atom:Path under the property's URI, so
// that a host can show the files in its file choosers and move or archive a session together
// with them. Reading takes every key before anything is changed: a key the state leaves out
// takes its default (no groove: what a new instance holds; no path: no file), and a key of the
// wrong type, or not ending where its value ends, refuses the whole state.
//
// The state functions' thread (never the audio thread; hosts run restore apart from run()).
#pragma once

#include "formats/lv2/FileProperties.hpp"
#include "formats/lv2/Urids.hpp"
#include "instrument/StatePaths.hpp"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <string>

namespace quovent::lv2 {

class StateIo {
public:
    struct Read {
        LV2_State_Status status = LV2_STATE_SUCCESS;
        std::string groove;          // the groove text, without its closing zero
        FileProperties::Paths paths; // as the host mapped them back
        std::string reason;          // why it was refused
    };

    explicit StateIo(const Urids& urids) : urids_(urids) {}

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle,
                          const StatePaths& paths, const FileProperties::Paths& files,
                          const std::string& groove) const;
    Read read(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
              const StatePaths& paths) const;

private:
    const Urids& urids_;
};

} // namespace quovent::lv2

// The host's state:mapPath (and state:freePath) as the instrument's StatePaths: sample paths
// go into a saved state as the host's abstract paths and come back absolute. Without the
// feature paths stay as they are. Made for one save or restore, from that call's features.
//
// The state functions' thread.
#pragma once

#include "instrument/StatePaths.hpp"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <string>

namespace quovent::lv2 {

class HostStatePaths final : public StatePaths {
public:
    explicit HostStatePaths(const LV2_Feature* const* features);

    std::string toState(const std::string& absolute) const override;
    std::string fromState(const std::string& stored) const override;

private:
    // A path the host made, freed as the state interface asks; empty for a null one.
    std::string adopt(char* path) const;

    const LV2_State_Map_Path* map_ = nullptr;
    const LV2_State_Free_Path* free_ = nullptr;
};

} // namespace quovent::lv2

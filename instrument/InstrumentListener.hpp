// What the instrument tells the plug-in format it runs in: parameter edits the user made in
// the editor, so the format can tell its host (VST 2: audioMasterAutomate; VST 3:
// begin/perform/end edit; LV2: control port writes).
//
// Threads: called on the thread that made the edit (the editor's), never on the audio
// thread, and never for values the host itself set. The instrument's model lock is not held
// during these calls, so the host may call back into the instance.
#pragma once

#include "instrument/ParameterTable.hpp"

namespace quovent {

class InstrumentListener {
public:
    virtual ~InstrumentListener() = default;

    // A drag over the parameter's control starts; edits until parameterEditEnded belong to
    // one gesture.
    virtual void parameterEditBegan(ParameterId /*id*/) {}
    // The model holds the new value already (plain value, within the parameter's range).
    virtual void parameterEdited(ParameterId /*id*/, float /*value*/) {}
    virtual void parameterEditEnded(ParameterId /*id*/) {}
};

} // namespace quovent

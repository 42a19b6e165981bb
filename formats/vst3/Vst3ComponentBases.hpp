// The interfaces the component object implements, as bases whose two same-named state entries
// are told apart: IComponent::setState/getState carry the instance's state (the groove), while
// IEditController::setState/getState carry the controller's own, which the host keeps apart.
// A class implementing both interfaces directly could not give them different bodies.
//
// Threads: as the interfaces say (see Vst3Component).
#pragma once

#include "formats/vst3/Vst3AbiController.hpp"
#include "formats/vst3/Vst3AbiProcessing.hpp"

namespace quovent {

class Vst3ComponentPart : public vst3::IComponent {
public:
    vst3::tresult QUOVENT_VST3_CALL setState(vst3::IBStream* state) final {
        return setInstanceState(state);
    }
    vst3::tresult QUOVENT_VST3_CALL getState(vst3::IBStream* state) final {
        return getInstanceState(state);
    }

protected:
    ~Vst3ComponentPart() = default;
    virtual vst3::tresult setInstanceState(vst3::IBStream* state) = 0;
    virtual vst3::tresult getInstanceState(vst3::IBStream* state) = 0;
};

class Vst3ControllerPart : public vst3::IEditController {
public:
    vst3::tresult QUOVENT_VST3_CALL setState(vst3::IBStream* state) final {
        return setControllerState(state);
    }
    vst3::tresult QUOVENT_VST3_CALL getState(vst3::IBStream* state) final {
        return getControllerState(state);
    }

protected:
    ~Vst3ControllerPart() = default;
    virtual vst3::tresult setControllerState(vst3::IBStream* state) = 0;
    virtual vst3::tresult getControllerState(vst3::IBStream* state) = 0;
};

} // namespace quovent

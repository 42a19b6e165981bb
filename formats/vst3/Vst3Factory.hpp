// The module's class factory: one object for the life of the library, announcing the one
// class (the instrument, an audio module that is its own edit controller) and creating its
// instances. Answers IPluginFactory, IPluginFactory2 and IPluginFactory3.
//
// Threads: any; the host may create instances from several threads.
#pragma once

#include "formats/vst3/Vst3AbiBase.hpp"

#include <atomic>

namespace quovent {

class Vst3Factory final : public vst3::IPluginFactory3 {
public:
    static Vst3Factory& instance() noexcept;

    vst3::tresult QUOVENT_VST3_CALL queryInterface(const vst3::TUID id, void** obj) override;
    // The factory lives as long as the library; the count is kept for hosts that look.
    vst3::uint32 QUOVENT_VST3_CALL addRef() override;
    vst3::uint32 QUOVENT_VST3_CALL release() override;

    vst3::tresult QUOVENT_VST3_CALL getFactoryInfo(vst3::PFactoryInfo* info) override;
    vst3::int32 QUOVENT_VST3_CALL countClasses() override { return 1; }
    vst3::tresult QUOVENT_VST3_CALL getClassInfo(vst3::int32 index,
                                                 vst3::PClassInfo* info) override;
    vst3::tresult QUOVENT_VST3_CALL createInstance(vst3::FIDString cid, vst3::FIDString interfaceId,
                                                   void** obj) override;
    vst3::tresult QUOVENT_VST3_CALL getClassInfo2(vst3::int32 index,
                                                  vst3::PClassInfo2* info) override;
    vst3::tresult QUOVENT_VST3_CALL getClassInfoUnicode(vst3::int32 index,
                                                        vst3::PClassInfoW* info) override;
    vst3::tresult QUOVENT_VST3_CALL setHostContext(vst3::FUnknown* context) override;

private:
    Vst3Factory() = default;
    ~Vst3Factory() = default;

    std::atomic<vst3::uint32> references_{1};
};

} // namespace quovent

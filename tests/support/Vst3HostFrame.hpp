// The host's frame around a VST 3 view, for tests: resizeView records each size asked for
// and hands it to the test's resize function (which resizes the host's window, as hosts do
// before they tell the view onSize). On Linux the frame answers the host's run loop, as
// hosts' frames do, when the test gives it one.
//
// Owned by the test; release never deletes (see Vst3HostObject). Test thread only.
#pragma once

#include "formats/vst3/Vst3AbiView.hpp"
#include "tests/support/Vst3HostObjects.hpp"

#include <functional>
#include <vector>

namespace quovent::test {

class Vst3HostFrame final : public Vst3HostObject<vst3::IPlugFrame> {
public:
    struct Size {
        int width;
        int height;
        bool operator==(const Size&) const = default;
    };
    // Resizes the host's window; false refuses the size.
    using Resize = std::function<bool(Size)>;

    explicit Vst3HostFrame(vst3::Linux::IRunLoop* runLoop = nullptr, Resize resize = {})
        : runLoop_(runLoop), resize_(std::move(resize)) {}

    vst3::tresult QUOVENT_VST3_CALL queryInterface(const vst3::TUID id, void** obj) override;
    vst3::tresult QUOVENT_VST3_CALL resizeView(vst3::IPlugView* view,
                                               vst3::ViewRect* newSize) override;

    const std::vector<Size>& resizes() const noexcept { return resizes_; }

private:
    vst3::Linux::IRunLoop* runLoop_;
    Resize resize_;
    std::vector<Size> resizes_;
};

} // namespace quovent::test

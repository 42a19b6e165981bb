// The VST 2 plug-in in the conformance suite: loaded by the test host, its blocks as event
// lists and the replacing process entry, its state as the chunk.
#include "tests/conformance/FormatDrivers.hpp"
#include "tests/support/TestHost.hpp"

#include <stdexcept>

namespace quovent::test {

namespace {

constexpr float kVst2Stale = 0.75f; // what the host's buffers held before the block

class Vst2Driver final : public FormatDriver {
public:
    Vst2Driver(double rate, int maxBlock) {
        if (host_.open() == nullptr) {
            throw std::runtime_error("the VST 2 plug-in refused to open");
        }
        host_.prepare(static_cast<float>(rate), maxBlock);
        host_.answers.record = false;
    }

    ProcessBlock::NoteOffs noteOffs() const override {
        return ProcessBlock::NoteOffs::AtBlockStart;
    }
    bool hasParameters() const override { return false; }

    void prepare(const DriverBlock& block) override {
        events_ = std::make_unique<EventList>();
        for (const InstrumentEvent& e : block.events) {
            if (e.kind == InstrumentEvent::Kind::Midi) {
                events_->add({e.frame, e.midi[0], e.midi[1], e.midi[2]});
            }
        }
        list_ = events_->events();
        host_.setTempo(block.tempo);
        buffers_ = std::make_unique<AudioBuffers>(block.frames, kVst2Stale);
    }

    void run() override {
        host_.dispatch(vst::effProcessEvents, 0, 0, list_);
        host_.processReplacing(*buffers_);
    }

    const float* output(int channel) const override { return buffers_->channel(channel); }

    std::optional<std::string> saveState() override {
        std::string chunk = host_.getChunk();
        return chunk.empty() ? std::nullopt : std::optional<std::string>(std::move(chunk));
    }
    bool restoreState(std::string_view bytes) override {
        return host_.setChunk(std::string(bytes)) == 1;
    }
    void setHostValue(ParameterId /*id*/, double /*value*/) override {}

private:
    TestHost host_;
    std::unique_ptr<EventList> events_;
    vst::VstEvents* list_ = nullptr;
    std::unique_ptr<AudioBuffers> buffers_;
};

} // namespace

std::unique_ptr<FormatDriver> makeVst2Driver(double rate, int maxBlock) {
    return std::make_unique<Vst2Driver>(rate, maxBlock);
}

} // namespace quovent::test

// The VST 3 bundle in the conformance suite: loaded by the test host, its blocks as event
// lists, parameter queues and a process context, its state through a memory stream. A host's
// value between blocks reaches the processor as the next block's first queue point.
#include "instrument/ParameterTable.hpp"
#include "tests/conformance/FormatDrivers.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <stdexcept>

namespace quovent::test {

namespace {

using namespace quovent::vst3;

constexpr float kVst3Stale = 0.75f;

Vst3Module& module() {
    static Vst3Module loaded; // loaded once, as a host keeps a module for its instances
    return loaded;
}

class Vst3Driver final : public FormatDriver {
public:
    Vst3Driver(double rate, int maxBlock) : plugin_(module()) {
        if (plugin_.setUp(rate, maxBlock) != kResultOk) {
            throw std::runtime_error("the VST 3 plug-in refused its set-up");
        }
        context_.state = ProcessContext::kTempoValid;
        context_.sampleRate = rate;
    }

    ProcessBlock::NoteOffs noteOffs() const override { return ProcessBlock::NoteOffs::AtFrame; }
    bool hasParameters() const override { return true; }

    void prepare(const DriverBlock& block) override {
        events_ = std::make_unique<Vst3EventList>();
        changes_ = std::make_unique<Vst3ParameterChanges>();
        for (const auto& [id, value] : pending_) {
            changes_->add(id, 0, value);
        }
        pending_.clear();
        for (const InstrumentEvent& e : block.events) {
            if (e.kind == InstrumentEvent::Kind::Parameter) {
                const quovent::ParameterInfo* info = ParameterTable::find(e.parameter);
                changes_->add(e.parameter, e.frame, ParameterTable::toNormalized(*info, e.value));
                continue;
            }
            const int channel = e.midi[0] & 0x0F;
            const bool on = (e.midi[0] & 0xF0) == 0x90 && e.midi[2] != 0;
            const float velocity = static_cast<float>(e.midi[2]) / 127.0f;
            events_->add(on ? Vst3EventList::noteOn(e.frame, channel, e.midi[1], velocity)
                            : Vst3EventList::noteOff(e.frame, channel, e.midi[1], velocity));
        }
        context_.tempo = block.tempo;
        buffers_ = std::make_unique<Vst3OutputBuffers>(block.frames, kVst3Stale);
    }

    void run() override { plugin_.process(*buffers_, events_.get(), changes_.get(), &context_); }

    const float* output(int channel) const override { return buffers_->channel(channel); }

    std::optional<std::string> saveState() override { return plugin_.state(); }
    bool restoreState(std::string_view bytes) override {
        return plugin_.setState(std::string(bytes)) == kResultOk;
    }
    void setHostValue(ParameterId id, double value) override { pending_.emplace_back(id, value); }

private:
    Vst3Instance plugin_;
    ProcessContext context_{};
    std::unique_ptr<Vst3EventList> events_;
    std::unique_ptr<Vst3ParameterChanges> changes_;
    std::unique_ptr<Vst3OutputBuffers> buffers_;
    std::vector<std::pair<ParameterId, double>> pending_;
};

} // namespace

std::unique_ptr<FormatDriver> makeVst3Driver(double rate, int maxBlock) {
    return std::make_unique<Vst3Driver>(rate, maxBlock);
}

} // namespace quovent::test

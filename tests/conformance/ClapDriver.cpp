// The CLAP library in the conformance suite: loaded by the test host, its blocks as event
// lists (drum notes in the MIDI dialect, other notes and parameter values in CLAP's) with a
// transport giving the tempo, its state through memory streams. A host's value between blocks
// reaches the plug-in as the next block's first event.
#include "tests/conformance/FormatDrivers.hpp"
#include "tests/support/ClapTestHost.hpp"

namespace quovent::test {

namespace {

constexpr float kClapStale = 0.75f; // what the host's buffers held before the block

ClapLibrary& clapLibrary() {
    static ClapLibrary loaded; // loaded once, as a host keeps a library for its instances
    return loaded;
}

class ClapDriver final : public FormatDriver {
public:
    ClapDriver(double rate, int maxBlock)
        : plugin_(clapLibrary(), host_, rate, static_cast<std::uint32_t>(maxBlock)) {}

    ProcessBlock::NoteOffs noteOffs() const override { return ProcessBlock::NoteOffs::AtFrame; }
    bool hasParameters() const override { return true; }

    void prepare(const DriverBlock& block) override {
        events_ = std::make_unique<ClapEventList>();
        for (const auto& [id, value] : pending_) {
            events_->add(ClapEventList::param(0, id, value));
        }
        pending_.clear();
        for (const InstrumentEvent& e : block.events) {
            const auto frame = static_cast<std::uint32_t>(e.frame);
            const int channel = e.midi[0] & 0x0F;
            if (e.kind == InstrumentEvent::Kind::Parameter) {
                events_->add(ClapEventList::param(frame, e.parameter, e.value));
            } else if (channel == 9) {
                events_->add(ClapEventList::midi(frame, e.midi[0], e.midi[1], e.midi[2]));
            } else {
                const bool on = (e.midi[0] & 0xF0) == 0x90 && e.midi[2] != 0;
                events_->add(ClapEventList::note(on ? clap::kEventNoteOn : clap::kEventNoteOff,
                                                 frame, channel, e.midi[1], e.midi[2] / 127.0));
            }
        }
        tempo_ = block.tempo;
        buffers_ = std::make_unique<ClapBuffers>(block.frames, kClapStale);
    }

    void run() override { plugin_.process(*buffers_, events_.get(), nullptr, tempo_); }

    const float* output(int channel) const override { return buffers_->channel(channel); }

    std::optional<std::string> saveState() override { return plugin_.save(); }
    bool restoreState(std::string_view bytes) override { return plugin_.load(bytes); }
    void setHostValue(ParameterId id, double value) override { pending_.emplace_back(id, value); }

private:
    ClapTestHost host_;
    ClapInstance plugin_;
    std::unique_ptr<ClapEventList> events_;
    std::unique_ptr<ClapBuffers> buffers_;
    double tempo_ = 0.0;
    std::vector<std::pair<ParameterId, double>> pending_;
};

} // namespace

std::unique_ptr<FormatDriver> makeClapDriver(double rate, int maxBlock) {
    return std::make_unique<ClapDriver>(rate, maxBlock);
}

} // namespace quovent::test

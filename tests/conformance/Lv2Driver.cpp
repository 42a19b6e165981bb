// The LV2 bundle in the conformance suite: loaded through lilv, its blocks as atom sequences
// (MIDI, and the tempo as a time:Position at the block's start) and control port values. A
// parameter change within a block is carried out as hosts automate LV2 plug-ins: the block is
// run in two pieces, the control port set between them, the ports connected at the piece's
// place in the block. The state is the groove under #groove through the state interface.
#include "formats/lv2/PluginUris.hpp"
#include "formats/lv2/PortLayout.hpp"
#include "instrument/ParameterTable.hpp"
#include "tests/conformance/FormatDrivers.hpp"
#include "tests/support/Lv2TestHost.hpp"
#include "tests/support/Lv2TestInstance.hpp"

#include <lv2/atom/atom.h>

#include <map>
#include <stdexcept>

namespace quovent::test {

namespace {

using lv2::PluginUris;
using lv2::PortLayout;

constexpr float kLv2Stale = 0.75f;
constexpr std::size_t kSequenceBytes = 8192;

Lv2TestHost& host() {
    static Lv2TestHost made;
    return made;
}

std::uint32_t portOf(ParameterId id) {
    return PortLayout::kFirstParameter + static_cast<std::uint32_t>(ParameterTable::indexOf(id));
}

class Lv2Driver final : public FormatDriver {
public:
    Lv2Driver(double rate, int maxBlock)
        : maxBlock_(maxBlock), out_(static_cast<std::size_t>(PortLayout::kAudioOuts) *
                                    static_cast<std::size_t>(maxBlock)) {
        Lv2InstanceOptions options;
        options.sampleRate = rate;
        options.maxBlockLength = static_cast<std::uint32_t>(maxBlock);
        instance_ = Lv2TestInstance::create(host(), options);
        if (instance_ == nullptr) {
            throw std::runtime_error("the LV2 plug-in refused to be made");
        }
    }

    ProcessBlock::NoteOffs noteOffs() const override { return ProcessBlock::NoteOffs::AtFrame; }
    bool hasParameters() const override { return true; }
    bool restoresBesideProcess() const override { return false; }

    void prepare(const DriverBlock& block) override {
        used_ = 0;
        frames_ = block.frames;
        startPiece(0);
        for (const auto& [port, value] : pending_) {
            piece().controls.emplace_back(port, value);
        }
        pending_.clear();
        piece().sequence->tempo(0, static_cast<float>(block.tempo));
        for (const InstrumentEvent& e : block.events) {
            if (e.kind == InstrumentEvent::Kind::Parameter) {
                if (e.frame > piece().start) {
                    startPiece(e.frame);
                }
                piece().controls.emplace_back(portOf(e.parameter), e.value);
            } else {
                piece().sequence->midi(e.frame - piece().start, {e.midi[0], e.midi[1], e.midi[2]});
            }
        }
        for (std::uint32_t c = 0; c < PortLayout::kAudioOuts; ++c) {
            std::fill_n(channel(c), frames_, kLv2Stale);
        }
    }

    void run() override {
        for (std::size_t p = 0; p < used_; ++p) {
            Piece& piece = pieces_[p];
            const int end = p + 1 < used_ ? pieces_[p + 1].start : frames_;
            for (const auto& [port, value] : piece.controls) {
                instance_->controlAt(port) = value;
            }
            instance_->connect(PortLayout::kControlIn, piece.sequence->data());
            for (std::uint32_t c = 0; c < PortLayout::kAudioOuts; ++c) {
                instance_->connect(PortLayout::kFirstAudioOut + c, channel(c) + piece.start);
            }
            instance_->runPlugin(static_cast<std::uint32_t>(end - piece.start));
            instance_->deliverResponses();
        }
        instance_->reconnect();
    }

    const float* output(int c) const override {
        return out_.data() + static_cast<std::ptrdiff_t>(c) * maxBlock_;
    }

    std::optional<std::string> saveState() override {
        Lv2StateValues values;
        if (instance_->saveValues(values) != LV2_STATE_SUCCESS) {
            return std::nullopt;
        }
        const std::string& groove = values[host().urid(PluginUris::kGroove)].bytes;
        return groove.substr(0, groove.empty() ? 0 : groove.size() - 1); // without its zero
    }

    bool restoreState(std::string_view bytes) override {
        Lv2StateValues values;
        values[host().urid(PluginUris::kGroove)] = {std::string(bytes) + '\0',
                                                    host().urid(LV2_ATOM__String)};
        return instance_->restoreValues(values) == LV2_STATE_SUCCESS;
    }

    void setHostValue(ParameterId id, double value) override {
        pending_.emplace_back(portOf(id), static_cast<float>(value));
    }

private:
    struct Piece {
        int start = 0;
        std::vector<std::pair<std::uint32_t, float>> controls;
        std::unique_ptr<AtomSequenceBuilder> sequence;
    };

    // The pieces and their sequences are kept from block to block: a block of one frame
    // costs no more than it must.
    void startPiece(int start) {
        if (used_ == pieces_.size()) {
            Piece made;
            made.sequence =
                std::make_unique<AtomSequenceBuilder>(host().urids().mapFeature(), kSequenceBytes);
            pieces_.push_back(std::move(made));
        }
        Piece& next = pieces_[used_++];
        next.start = start;
        next.controls.clear();
        next.sequence->clear();
    }
    Piece& piece() { return pieces_[used_ - 1]; }

    float* channel(std::uint32_t c) {
        return out_.data() + static_cast<std::ptrdiff_t>(c) * maxBlock_;
    }

    int maxBlock_;
    int frames_ = 0;
    std::vector<float> out_;
    std::unique_ptr<Lv2TestInstance> instance_;
    std::vector<Piece> pieces_;
    std::size_t used_ = 0;
    std::vector<std::pair<std::uint32_t, float>> pending_;
};

} // namespace

std::unique_ptr<FormatDriver> makeLv2Driver(double rate, int maxBlock) {
    return std::make_unique<Lv2Driver>(rate, maxBlock);
}

} // namespace quovent::test

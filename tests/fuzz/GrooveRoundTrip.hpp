// What the state and bank fuzz targets check alike. Every input starts from one base groove;
// the input is offered to the instrument (as a saved state, or as a bank file to import).
// A refusal must say why and leave the groove exactly as it was. An accepted groove must
// play (its current pattern, every slot's drum note and a pitched note, checked as every
// block is) and save as text that restores to the same groove. The groove is compared as a
// GrooveSnapshot, which holds everything the text is written from; a groove that passed once
// passes again (the checks depend on nothing else), so each distinct groove is checked once.
// After an accepted input the base groove is restored from its shortest text before the
// next one. One input at a time, on one thread.
#pragma once

#include "tests/fuzz/CheckedOutputs.hpp"
#include "tests/fuzz/FuzzKit.hpp"
#include "tests/fuzz/GrooveSnapshot.hpp"

#include "instrument/Instrument.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>

namespace quovent::fuzz {

class GrooveRoundTrip {
public:
    // baseText: a state text that restores the base groove, which `load` gives a fresh
    // instrument; both must agree, and the base's saved state must restore to itself.
    template <typename Load>
    GrooveRoundTrip(Load load, std::string baseText, const char* refused)
        : baseText_(std::move(baseText)) {
        if (!load(instrument_)) {
            fail(refused);
        }
        base_ = GrooveSnapshot::of(instrument_);
        const std::string saved = instrument_.saveState();
        require(instrument_.restoreState(saved).ok && instrument_.saveState() == saved &&
                    GrooveSnapshot::of(instrument_) == base_,
                "the base state does not restore to itself");
        restoreBase();
    }

    // Offers one input: `offer` hands it to the instrument and answers its result.
    template <typename Offer> void check(Offer offer) {
        if (changed_) {
            restoreBase();
        }
        const unsigned changes = instrument_.stateChanges();
        const BankImportResult result = offer(instrument_);
        if (!result.ok) {
            require(!result.error.empty(), "a refusal without a reason");
            require(instrument_.stateChanges() == changes &&
                        GrooveSnapshot::of(instrument_) == base_,
                    "a refused input changed the state");
            return;
        }
        const GrooveSnapshot accepted = GrooveSnapshot::of(instrument_);
        changed_ = !(accepted == base_);
        if (!checked_.insert(accepted.hash()).second) {
            return;
        }
        const std::string saved = instrument_.saveState();
        play();
        require(instrument_.restoreState(saved).ok,
                "the saved form of an accepted input is refused");
        require(GrooveSnapshot::of(instrument_) == accepted,
                "the saved state does not restore to itself");
    }

private:
    void restoreBase() {
        require(instrument_.restoreState(baseText_).ok && GrooveSnapshot::of(instrument_) == base_,
                "the base state does not restore as it was");
        changed_ = false;
    }

    // The groove's current pattern from the Play button, each slot's drum note and a note on
    // each slot's own channel, fast enough for several steps in the block; then a block at
    // the default tempo puts the tempo-synchronised slots back as a restore makes them.
    void play() {
        std::array<InstrumentEvent, 2 * capacity::kRowSlots> notes{};
        for (int s = 0; s < capacity::kRowSlots; ++s) {
            const auto u = static_cast<std::uint8_t>(s);
            notes[static_cast<std::size_t>(2 * s)] = InstrumentEvent::midiMessage(
                64 * s, 0x90 | Sequencer::kDrumChannel, Sequencer::kFirstDrumNote + u, 100);
            notes[static_cast<std::size_t>(2 * s + 1)] =
                InstrumentEvent::midiMessage(32 * s, 0x90 | u, 48 + 5 * u, 90);
        }
        instrument_.setPlaying(true);
        outputs_.process(instrument_, CheckedOutputs::kMaxFrames, notes, Sequencer::kMaxTempo);
        outputs_.process(instrument_, 1, {}, 0.0);
        instrument_.reset();
    }

    Instrument instrument_;
    std::string baseText_;
    GrooveSnapshot base_;  // the groove every input starts from
    bool changed_ = false; // an accepted input replaced it
    std::unordered_set<std::uint64_t> checked_;
    CheckedOutputs outputs_;
};

} // namespace quovent::fuzz

// What the state and bank fuzz targets check alike. Every input starts from one base groove;
// the input is offered to the instrument (as a saved state, or as a bank file to import);
// a refusal must say why and leave the saved state exactly as it was, and an accepted input
// must save as text that restores to itself. After an accepted input the base groove is
// restored before the next one. One input at a time, on one thread.
#pragma once

#include "tests/fuzz/FuzzKit.hpp"

#include "instrument/Instrument.hpp"

#include <string>

namespace quovent::fuzz {

class GrooveRoundTrip {
public:
    // The base groove given by `load` on a fresh instrument; it must restore to itself.
    template <typename Load> explicit GrooveRoundTrip(Load load, const char* refused) {
        if (!load(instrument_)) {
            fail(refused);
        }
        base_ = instrument_.saveState();
        if (!instrument_.restoreState(base_).ok || instrument_.saveState() != base_) {
            fail("the base state does not restore to itself");
        }
    }

    // Offers one input: `offer` hands it to the instrument and answers its result.
    template <typename Offer> void check(Offer offer) {
        if (changed_) {
            require(instrument_.restoreState(base_).ok, "the base state is refused");
            changed_ = false;
        }
        const BankImportResult result = offer(instrument_);
        if (!result.ok) {
            require(!result.error.empty(), "a refusal without a reason");
            require(instrument_.saveState() == base_, "a refused input changed the state");
            return;
        }
        changed_ = true;
        const std::string saved = instrument_.saveState();
        require(instrument_.restoreState(saved).ok,
                "the saved form of an accepted input is refused");
        require(instrument_.saveState() == saved, "the saved state does not restore to itself");
    }

private:
    Instrument instrument_;
    std::string base_;     // the state every input starts from
    bool changed_ = false; // an accepted input replaced it
};

} // namespace quovent::fuzz

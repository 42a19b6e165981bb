// A host for an editor: the HostServices the editor asks, and the instrument's listener, so
// that the parameter edits the instrument passes on are recorded as a format would hear them.
#pragma once

#include "editor/HostServices.hpp"
#include "instrument/Instrument.hpp"

#include <string>
#include <utility>
#include <vector>

namespace quovent::test {

class FakeHost : public HostServices, public InstrumentListener {
public:
    explicit FakeHost(Instrument& instrument) : instrument_(instrument) {
        instrument_.setListener(this);
    }
    ~FakeHost() override { instrument_.setListener(nullptr); }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    void parameterEdited(ParameterId id, float value) override {
        automated.emplace_back(id, value);
    }
    void parameterEditBegan(ParameterId id) override { gestures.push_back(static_cast<int>(id)); }
    void parameterEditEnded(ParameterId id) override { gestures.push_back(-static_cast<int>(id)); }
    void beginEdit(int index) override { edits.push_back(index); }
    void endEdit(int index) override { edits.push_back(-index); }
    void masterIdle() override { ++idles; }
    float hostTempo() override { return tempo; }
    bool canHostDo(const char* text) override {
        for (const auto& t : canDoTexts) {
            if (t == text) {
                return true;
            }
        }
        return false;
    }

    std::vector<std::pair<ParameterId, float>> automated;
    std::vector<int> gestures; // parameter ids; negative at the end of a gesture
    std::vector<int> edits;    // control tags; negative at the end of a drag
    int idles = 0;
    float tempo = 0.0f;
    std::vector<std::string> canDoTexts;

private:
    Instrument& instrument_;
};

} // namespace quovent::test

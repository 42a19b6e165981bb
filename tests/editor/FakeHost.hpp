// A HostServices that records what the editor asks of the host.
#pragma once

#include "editor/HostServices.hpp"

#include <string>
#include <utility>
#include <vector>

namespace quovent::test {

class FakeHost : public HostServices {
public:
    void setParameterAutomated(int index, float value) override {
        automated.emplace_back(index, value);
    }
    void beginEdit(int index) override { edits.push_back(index); }
    void endEdit(int index) override { edits.push_back(-index); }
    void masterIdle() override { ++idles; }
    float hostTempo() override { return tempo; }
    float sampleRate() const override { return rate; }
    bool canHostDo(const char* text) override {
        for (const auto& t : canDoTexts) {
            if (t == text) {
                return true;
            }
        }
        return false;
    }

    std::vector<std::pair<int, float>> automated;
    std::vector<int> edits;
    int idles = 0;
    float tempo = 0.0f;
    float rate = 44100.0f;
    std::vector<std::string> canDoTexts;
};

} // namespace quovent::test

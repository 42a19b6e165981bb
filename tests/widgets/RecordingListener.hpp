// A listener that records every report, for tests.
#pragma once

#include "widgets/Control.hpp"

#include <functional>
#include <vector>

namespace quovent::test {

struct Report {
    int tag;
    float value;
};

class RecordingListener : public ValueListener {
public:
    void valueChanged(DrawContext* /*context*/, Control& control) override {
        reports.push_back({control.tag(), control.value()});
        if (onChange) {
            onChange(control);
        }
    }
    std::vector<float> values() const {
        std::vector<float> v;
        for (const Report& r : reports) {
            v.push_back(r.value);
        }
        return v;
    }
    std::vector<Report> reports;
    std::function<void(Control&)> onChange;
};

} // namespace quovent::test

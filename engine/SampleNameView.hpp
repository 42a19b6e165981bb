// Where a slot shows the name of its sample. The editor supplies one per slot row while
// its window is open; without one nothing is shown.
#pragma once

namespace quovent {

class SampleNameView {
public:
    virtual ~SampleNameView() = default;
    // Editor thread. The text is at most capacity::kPathText - 1 characters.
    virtual void showSampleText(const char* text) = 0;
};

} // namespace quovent

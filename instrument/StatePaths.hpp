// How a host wants sample paths written into and read from the state it keeps in its
// project. LV2 hosts map them to paths of their own (state:mapPath), so that a session can be
// moved or archived together with its files; the other formats keep absolute paths and need
// no mapping (a null StatePaths).
//
// Called under the instrument's model lock, on the thread of the host's save or restore.
#pragma once

#include <string>

namespace quovent {

class StatePaths {
public:
    virtual ~StatePaths() = default;

    // An absolute sample path as the state is to keep it. A host that cannot map it gets the
    // path as it is.
    virtual std::string toState(const std::string& absolute) const = 0;
    // A sample path read from a state, as an absolute path again. A path the host cannot
    // map comes back as it is (and is refused when it is not absolute).
    virtual std::string fromState(const std::string& stored) const = 0;

protected:
    StatePaths() = default;
    StatePaths(const StatePaths&) = default;
    StatePaths& operator=(const StatePaths&) = default;
};

} // namespace quovent

// Lets a test see a file it has no read permission for fail to open, also when the tests run
// as root: while the object lives, the calling thread works without the capabilities that let
// root read and search any file (it keeps them in its permitted set and takes them back at
// the end). Linux only; elsewhere, or without those capabilities, it changes nothing.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quovent::test {

class WithoutFileOverride {
public:
    WithoutFileOverride() {
        if (syscall(SYS_capget, &header_, saved_) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutFileOverride() {
        if (active_) {
            syscall(SYS_capset, &header_, saved_);
        }
    }
    WithoutFileOverride(const WithoutFileOverride&) = delete;
    WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;

    // True when a file without read permission now really cannot be read.
    static bool permissionsHold() { return geteuid() != 0 || overrideDropped(); }

private:
    static bool overrideDropped() {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        return syscall(SYS_capget, &header, data) == 0 &&
               (data[0].effective & (1u << CAP_DAC_OVERRIDE)) == 0 &&
               (data[0].effective & (1u << CAP_DAC_READ_SEARCH)) == 0;
    }

    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

} // namespace quovent::test

#pragma once

// Root reads any file whatever its mode, through CAP_DAC_OVERRIDE and
// CAP_DAC_READ_SEARCH. While this object lives the calling thread has neither
// in effect, so that a file of mode 0 is unreadable for root as for anyone;
// they come back when it goes (they stay permitted). For anyone else there is
// nothing to drop.
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

class NoReadOverride {
public:
    NoReadOverride()
    {
        if (geteuid() != 0)
            return;
        if (syscall(SYS_capget, &header_, saved_) != 0) {
            failure_ = std::strerror(errno);
            return;
        }
        __user_cap_data_struct dropped[2] = {saved_[0], saved_[1]};
        dropped[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        if (syscall(SYS_capset, &header_, dropped) != 0)
            failure_ = std::strerror(errno);
        else
            dropped_ = true;
    }
    ~NoReadOverride()
    {
        if (dropped_)
            syscall(SYS_capset, &header_, saved_);
    }
    NoReadOverride(const NoReadOverride&) = delete;
    NoReadOverride& operator=(const NoReadOverride&) = delete;

    // Why the capabilities could not be dropped; empty when they were, or
    // there were none.
    const std::string& failure() const { return failure_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
    std::string failure_;
};

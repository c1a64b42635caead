#pragma once

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include <sys/mount.h>
#include <sys/stat.h>

// A small tmpfs mounted on a folder of the test's own and then filled to the
// last byte, so that any further write fails with ENOSPC. Mounting needs root
// (as CI has); reason() says why the disk could not be had, for the skip.
class FullDisk {
public:
    // size: the tmpfs's size option, room enough for what the test writes
    // before it fills the disk.
    explicit FullDisk(std::string folder, const std::string& size = "64k") : folder_(std::move(folder))
    {
        mkdir(folder_.c_str(), 0755);
        if (mount("tmpfs", folder_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) {
            reason_ = "cannot mount a tmpfs on " + folder_ + " (" + std::strerror(errno) + "; needs root)";
            return;
        }
        mounted_ = true;
    }
    ~FullDisk()
    {
        if (mounted_)
            umount2(folder_.c_str(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }
    const std::string& folder() const { return folder_; }

    // Takes up every byte that is left.
    void Fill()
    {
        std::ofstream filler(folder_ + "/filler", std::ios::binary);
        const std::string block(512, 'f');
        while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush()) {
        }
        // Smaller pieces for the tail of the last block.
        filler.clear();
        while (filler.put('f') && filler.flush()) {
        }
    }

private:
    std::string folder_;
    std::string reason_;
    bool mounted_ = false;
};

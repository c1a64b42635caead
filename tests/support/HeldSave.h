#pragma once

// A save run in a child process and held, through the file layer's seam,
// once its bytes are in its temporary file and before that is renamed over
// the name: the test does what it likes meanwhile, then lets the save finish
// or kills it as a crash would. With newPidNamespace the child runs as
// `unshare --pid --fork` runs a command: the first process of a PID namespace
// of its own, where none of this one's process ids mean anything.
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "Writes.h"

class HeldSave {
public:
    // save answers whether it succeeded; hold false runs it through unheld.
    explicit HeldSave(const std::function<bool()>& save, bool newPidNamespace = false, bool hold = true)
    {
        int up[2], down[2];
        if (pipe(up) != 0 || pipe(down) != 0) {
            failure_ = std::strerror(errno);
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(up[0]);
            close(down[1]);
            _exit(RunChild(save, newPidNamespace, hold, up[1], down[0]));
        }
        close(up[1]);
        close(down[0]);
        toChild_ = down[1];
        // A line from the child: the temporary file's path, or "!" and why it
        // could not run; nothing when it ended unheld.
        std::string line;
        char c = 0;
        while (read(up[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(up[0]);
        if (line.starts_with('!'))
            failure_ = line.substr(1);
        else
            temporary_ = line;
    }
    ~HeldSave()
    {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            Wait();
        }
        if (toChild_ >= 0)
            close(toChild_);
    }
    HeldSave(const HeldSave&) = delete;
    HeldSave& operator=(const HeldSave&) = delete;

    // Why the child could not run as asked (no PID namespace to be had, say).
    const std::string& failure() const { return failure_; }
    // The held save's temporary file; empty when it was not held.
    const std::string& temporary() const { return temporary_; }

    // Lets the save go on and answers whether it succeeded.
    bool Finish()
    {
        close(toChild_);
        toChild_ = -1;
        return Wait() == 0;
    }
    // Ends the child as a crash would, in the middle of its save.
    void Kill()
    {
        kill(pid_, SIGKILL);
        Wait();
    }

private:
    static int RunChild(const std::function<bool()>& save, bool newPidNamespace, bool hold, int up, int down)
    {
        if (newPidNamespace) {
            if (unshare(CLONE_NEWPID) != 0) {
                const std::string why = std::string("!cannot make a PID namespace: ") + std::strerror(errno) + "\n";
                [[maybe_unused]] const ssize_t said = write(up, why.data(), why.size());
                return 2;
            }
            // Only a child of the caller of unshare is in the new namespace.
            const pid_t inner = fork();
            if (inner != 0) {
                int status = 0;
                if (inner < 0 || waitpid(inner, &status, 0) != inner || !WIFEXITED(status))
                    return 3;
                return WEXITSTATUS(status);
            }
            if (getpid() != 1)
                return 4;
        }
        if (hold)
            SetReplaceHoldForTesting([up, down](const std::string& temporary) {
                const std::string line = temporary + "\n";
                [[maybe_unused]] const ssize_t said = write(up, line.data(), line.size());
                char go = 0;
                [[maybe_unused]] const ssize_t got = read(down, &go, 1);  // until the test closes its end
            });
        const bool saved = save();
        close(up);
        return saved ? 0 : 1;
    }

    int Wait()
    {
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        ended_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid_ = -1;
    int toChild_ = -1;
    bool ended_ = false;
    std::string failure_;
    std::string temporary_;
};

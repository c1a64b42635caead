#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "KeptTexts.h"

// Writes a window's kept text on a thread of its own: the sync that makes
// the file safe takes milliseconds, which the window's keys and drawing do
// not wait for. A text posted while another waits replaces it; only the
// newest matters.
class KeepWriter {
public:
    // onFault is called on the writer's thread with the reason of each
    // failed write.
    KeepWriter(KeptTexts& store, std::function<void(const std::string&)> onFault);
    // Finish().
    ~KeepWriter();
    KeepWriter(const KeepWriter&) = delete;
    KeepWriter& operator=(const KeepWriter&) = delete;

    void Post(std::u16string units, int32_t cursor);
    // Writes what waits, on the caller's thread, after any write under way,
    // and ends the thread; onFault is not called again. Answers the reason
    // when that last write fails.
    std::optional<std::string> Finish();

private:
    void Run();

    KeptTexts& store;
    std::function<void(const std::string&)> onFault;
    std::mutex mutex;
    std::condition_variable posted;
    std::optional<std::pair<std::u16string, int32_t>> waiting;
    bool finishing = false;
    std::thread thread;
};

#include "KeepWriter.h"

KeepWriter::KeepWriter(KeptTexts& keptTexts, std::function<void(const std::string&)> faultHandler)
    : store(keptTexts), onFault(std::move(faultHandler)), thread([this] { Run(); })
{
}

KeepWriter::~KeepWriter()
{
    Finish();
}

void KeepWriter::Post(std::u16string units, int32_t cursor)
{
    {
        const std::lock_guard lock(mutex);
        if (finishing)
            return;
        waiting.emplace(std::move(units), cursor);
    }
    posted.notify_one();
}

void KeepWriter::Run()
{
    std::unique_lock lock(mutex);
    for (;;) {
        posted.wait(lock, [this] { return waiting || finishing; });
        if (finishing)
            return;
        const auto [units, cursor] = std::move(*waiting);
        waiting.reset();
        lock.unlock();
        if (const auto fault = store.Keep(units, cursor))
            onFault(*fault);
        lock.lock();
    }
}

std::optional<std::string> KeepWriter::Finish()
{
    std::optional<std::pair<std::u16string, int32_t>> last;
    {
        const std::lock_guard lock(mutex);
        if (finishing)
            return std::nullopt;
        finishing = true;
        last = std::move(waiting);
        waiting.reset();
    }
    posted.notify_one();
    thread.join();
    return last ? store.Keep(last->first, last->second) : std::nullopt;
}

#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace quorvane::test {

// Runs `work` on a thread of its own and waits a minute at most for its result: work that never
// ends then fails the test instead of hanging it, and its thread is left to the process's end.
template <typename Work> auto bounded(Work work) -> std::optional<decltype(work())> {
    using Result = decltype(work());
    auto done = std::make_shared<std::promise<Result>>();
    std::future<Result> result = done->get_future();
    std::thread([done, work = std::move(work)]() mutable { done->set_value(work()); }).detach();
    if (result.wait_for(std::chrono::minutes(1)) != std::future_status::ready)
        return std::nullopt;
    return result.get();
}

} // namespace quorvane::test

// gtParallelFor: runs work(i) for every i below a count on up to a number of threads, the
// calling thread among them.
//
// Indices are claimed from one counter, so each runs exactly once, on whichever thread claims
// it; fewer threads than asked are used when no more can be had (down to the calling thread
// alone). After every index has run, the exception of the lowest index that threw, if any, is
// thrown again on the calling thread. Cost: one atomic increment per index.
#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

template <class Work>
void gtParallelFor(size_t count, unsigned threads, const Work& work) {
    std::atomic<size_t> next{0};
    std::vector<std::exception_ptr> errors(count);
    auto run = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            try {
                work(i);
            } catch (...) {
                errors[i] = std::current_exception();
            }
        }
    };
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < threads && t < count; ++t) {
        try {
            workers.emplace_back(run);
        } catch (const std::system_error&) {
            break;  // fewer threads
        }
    }
    run();
    for (std::thread& worker : workers) worker.join();
    for (const std::exception_ptr& error : errors) {
        if (error) {
            std::rethrow_exception(error);
        }
    }
}

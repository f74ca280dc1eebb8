// ParallelChunkOptimiser: runs the per-chunk optimisation of every chunk ahead of the writer on
// worker threads, and hands the results back in chunk order.
//
// With n threads, n - 1 workers claim chunks in increasing order; the writing thread, while the
// chunk it takes is not ready, claims and optimises the next unclaimed chunks itself, that one or
// later ones (so one thread means no worker and the same code path, and no thread idles while a
// chunk is left). Each chunk is optimised exactly once, by one thread, and
// touches only its own chunk and weights. A worker's exception is kept with its chunk and
// thrown again by Take on the writing thread, as if the chunk had been optimised there.
// Destroying the optimiser stops the workers after their current chunk and joins them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "MeshAnimConverter/mesh/ChunkOptimiser.h"

class ExportUserInterface;

class ParallelChunkOptimiser : public ChunkOptimiser {
public:
    using Work = OptimisedChunk (*)(IndexedMesh& mesh, uint32_t chunk);

    // `threads` counts the writing thread; 0 is taken as 1. `ui`, when given, is shown how many
    // chunks are optimised. `work` optimises one chunk (tests pass their own).
    explicit ParallelChunkOptimiser(unsigned threads, ExportUserInterface* ui = nullptr,
                                    Work work = OptimiseChunk);
    ~ParallelChunkOptimiser() override;
    ParallelChunkOptimiser(const ParallelChunkOptimiser&) = delete;
    ParallelChunkOptimiser& operator=(const ParallelChunkOptimiser&) = delete;

    void Begin(IndexedMesh& mesh) override;
    OptimisedChunk Take(uint32_t chunk) override;

private:
    struct Slot {
        bool done = false;
        OptimisedChunk result;
        std::exception_ptr error;
    };

    // Claims the next chunk and optimises it; false when none is left.
    bool OptimiseNext();
    bool Done(uint32_t chunk);
    void RunWorker();
    void Stop();

    unsigned m_threads;
    ExportUserInterface* m_ui;
    Work m_work;
    uint32_t m_done = 0;  // chunks optimised, under m_mutex
    IndexedMesh* m_mesh = nullptr;
    uint32_t m_count = 0;
    std::vector<Slot> m_slots;
    std::atomic<uint32_t> m_next{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<std::thread> m_workers;
};

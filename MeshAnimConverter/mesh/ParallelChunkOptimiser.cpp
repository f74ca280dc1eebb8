// ParallelChunkOptimiser: chunks claimed in order from one counter, results gathered per chunk.
#include "MeshAnimConverter/mesh/ParallelChunkOptimiser.h"

#include <algorithm>
#include <system_error>

#include "MeshAnimConverter/mesh/IndexedMesh.h"
#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "toolkit/gtString.h"

ParallelChunkOptimiser::ParallelChunkOptimiser(unsigned threads, ExportUserInterface* ui, Work work)
    : m_threads(threads > 0 ? threads : 1), m_ui(ui), m_work(work) {}

ParallelChunkOptimiser::~ParallelChunkOptimiser() {
    Stop();
}

void ParallelChunkOptimiser::Stop() {
    m_stop = true;
    for (std::thread& worker : m_workers) {
        worker.join();
    }
    m_workers.clear();
}

void ParallelChunkOptimiser::Begin(IndexedMesh& mesh) {
    Stop();
    m_stop = false;
    m_mesh = &mesh;
    m_count = mesh.ChunkCount();
    m_slots.assign(m_count, Slot{});
    m_next = 0;
    m_done = 0;
    // no more workers than chunks the writing thread will not take itself
    const unsigned workers = m_count > 1 ? std::min(m_threads - 1, m_count - 1) : 0;
    for (unsigned w = 0; w < workers; ++w) {
        try {
            m_workers.emplace_back([this] { RunWorker(); });
        } catch (const std::system_error&) {
            break;  // fewer threads: the writing thread does the rest
        }
    }
}

bool ParallelChunkOptimiser::OptimiseNext() {
    if (m_stop) {
        return false;
    }
    const uint32_t chunk = m_next.fetch_add(1);
    if (chunk >= m_count) {
        return false;
    }
    Slot done;
    try {
        done.result = m_work(*m_mesh, chunk);
    } catch (...) {
        done.error = std::current_exception();
    }
    done.done = true;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_slots[chunk] = std::move(done);
        ++m_done;
        if (m_ui != nullptr) {
            const gtString status =
                gtString::Format("Optimizing chunks: %u of %u", m_done, m_count);
            m_ui->ShowStatus(status.c_str());
            m_ui->ShowProgress(static_cast<float>(m_done) / static_cast<float>(m_count));
        }
    }
    m_ready.notify_all();
    return true;
}

void ParallelChunkOptimiser::RunWorker() {
    while (OptimiseNext()) {
    }
}

OptimisedChunk ParallelChunkOptimiser::Take(uint32_t chunk) {
    // while this chunk is not ready, the writing thread optimises chunks nobody has claimed yet,
    // this one or later ones, rather than wait beside a busy worker
    while (!Done(chunk) && OptimiseNext()) {
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_ready.wait(lock, [&] { return m_slots[chunk].done; });
    Slot& slot = m_slots[chunk];
    if (slot.error) {
        std::rethrow_exception(slot.error);
    }
    return std::move(slot.result);
}

bool ParallelChunkOptimiser::Done(uint32_t chunk) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_slots[chunk].done;
}

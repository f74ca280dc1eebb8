// TriangleFollower: batches of complete triangles handed from the loading thread to a reading
// thread through one queue.
#include "MeshAnimConverter/scene/TriangleFollower.h"

#include <new>
#include <type_traits>
#include <utility>

#include "MeshAnimConverter/scene/TriangleReader.h"
#include "toolkit/platform/Platform.h"

static_assert(std::is_trivially_destructible_v<TriangleFollower::Result>,
              "results are dropped with their blocks");

void TriangleFollower::FreeBlock::operator()(Result* block) const {
    platform::UnmapPages(block, kBlockBytes);
}

TriangleFollower::~TriangleFollower() {
    Stop();
}

void TriangleFollower::Ready(gtXmlElementRef element, gtXmlElementRef parent) noexcept {
    if (m_givenUp || !element->IsNamed("triangle") || !parent->IsNamed("triangles")) {
        return;
    }
    try {
        m_batch.push_back(element);
    } catch (...) {
        m_givenUp = true;  // what is not read ahead is read afterwards
        return;
    }
    if (m_batch.size() >= kBatch) {
        Flush();
    }
}

void TriangleFollower::Flush() noexcept {
    try {
        if (!m_thread.joinable()) {
            m_thread = std::thread([this] { Run(); });
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.insert(m_queue.end(), m_batch.begin(), m_batch.end());
        }
        m_wake.notify_one();
        m_batch.clear();
    } catch (...) {
        m_givenUp = true;
    }
}

void TriangleFollower::Abandon() noexcept {
    Stop();
}

void TriangleFollower::Stop() noexcept {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_idle.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_givenUp = true;
}

void TriangleFollower::Drain() noexcept {
    if (!m_batch.empty()) {
        Flush();
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [&] { return m_stop || (m_queue.empty() && !m_reading); });
}

void TriangleFollower::Run() noexcept {
    std::vector<gtXmlElementRef> batch;
    try {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_reading = false;
                m_idle.notify_all();
                m_wake.wait(lock, [&] { return m_stop || !m_queue.empty(); });
                if (m_stop) {
                    return;
                }
                batch.swap(m_queue);
                m_reading = true;
            }
            ReadBatch(batch);
            batch.clear();
        }
    } catch (...) {
        // out of memory: the triangles not read here are read afterwards
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;  // nothing more is read
    m_idle.notify_all();
}

void TriangleFollower::ReadBatch(const std::vector<gtXmlElementRef>& batch) {
    for (const gtXmlElementRef element : batch) {
        if (m_stop.load(std::memory_order_relaxed)) {
            return;
        }
        if (m_count % kBlock == 0 && m_count / kBlock == m_blocks.size()) {
            std::unique_ptr<Result, FreeBlock> block(
                static_cast<Result*>(platform::MapPages(kBlockBytes)));
            if (!block) {
                throw std::bad_alloc();
            }
            m_blocks.push_back(std::move(block));
        }
        Result& result = *new (&(*this)[m_count]) Result();
        if (ReadTriangleQuietly(element, result.triangle)) {
            result.position = element.Position();
            ++m_count;
        }
    }
}

void TriangleFollower::ReleaseBefore(size_t i) {
    for (; m_released < i / kBlock && m_released < m_blocks.size(); ++m_released) {
        m_blocks[m_released].reset();
    }
}

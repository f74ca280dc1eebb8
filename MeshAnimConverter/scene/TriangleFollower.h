// TriangleFollower: reads <triangle> elements quietly on a thread of its own while the document
// is still being loaded, for ReadTriangleElements to take afterwards.
//
// Told of each element four levels down (document element, <mesh>, <triangles>, <triangle>) as
// soon as it is complete, it reads those named "triangle" under one named "triangles" the way
// the reading ahead does: nothing is shown, and a triangle whose reading would show a message is
// left out, for the reading thread to read in its turn. Each result keeps its element's
// position. Which <mesh> and <triangles> blocks count is settled after the load: results are
// matched by position, so those of other blocks are never used. The loading thread only queues
// elements (in batches); the parse and the triangles' reading share the two cores.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "MeshAnimConverter/scene/SceneData.h"
#include "xml/gtXmlCompactDoc.h"
#include "xml/gtXmlLoadWatcher.h"

class TriangleFollower final : public gtXmlLoadWatcher {
public:
    struct Result {
        uint32_t position = 0;
        SceneTriangle triangle;
    };

    TriangleFollower() = default;
    TriangleFollower(const TriangleFollower&) = delete;
    TriangleFollower& operator=(const TriangleFollower&) = delete;
    ~TriangleFollower() override;

    int Depth() const override { return 4; }
    void Ready(gtXmlElementRef element, gtXmlElementRef parent) noexcept override;
    void Abandon() noexcept override;

    // Stops the reading after the triangle in hand and joins the thread; the results are then
    // final, in document order.
    void Stop() noexcept;
    // Hands over the elements in hand and waits until every element given is read (for tests:
    // the reading then covers exactly what was given).
    void Drain() noexcept;

    // After Stop: result i, and the release of the memory of results before i.
    size_t Count() const { return m_count; }
    Result& operator[](size_t i) { return m_blocks[i / kBlock].get()[i % kBlock]; }
    void ReleaseBefore(size_t i);

private:
    static constexpr size_t kBatch = 64;
    // Results go into blocks of 4 MiB of pages from the system, raw until written, each given
    // back to the system as soon as ReadTriangleElements has taken it, so that the results and
    // the triangles they are copied to are never both whole (blocks from the heap stayed with
    // the reading thread's heap: a million triangles then peaked 190 MB higher).
    static constexpr size_t kBlockBytes = size_t{4} << 20;
    static constexpr size_t kBlock = kBlockBytes / sizeof(Result);
    struct FreeBlock {
        void operator()(Result* block) const;
    };

    void Flush() noexcept;
    void Run() noexcept;
    void ReadBatch(const std::vector<gtXmlElementRef>& batch);

    // the loading thread's
    alignas(64) std::vector<gtXmlElementRef> m_batch;
    bool m_givenUp = false;

    alignas(64) std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::vector<gtXmlElementRef> m_queue;  // under m_mutex
    bool m_reading = false;                // under m_mutex: a batch is being read
    std::atomic<bool> m_stop{false};
    std::thread m_thread;

    // the reading thread's until Stop
    alignas(64) std::vector<std::unique_ptr<Result, FreeBlock>> m_blocks;
    size_t m_count = 0;
    size_t m_released = 0;  // blocks freed by ReleaseBefore
};

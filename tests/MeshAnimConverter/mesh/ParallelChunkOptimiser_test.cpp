// The parallel chunk optimiser: results handed back in chunk order whatever the thread count,
// each chunk optimised once, a worker's exception thrown again by Take on the writing thread,
// early stops that never hang, and the IM writer failing cleanly when memory runs out.
#include "MeshAnimConverter/mesh/ParallelChunkOptimiser.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

#include "MeshAnimConverter/mesh/IndexedMesh.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshTestFiles.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "tests/MeshAnimConverter/scene/LogCapture.h"

namespace {

constexpr uint32_t kMaxChunks = 64;
std::array<std::atomic<int>, kMaxChunks> g_calls;
std::atomic<int> g_throwAt{-1};

void ResetCalls() {
    for (auto& c : g_calls) {
        c = 0;
    }
    g_throwAt = -1;
}

// Uneven work, so workers finish out of order; prints its chunk number.
OptimisedChunk CountingWork(IndexedMesh& mesh, uint32_t chunk) {
    ++g_calls[chunk];
    volatile uint64_t spin = 0;
    for (uint32_t i = 0; i < (chunk * 7919u % 13u) * 20000u; ++i) {
        spin = spin + i;
    }
    if (static_cast<int>(chunk) == g_throwAt) {
        throw std::bad_alloc();
    }
    mesh.chunks[chunk]->meanTriangleArea = static_cast<float>(chunk);
    OptimisedChunk result;
    result.vertexCount = chunk;
    result.printed = "chunk " + std::to_string(chunk) + "\n";
    return result;
}

OptimisedChunk LogicErrorAtThree(IndexedMesh& mesh, uint32_t chunk) {
    if (chunk == 3) {
        throw std::logic_error("three");
    }
    return CountingWork(mesh, chunk);
}

void AddChunks(IndexedMesh& mesh, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        mesh.chunks.push_back(std::make_unique<IndexedMeshChunk>());
        mesh.chunks.back()->name = "m";
    }
    mesh.influencesPerVertex.assign(count, 0);
}

TEST(ParallelChunkOptimiser, HandsBackEveryChunkInOrderOnceForAnyThreadCount) {
    for (unsigned threads : {0u, 1u, 2u, 3u, 8u}) {
        for (uint32_t count : {0u, 1u, 2u, 5u, 40u}) {
            ResetCalls();
            IndexedMesh mesh;
            AddChunks(mesh, count);
            {
                ParallelChunkOptimiser optimiser(threads, nullptr, CountingWork);
                optimiser.Begin(mesh);
                for (uint32_t i = 0; i < count; ++i) {
                    const OptimisedChunk r = optimiser.Take(i);
                    EXPECT_TRUE(r.ok);
                    EXPECT_EQ(r.vertexCount, i);
                    EXPECT_EQ(r.printed, "chunk " + std::to_string(i) + "\n");
                    EXPECT_EQ(mesh.chunks[i]->meanTriangleArea, static_cast<float>(i));
                }
            }
            for (uint32_t i = 0; i < count; ++i) {
                EXPECT_EQ(g_calls[i].load(), 1) << threads << " threads, chunk " << i;
            }
        }
    }
}

// Chunk 0 is done only once chunk 1 has been started, and chunk 1 only once chunk 3 is done:
// with two threads, the one holding chunk 1 waits, so the other must optimise chunks 2 and 3,
// the writing thread too while it waits for an earlier chunk (waiting beside the worker instead
// ends only by the time limit).
std::array<std::atomic<bool>, 4> g_started;
std::atomic<bool> g_chunkThreeDone{false};
std::atomic<bool> g_timedOut{false};

void WaitFor(const std::atomic<bool>& flag) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!flag) {
        if (std::chrono::steady_clock::now() > limit) {
            g_timedOut = true;
            return;
        }
        std::this_thread::yield();
    }
}

OptimisedChunk OneWaitsForThree(IndexedMesh& mesh, uint32_t chunk) {
    if (chunk < 4) {
        g_started[chunk] = true;
    }
    if (chunk == 0) {
        WaitFor(g_started[1]);
    }
    if (chunk == 1) {
        WaitFor(g_chunkThreeDone);
    }
    OptimisedChunk result = CountingWork(mesh, chunk);
    if (chunk == 3) {
        g_chunkThreeDone = true;
    }
    return result;
}

TEST(ParallelChunkOptimiser, TheWritingThreadOptimisesLaterChunksWhileItWaits) {
    for (int run = 0; run < 5 && !g_timedOut; ++run) {
        ResetCalls();
        for (auto& started : g_started) {
            started = false;
        }
        g_chunkThreeDone = false;
        IndexedMesh mesh;
        AddChunks(mesh, 6);
        ParallelChunkOptimiser optimiser(2, nullptr, OneWaitsForThree);
        optimiser.Begin(mesh);
        for (uint32_t i = 0; i < 6; ++i) {
            EXPECT_EQ(optimiser.Take(i).vertexCount, i);
        }
    }
    EXPECT_FALSE(g_timedOut) << "a thread waited for a chunk while chunks were left";
}

TEST(ParallelChunkOptimiser, AWorkersOutOfMemoryIsThrownByTakeOfThatChunk) {
    for (unsigned threads : {1u, 4u}) {
        ResetCalls();
        g_throwAt = 2;
        IndexedMesh mesh;
        AddChunks(mesh, 6);
        ParallelChunkOptimiser optimiser(threads, nullptr, CountingWork);
        optimiser.Begin(mesh);
        EXPECT_EQ(optimiser.Take(0).printed, "chunk 0\n");
        EXPECT_EQ(optimiser.Take(1).printed, "chunk 1\n");
        EXPECT_THROW(optimiser.Take(2), std::bad_alloc);
    }
}

TEST(ParallelChunkOptimiser, OtherExceptionsPassThroughUnchanged) {
    ResetCalls();
    IndexedMesh mesh;
    AddChunks(mesh, 5);
    ParallelChunkOptimiser optimiser(3, nullptr, LogicErrorAtThree);
    optimiser.Begin(mesh);
    for (uint32_t i = 0; i < 3; ++i) {
        optimiser.Take(i);
    }
    EXPECT_THROW(optimiser.Take(3), std::logic_error);
}

TEST(ParallelChunkOptimiser, StoppingEarlyJoinsTheWorkers) {
    ResetCalls();
    IndexedMesh mesh;
    AddChunks(mesh, kMaxChunks);
    {
        ParallelChunkOptimiser optimiser(4, nullptr, CountingWork);
        optimiser.Begin(mesh);
        optimiser.Take(0);
    }  // destroyed with most chunks never taken
    for (const auto& c : g_calls) {
        EXPECT_LE(c.load(), 1);
    }
}

TEST(ParallelChunkOptimiser, ASecondBeginStartsOver) {
    ResetCalls();
    IndexedMesh first, second;
    AddChunks(first, 3);
    AddChunks(second, 7);
    ParallelChunkOptimiser optimiser(2, nullptr, CountingWork);
    optimiser.Begin(first);
    optimiser.Take(0);
    optimiser.Begin(second);
    for (uint32_t i = 0; i < 7; ++i) {
        EXPECT_EQ(optimiser.Take(i).vertexCount, i);
    }
}

// Out of memory in the middle of writing: both errors, a failed write, the old file intact and
// no temporary left; what chunks before it printed is printed, nothing after.
TEST(ParallelChunkOptimiser, OutOfMemoryFailsTheImWriteCleanly) {
    for (unsigned threads : {1u, 2u, 8u}) {
        ResetCalls();
        g_throwAt = 3;
        ScratchFolder folder;
        const std::string path = folder.File("big.im");
        WriteWholeFile(path, "old contents");
        IndexedMesh mesh;
        AddChunks(mesh, 10);
        ParallelChunkOptimiser optimiser(threads, nullptr, CountingWork);
        NullExportUserInterface ui;
        std::FILE* console = std::tmpfile();
        LogCapture log;
        EXPECT_FALSE(WriteIndexedMeshFile(path.c_str(), mesh, nullptr, optimiser,
                                          ReportContext{programLog, ui, console}));
        EXPECT_EQ(log.Lines(),
                  (std::vector<std::string>{"Error: Out of memory writing IM file: '" + path + "'",
                                            "Error: Failed to write IM file: '" + path + "'"}));
        std::rewind(console);
        char text[256] = {};
        const size_t n = std::fread(text, 1, sizeof text - 1, console);
        std::fclose(console);
        EXPECT_EQ(std::string(text, n), "chunk 0\nchunk 1\nchunk 2\n");
        EXPECT_EQ(ReadWholeFile(path), "old contents");
        int entries = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            (void)entry;
            ++entries;
        }
        EXPECT_EQ(entries, 1);
    }
}

}  // namespace

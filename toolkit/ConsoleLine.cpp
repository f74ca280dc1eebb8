// ConsoleLine: one registered clearer under one lock.
#include "toolkit/ConsoleLine.h"

#include <mutex>

namespace {

std::mutex g_lock;
ConsoleLine::Clearer g_clear = nullptr;
void* g_context = nullptr;

}  // namespace

void ConsoleLine::Register(Clearer clear, void* context) {
    const std::lock_guard<std::mutex> lock(g_lock);
    g_clear = clear;
    g_context = context;
}

void ConsoleLine::Clear() {
    const std::lock_guard<std::mutex> lock(g_lock);
    if (g_clear != nullptr) {
        g_clear(g_context);
    }
}

// ThreadCount: how many threads the per-chunk optimisation may use. VANTOK_THREADS, a positive
// integer, caps the hardware's count (1: one thread); unset, empty, 0 or not a number leaves the
// hardware's count. Nothing is logged about it.
#pragma once

// `value` is the variable's text (null when unset); `hardware` the hardware's thread count (0
// when unknown, taken as 1). Always at least 1.
unsigned ThreadCountSetting(const char* value, unsigned hardware);

// The setting for this process: VANTOK_THREADS over std::thread::hardware_concurrency().
unsigned ConfiguredThreadCount();

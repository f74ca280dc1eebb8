// gtArray: the growable array used by the scene model and the toolkit's containers.
//
// Count, capacity and a growth step. Appending to a full array grows the capacity by the step,
// or, with a step of 0, by an eighth of the count clamped to 4..1024. New elements are
// default-initialised, removed ones destroyed; the array owns its elements. Trivially copyable
// elements are moved with realloc, so large arrays with small fixed steps stay cheap to grow.
#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

template <class T>
class gtArray {
public:
    explicit gtArray(int growStep = 0) noexcept : m_growStep(growStep) {}
    gtArray(const gtArray& other) : m_growStep(other.m_growStep) { CopyFrom(other); }
    gtArray(gtArray&& other) noexcept { Swap(other); }
    ~gtArray() {
        Clear();
        std::free(m_data);
    }

    gtArray& operator=(const gtArray& other) {
        if (this != &other) {
            Clear();
            CopyFrom(other);
        }
        return *this;
    }
    gtArray& operator=(gtArray&& other) noexcept {
        if (this != &other) {
            Clear();
            std::free(m_data);
            m_data = nullptr;
            m_capacity = 0;
            Swap(other);
        }
        return *this;
    }

    int Count() const noexcept { return m_count; }
    int Capacity() const noexcept { return m_capacity; }
    int GrowStep() const noexcept { return m_growStep; }
    void SetGrowStep(int step) noexcept { m_growStep = step; }
    bool IsEmpty() const noexcept { return m_count == 0; }

    T& operator[](int i) noexcept { return m_data[i]; }
    const T& operator[](int i) const noexcept { return m_data[i]; }
    T& Last() noexcept { return m_data[m_count - 1]; }
    const T& Last() const noexcept { return m_data[m_count - 1]; }
    T* Data() noexcept { return m_data; }
    const T* Data() const noexcept { return m_data; }
    T* begin() noexcept { return m_data; }
    T* end() noexcept { return m_data + m_count; }
    const T* begin() const noexcept { return m_data; }
    const T* end() const noexcept { return m_data + m_count; }

    // Appends a default-initialised element and returns it.
    T& AddNew() {
        GrowIfFull();
        T* slot = new (m_data + m_count) T();
        ++m_count;
        return *slot;
    }
    T& Add(const T& value) {
        if (m_count == m_capacity && &value >= m_data && &value < m_data + m_count) {
            T copy(value);
            return Add(std::move(copy));
        }
        GrowIfFull();
        T* slot = new (m_data + m_count) T(value);
        ++m_count;
        return *slot;
    }
    T& Add(T&& value) {
        GrowIfFull();
        T* slot = new (m_data + m_count) T(std::move(value));
        ++m_count;
        return *slot;
    }

    void RemoveAt(int index) {
        for (int i = index; i + 1 < m_count; ++i) {
            m_data[i] = std::move(m_data[i + 1]);
        }
        RemoveLast();
    }
    void RemoveLast() {
        --m_count;
        m_data[m_count].~T();
    }
    void Clear() noexcept {
        while (m_count > 0) {
            --m_count;
            m_data[m_count].~T();
        }
    }
    // Makes room for at least `capacity` elements without changing the count.
    void Reserve(int capacity) {
        if (capacity > m_capacity) {
            Reallocate(capacity);
        }
    }
    // Grows (default-initialising) or shrinks (destroying) to exactly `count` elements.
    void SetCount(int count) {
        Reserve(count);
        while (m_count < count) {
            new (m_data + m_count) T();
            ++m_count;
        }
        while (m_count > count) {
            RemoveLast();
        }
    }

private:
    void GrowIfFull() {
        if (m_count < m_capacity) {
            return;
        }
        int step = m_growStep;
        if (step <= 0) {
            step = m_count / 8;
            step = step < 4 ? 4 : (step > 1024 ? 1024 : step);
        }
        if (m_capacity > 0x7FFFFFFF - step) {
            throw std::bad_alloc();
        }
        Reallocate(m_capacity + step);
    }

    void Reallocate(int capacity) {
        const size_t bytes = sizeof(T) * static_cast<size_t>(capacity);
        if constexpr (std::is_trivially_copyable_v<T>) {
            void* grown = std::realloc(m_data, bytes);
            if (grown == nullptr) {
                throw std::bad_alloc();
            }
            m_data = static_cast<T*>(grown);
        } else {
            T* fresh = static_cast<T*>(std::malloc(bytes));
            if (fresh == nullptr) {
                throw std::bad_alloc();
            }
            for (int i = 0; i < m_count; ++i) {
                new (fresh + i) T(std::move(m_data[i]));
                m_data[i].~T();
            }
            std::free(m_data);
            m_data = fresh;
        }
        m_capacity = capacity;
    }

    void CopyFrom(const gtArray& other) {
        Reserve(other.m_count);
        for (int i = 0; i < other.m_count; ++i) {
            new (m_data + i) T(other.m_data[i]);
            m_count = i + 1;
        }
    }

    void Swap(gtArray& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_count, other.m_count);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_growStep, other.m_growStep);
    }

    T* m_data = nullptr;
    int m_count = 0;
    int m_capacity = 0;
    int m_growStep = 0;
};

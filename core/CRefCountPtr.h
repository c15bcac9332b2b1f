// A reference-counted owning pointer: copies share the object and a heap counter; the last release deletes
// both. Copies may be released from different threads (the counter is atomic); the object itself is not guarded.
#pragma once

#include "platform/Log.h"

#include <atomic>
#include <cinttypes>
#include <cstdint>
#include <utility>

template <class T>
class CRefCountPtr {
public:
    CRefCountPtr() = default;
    explicit CRefCountPtr(T* obj) : m_obj(obj), m_count(new std::atomic<int>(1))
    {
        if (obj) LogError("------------------------ParmInfo:T* pObj=%" PRIxPTR, reinterpret_cast<uintptr_t>(obj));
    }
    CRefCountPtr(const CRefCountPtr& other) : m_obj(other.m_obj), m_count(other.m_count)
    {
        if (m_count) m_count->fetch_add(1);
    }
    CRefCountPtr(CRefCountPtr&& other) noexcept
        : m_obj(std::exchange(other.m_obj, nullptr)), m_count(std::exchange(other.m_count, nullptr))
    {
    }
    CRefCountPtr& operator=(CRefCountPtr other) noexcept
    {
        std::swap(m_obj, other.m_obj);
        std::swap(m_count, other.m_count);
        return *this;
    }
    ~CRefCountPtr() { Release(); }

    // Drops this reference; the last one deletes the object and the counter. This pointer is empty afterwards.
    void Release()
    {
        if (m_count && m_count->fetch_sub(1) == 1) {
            delete m_obj;
            delete m_count;
        }
        m_obj = nullptr;
        m_count = nullptr;
    }

    T* Get() const { return m_obj; }
    T* operator->() const { return m_obj; }
    T& operator*() const { return *m_obj; }
    explicit operator bool() const { return m_obj != nullptr; }
    int UseCount() const { return m_count ? m_count->load() : 0; }

private:
    T* m_obj = nullptr;
    std::atomic<int>* m_count = nullptr;
};

#pragma once

/** Counts heap allocations, heap releases and mutex locks made by one thread while it is inside
    a ScopedCounting. The program that links RealtimeCallCounter.cpp replaces the global
    operator new and delete (every form), malloc, calloc, realloc, free and the aligned
    allocators, and pthread_mutex_lock, with versions that count and then forward to glibc. */
namespace RealtimeCallCounter
{
    struct Counts
    {
        long allocations = 0;
        long deallocations = 0;
        long mutexLocks = 0;

        bool operator== (const Counts&) const = default;
    };

    /** Counts the calls that the current thread makes during its lifetime. Not nestable. */
    class ScopedCounting
    {
    public:
        ScopedCounting() noexcept;
        ~ScopedCounting();

        ScopedCounting (const ScopedCounting&) = delete;
        ScopedCounting& operator= (const ScopedCounting&) = delete;
    };

    /** Totals over every ScopedCounting so far. */
    Counts totals() noexcept;
    void reset() noexcept;
}

#include "RealtimeCallCounter.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <malloc.h>
#include <new>
#include <pthread.h>

extern "C"
{
    void* __libc_malloc (size_t);
    void* __libc_calloc (size_t, size_t);
    void* __libc_realloc (void*, size_t);
    void* __libc_memalign (size_t, size_t);
    void __libc_free (void*);
}

namespace
{
    // Constant-initialised, so reading it from inside malloc allocates nothing itself.
    thread_local bool countingOnThisThread = false;

    std::atomic<long> allocations { 0 };
    std::atomic<long> deallocations { 0 };
    std::atomic<long> mutexLocks { 0 };

    void noteAllocation() noexcept
    {
        if (countingOnThisThread)
            allocations.fetch_add (1, std::memory_order_relaxed);
    }

    void noteDeallocation (void* p) noexcept
    {
        if (p != nullptr && countingOnThisThread)
            deallocations.fetch_add (1, std::memory_order_relaxed);
    }

    void* allocateOrThrow (size_t size)
    {
        noteAllocation();

        if (auto* p = __libc_malloc (size == 0 ? 1 : size))
            return p;

        throw std::bad_alloc();
    }

    void* allocateAlignedOrThrow (size_t size, std::align_val_t alignment)
    {
        noteAllocation();

        if (auto* p = __libc_memalign ((size_t) alignment, size == 0 ? 1 : size))
            return p;

        throw std::bad_alloc();
    }

    void* allocateAligned (size_t size, std::align_val_t alignment) noexcept
    {
        noteAllocation();
        return __libc_memalign ((size_t) alignment, size == 0 ? 1 : size);
    }

    void release (void* p) noexcept
    {
        noteDeallocation (p);
        __libc_free (p);
    }

    using MutexLockFunction = int (*) (pthread_mutex_t*);

    // Looked up on first use, without a function-local static, whose guard could itself lock.
    std::atomic<MutexLockFunction> glibcMutexLock { nullptr };

    MutexLockFunction realMutexLock() noexcept
    {
        auto function = glibcMutexLock.load();

        if (function == nullptr)
        {
            function = reinterpret_cast<MutexLockFunction> (dlsym (RTLD_NEXT, "pthread_mutex_lock"));
            glibcMutexLock.store (function);
        }

        return function;
    }
}

namespace RealtimeCallCounter
{
    ScopedCounting::ScopedCounting() noexcept    { countingOnThisThread = true; }
    ScopedCounting::~ScopedCounting()            { countingOnThisThread = false; }

    Counts totals() noexcept
    {
        return { allocations.load(), deallocations.load(), mutexLocks.load() };
    }

    void reset() noexcept
    {
        allocations = 0;
        deallocations = 0;
        mutexLocks = 0;
    }
}

extern "C"
{
    void* malloc (size_t size) noexcept                       { noteAllocation(); return __libc_malloc (size); }
    void* calloc (size_t count, size_t size) noexcept         { noteAllocation(); return __libc_calloc (count, size); }
    void* realloc (void* p, size_t size) noexcept             { noteAllocation(); return __libc_realloc (p, size); }
    void free (void* p) noexcept                              { release (p); }
    void* memalign (size_t alignment, size_t size) noexcept   { noteAllocation(); return __libc_memalign (alignment, size); }
    void* aligned_alloc (size_t alignment, size_t size) noexcept { noteAllocation(); return __libc_memalign (alignment, size); }

    int posix_memalign (void** result, size_t alignment, size_t size) noexcept
    {
        noteAllocation();

        if (alignment < sizeof (void*) || (alignment & (alignment - 1)) != 0)
            return EINVAL;

        auto* p = __libc_memalign (alignment, size);
        if (p == nullptr)
            return ENOMEM;

        *result = p;
        return 0;
    }

    int pthread_mutex_lock (pthread_mutex_t* mutex) noexcept
    {
        if (countingOnThisThread)
            mutexLocks.fetch_add (1, std::memory_order_relaxed);

        return realMutexLock() (mutex);
    }
}

void* operator new (size_t size)                                                     { return allocateOrThrow (size); }
void* operator new[] (size_t size)                                                   { return allocateOrThrow (size); }
void* operator new (size_t size, const std::nothrow_t&) noexcept                     { noteAllocation(); return __libc_malloc (size == 0 ? 1 : size); }
void* operator new[] (size_t size, const std::nothrow_t&) noexcept                   { noteAllocation(); return __libc_malloc (size == 0 ? 1 : size); }
void* operator new (size_t size, std::align_val_t alignment)                         { return allocateAlignedOrThrow (size, alignment); }
void* operator new[] (size_t size, std::align_val_t alignment)                       { return allocateAlignedOrThrow (size, alignment); }
void* operator new (size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept   { return allocateAligned (size, alignment); }
void* operator new[] (size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept { return allocateAligned (size, alignment); }

// The sized forms, which GCC calls by default; Clang declares them only with -fsized-deallocation.
#if ! __cpp_sized_deallocation
void operator delete (void* p, size_t) noexcept;
void operator delete[] (void* p, size_t) noexcept;
void operator delete (void* p, size_t, std::align_val_t) noexcept;
void operator delete[] (void* p, size_t, std::align_val_t) noexcept;
#endif

void operator delete (void* p) noexcept                                              { release (p); }
void operator delete[] (void* p) noexcept                                            { release (p); }
void operator delete (void* p, size_t) noexcept                                      { release (p); }
void operator delete[] (void* p, size_t) noexcept                                    { release (p); }
void operator delete (void* p, const std::nothrow_t&) noexcept                       { release (p); }
void operator delete[] (void* p, const std::nothrow_t&) noexcept                     { release (p); }
void operator delete (void* p, std::align_val_t) noexcept                            { release (p); }
void operator delete[] (void* p, std::align_val_t) noexcept                          { release (p); }
void operator delete (void* p, size_t, std::align_val_t) noexcept                    { release (p); }
void operator delete[] (void* p, size_t, std::align_val_t) noexcept                  { release (p); }
void operator delete (void* p, std::align_val_t, const std::nothrow_t&) noexcept     { release (p); }
void operator delete[] (void* p, std::align_val_t, const std::nothrow_t&) noexcept   { release (p); }

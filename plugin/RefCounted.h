#pragma once
// Reference counting for the plug-in's objects. A new object starts at 0 and is handed out
// after one AddRef; Release destroys it when the count reaches 0 and says whether it did.
#include <atomic>
#include <cstdint>

namespace Plugin {

namespace Detail {

// N = 0: a plain counter, for objects that belong to one thread (combo items, the DMS
// converter). N = 1: an interlocked counter, for the plug-in object the host may share.
template <int N>
class CRefCountedBase;

template <>
class CRefCountedBase<0> {
protected:
    std::int32_t IncrementCount() noexcept { return ++Count; }
    std::int32_t DecrementCount() noexcept { return --Count; }
private:
    std::int32_t Count = 0;
};

template <>
class CRefCountedBase<1> {
protected:
    std::int32_t IncrementCount() noexcept { return Count.fetch_add(1, std::memory_order_relaxed) + 1; }
    std::int32_t DecrementCount() noexcept { return Count.fetch_sub(1, std::memory_order_acq_rel) - 1; }
private:
    std::atomic<std::int32_t> Count{0};
};

}  // namespace Detail

// Implements AddRef and Release of interface I; the virtual destructor it declares comes
// after all of I's operations in the table.
template <typename I, int N>
class CRefCountedImpl : public I, Detail::CRefCountedBase<N> {
public:
    CRefCountedImpl() = default;
    CRefCountedImpl(const CRefCountedImpl&) = delete;
    CRefCountedImpl& operator=(const CRefCountedImpl&) = delete;
    virtual ~CRefCountedImpl() = default;

    void AddRef() override { this->IncrementCount(); }

    bool Release() override
    {
        if (this->DecrementCount() != 0)
            return false;
        delete this;
        return true;
    }
};

// The base of the plug-in object: the only user of the interlocked counter.
template <typename I>
class CPluginImpl : public CRefCountedImpl<I, 1> {
};

// Holds one reference to a counted object and releases it when replaced or destroyed.
// Replacing stores the new reference first and releases the old one after.
template <typename T>
class CRef {
public:
    CRef() = default;
    // Takes over a reference the caller already owns.
    explicit CRef(T* owned) noexcept : Object(owned) {}
    CRef(const CRef&) = delete;
    CRef& operator=(const CRef&) = delete;
    ~CRef() { Reset(nullptr); }

    void Reset(T* owned) noexcept
    {
        T* old = Object;
        Object = owned;
        if (old)
            old->Release();
    }
    T* Get() const noexcept { return Object; }
    T* operator->() const noexcept { return Object; }
    explicit operator bool() const noexcept { return Object != nullptr; }

private:
    T* Object = nullptr;
};

}  // namespace Plugin

#pragma once
// An owning holder of one COM interface reference: released when replaced or when the
// holder goes away, so the browser hosting keeps no manual release paths.
#include <unknwn.h>

#include <memory>
#include <utility>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : m_p(p) {  // NOLINT: takes a new reference, as a copy would
        if (m_p != nullptr) m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Release(); }
    ComPtr& operator=(const ComPtr& other) {
        ComPtr copy(other);
        std::swap(m_p, copy.m_p);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != std::addressof(other)) {
            Release();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    operator T*() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters: releases what is held first.
    T** operator&() {
        Release();
        return &m_p;
    }
    void Release() {
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }
    // Takes over a reference the caller owns.
    void Attach(T* p) {
        Release();
        m_p = p;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }

    // The object's interface Q, or an empty holder.
    template <typename Q>
    ComPtr<Q> As(REFIID iid) const {
        ComPtr<Q> out;
        if (m_p != nullptr) m_p->QueryInterface(iid, reinterpret_cast<void**>(&out));
        return out;
    }

private:
    T* m_p = nullptr;
};

// Whether two interface pointers belong to the same COM object (their IUnknowns match).
inline bool IsSameComObject(IUnknown* a, IUnknown* b) {
    if (a == nullptr || b == nullptr) return false;
    ComPtr<IUnknown> ua, ub;
    if (FAILED(a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ua)))) return false;
    if (FAILED(b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ub)))) return false;
    return ua.Get() == ub.Get();
}

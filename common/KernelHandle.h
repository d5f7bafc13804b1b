#pragma once
// The one owner of a kernel handle (file, process, thread, event, mutex, wait object's
// event, ...): closed once, when replaced or when the holder goes away. Both "no handle"
// values the system uses (null and INVALID_HANDLE_VALUE) count as empty.
#include <windows.h>

#include <utility>

namespace vorn {

class KernelHandle {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) : m_handle(handle) {}
    ~KernelHandle() { Close(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    KernelHandle(KernelHandle&& other) noexcept : m_handle(other.Detach()) {}
    KernelHandle& operator=(KernelHandle&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    bool ok() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return ok(); }
    HANDLE get() const { return m_handle; }

    // Takes ownership of handle, closing the one held before.
    void Attach(HANDLE handle) {
        if (handle == m_handle) return;
        Close();
        m_handle = handle;
    }
    HANDLE Detach() { return std::exchange(m_handle, nullptr); }
    // True when nothing was held or the system closed it; the holder is empty either way.
    bool Close() {
        if (!ok()) {
            m_handle = nullptr;
            return true;
        }
        const BOOL closed = ::CloseHandle(std::exchange(m_handle, nullptr));
        return closed != FALSE;
    }

private:
    HANDLE m_handle = nullptr;
};

}  // namespace vorn

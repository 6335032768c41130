#pragma once

#include <windows.h>

#include <utility>

// Owns a kernel handle and closes it once. Null and INVALID_HANDLE_VALUE both mean "none".
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other) {
            reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ~ScopedHandle() { reset(); }

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    // Hands the handle over to a new owner, which closes it.
    HANDLE release() { return std::exchange(handle_, nullptr); }
    void reset(HANDLE handle = nullptr)
    {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// Owns a service-manager or service handle. Where the order of closing matters, the owner
// calls reset() explicitly so the order stays visible.
class ScopedScHandle {
public:
    explicit ScopedScHandle(SC_HANDLE handle) : handle_(handle) {}
    ScopedScHandle(const ScopedScHandle&) = delete;
    ScopedScHandle& operator=(const ScopedScHandle&) = delete;
    ~ScopedScHandle() { reset(); }

    SC_HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr; }
    void reset()
    {
        if (handle_ != nullptr) {
            CloseServiceHandle(handle_);
            handle_ = nullptr;
        }
    }

private:
    SC_HANDLE handle_;
};

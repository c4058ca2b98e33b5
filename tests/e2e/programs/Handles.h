#pragma once
// Owners for the kernel handles and registry keys of the tests' own programs.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace e2e {

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

// Empty (false) for both of the system's failure values, null and INVALID_HANDLE_VALUE.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    HANDLE get() const { return handle_.get(); }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser> handle_;
};

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

}  // namespace e2e

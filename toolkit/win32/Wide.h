#pragma once
// UTF-16 text handed to the wide-character Windows calls.
#include <windows.h>

#include "toolkit/String.h"

namespace toolkit::win32 {

inline const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline String FromWide(const wchar_t* text) { return String(reinterpret_cast<const char16_t*>(text)); }
inline String FromWide(const wchar_t* text, std::size_t length) {
    return String(reinterpret_cast<const char16_t*>(text), length);
}

// Owns a kernel handle; CloseHandle when it goes.
class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h) {}
    ~Handle() {
        if (valid()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

}  // namespace toolkit::win32

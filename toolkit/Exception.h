#pragma once
// The toolkit's error classes. Everything the program raises on purpose derives from Exception,
// so a handler can tell the program's own errors from faults of any other kind.
#include <exception>
#include <string>

#include "toolkit/String.h"

namespace toolkit {

class Exception : public std::exception {
public:
    explicit Exception(String message);
    const String& Message() const noexcept { return message_; }
    // Name of the error's class, for the unhandled-error report.
    virtual const char* ClassName() const noexcept { return "Exception"; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    String message_;
    std::string utf8_;
};

// Base may be a qualified name (toolkit::EDatabaseError); the alias keeps the inheriting
// constructor declaration well-formed.
#define TOOLKIT_DECLARE_EXCEPTION(Name, Base)                               \
    class Name : public Base {                                              \
    public:                                                                 \
        using BaseClass = Base;                                             \
        using BaseClass::BaseClass;                                         \
        const char* ClassName() const noexcept override { return #Name; }   \
    }

// Text that is not an integer.
TOOLKIT_DECLARE_EXCEPTION(EConvertError, Exception);
// The registry refused to create a key or write a value, or holds data of an unexpected type.
TOOLKIT_DECLARE_EXCEPTION(ERegistryException, Exception);
// A file could not be created or opened for writing.
TOOLKIT_DECLARE_EXCEPTION(EFCreateError, Exception);
// Any failure of a file operation after the file was opened.
TOOLKIT_DECLARE_EXCEPTION(EInOutError, Exception);
// Data-access errors; the database client derives its own classes from this one.
TOOLKIT_DECLARE_EXCEPTION(EDatabaseError, Exception);

}  // namespace toolkit

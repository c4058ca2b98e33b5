#pragma once
#include <exception>

#include "toolkit/String.h"

namespace toolkit {

struct ErrorText {
    String className;
    String message;
};

// Class name and message of any error, the toolkit's own or not.
ErrorText DescribeError(std::exception_ptr error);

}  // namespace toolkit

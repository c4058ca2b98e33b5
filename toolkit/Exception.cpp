#include "toolkit/Exception.h"

namespace toolkit {

Exception::Exception(String message) : message_(std::move(message)), utf8_(StringToUtf8(message_)) {}

}  // namespace toolkit

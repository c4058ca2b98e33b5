#include "toolkit/ErrorText.h"

#include <typeinfo>

#include "toolkit/Exception.h"

namespace toolkit {

ErrorText DescribeError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return {Utf8ToString(e.ClassName()), e.Message()};
    } catch (const std::exception& e) {
        return {Utf8ToString(typeid(e).name()), Utf8ToString(e.what())};
    } catch (...) {
        return {u"unknown", u"Неизвестная ошибка"};
    }
}

}  // namespace toolkit

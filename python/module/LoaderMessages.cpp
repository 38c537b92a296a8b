#include "python/module/LoaderMessages.h"

#include "utils/Log.h"

namespace FumaraPython {
namespace {

thread_local LoaderMessages* catching = nullptr;

}  // namespace

LoaderMessages::LoaderMessages() : outer_(catching) {
    catching = this;
}

LoaderMessages::~LoaderMessages() {
    catching = outer_;
}

std::string LoaderMessages::text() const {
    const char* space = " \t\r\n";
    const size_t first = text_.find_first_not_of(space);
    if (first == std::string::npos) return "";
    return text_.substr(first, text_.find_last_not_of(space) - first + 1);
}

void LoaderMessages::install() {
    ZUtils::setLogListener(&LoaderMessages::receive);
}

void LoaderMessages::receive(const char* text) {
    if (!catching) return;
    try {
        catching->text_ += text;
    } catch (...) {
        // Out of memory: the reason stays shorter; the log itself must not fail.
    }
}

}  // namespace FumaraPython

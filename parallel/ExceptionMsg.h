// The exception that the built-in thread manager uses internally when one of its lists cannot grow.
// It never leaves the thread manager's public operations.
#pragma once

namespace ZUtils {

class ExceptionMsg {
public:
    explicit ExceptionMsg(const char* message) : m_message(message) {}
    const char* message() const { return m_message; }

private:
    const char* m_message;  // a static text
};

}  // namespace ZUtils

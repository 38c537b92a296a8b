// Catches what the loader logs on the calling thread, so that a failure can carry its reason.
#pragma once

#include <string>

namespace FumaraPython {

// While the object lives, every message the loader logs on this thread is also kept here (the
// log's configured sinks still get it). Other threads' messages are not caught.
class LoaderMessages {
public:
    LoaderMessages();
    ~LoaderMessages();
    LoaderMessages(const LoaderMessages&) = delete;
    LoaderMessages& operator=(const LoaderMessages&) = delete;

    // The messages caught so far, without the white space around them.
    std::string text() const;

    // Routes the log to the catching objects; called once, when the module is imported.
    static void install();

private:
    static void receive(const char* text);

    std::string text_;
    LoaderMessages* outer_;
};

}  // namespace FumaraPython

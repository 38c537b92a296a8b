// Fuzz target: cacheconv's command line. Any argument list parses to "go on" or to exit status 1
// with the missing-number message as the last output.
//
// Input: the arguments after the program name, zero-separated (at most 64).
#include "converter/CommandLine.h"
#include "fuzz/FuzzInput.h"

#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput::Reader in(data, size);
    const std::vector<std::string> arguments = size ? in.strings(64) : std::vector<std::string>();
    std::vector<const char*> argv{"cacheconv"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());

    ConversionSettings settings;
    std::ostringstream out;
    const int status = parseCommandLine(static_cast<int>(argv.size()), argv.data(), settings, out);
    FuzzInput::check(status == -1 || status == 1, "an exit status other than 1");
    const std::string text = out.str();
    const size_t message = text.rfind("A number expected after -");
    FuzzInput::check(status == -1 || (message != std::string::npos && text.find('\n', message) == text.size() - 1),
                     "exit status 1 without the missing-number message");
    return 0;
}

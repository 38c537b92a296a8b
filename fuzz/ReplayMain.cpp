// Replays fuzz inputs without libFuzzer, so that the normal builds (and their sanitizers) run every
// regression input and seed of a target: each file named on the command line, and each file in a
// named folder (in name order), goes once through the target's LLVMFuzzerTestOneInput. A folder
// that does not exist holds no inputs. Fails when no input was found at all.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    std::error_code error;
    for (int i = 1; i < argc; ++i) {
        const size_t first = inputs.size();
        if (fs::is_regular_file(argv[i], error)) inputs.push_back(argv[i]);
        if (fs::is_directory(argv[i], error))
            for (const fs::directory_entry& entry : fs::directory_iterator(argv[i], error))
                if (entry.is_regular_file(error)) inputs.push_back(entry.path());
        std::sort(inputs.begin() + std::ptrdiff_t(first), inputs.end());
    }
    for (const fs::path& input : inputs) {
        std::printf("replaying %s\n", input.c_str()), std::fflush(stdout);
        std::ifstream file(input, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (!file.good() && !file.eof()) {
            std::fprintf(stderr, "cannot read %s\n", input.c_str());
            return 1;
        }
        // As under libFuzzer, an empty input still comes with a valid pointer.
        static const uint8_t none = 0;
        LLVMFuzzerTestOneInput(bytes.empty() ? &none : reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}

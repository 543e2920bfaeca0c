// Replays fuzz inputs without libFuzzer, so a gcc build checks the committed corpus under
// ctest: every regular file named on the command line, or lying directly in a folder named
// there, goes once through LLVMFuzzerTestOneInput. A broken invariant aborts the program.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The inputs an argument names, in name order so that every run replays them alike.
bool CollectInputs(const fs::path& argument, std::vector<fs::path>& inputs) {
    std::error_code error;
    if (!fs::is_directory(argument, error)) {
        if (!fs::is_regular_file(argument, error)) {
            std::fprintf(stderr, "%s: not a file or folder\n", argument.c_str());
            return false;
        }
        inputs.push_back(argument);
        return true;
    }
    std::vector<fs::path> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(argument, error)) {
        if (entry.is_regular_file(error)) {
            found.push_back(entry.path());
        }
    }
    if (error) {
        std::fprintf(stderr, "%s: %s\n", argument.c_str(), error.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
    return true;
}

// The file's bytes in a buffer of exactly their size, as libFuzzer hands them over, so that a
// sanitizer build sees a read past the end.
bool ReadInput(const fs::path& path, std::unique_ptr<std::uint8_t[]>& buffer, std::size_t& size) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        return false;
    }
    size = bytes.size();
    buffer = std::make_unique<std::uint8_t[]>(size);
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (!CollectInputs(argv[i], inputs)) {
            return 1;
        }
    }
    // An empty corpus would pass while checking nothing.
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    for (const fs::path& input : inputs) {
        std::unique_ptr<std::uint8_t[]> buffer;
        std::size_t size = 0;
        if (!ReadInput(input, buffer, size)) {
            std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
            return 1;
        }
        // Named first, so that the input is known when the target aborts.
        std::fprintf(stderr, "Running: %s (%zu bytes)\n", input.c_str(), size);
        LLVMFuzzerTestOneInput(buffer.get(), size);
    }
    std::printf("Replayed %zu inputs\n", inputs.size());
    return 0;
}

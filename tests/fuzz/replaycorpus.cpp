// The main() of a fuzz target built without libFuzzer: runs the target once
// on every input named on the command line, a folder standing for the files
// in it. A crash, a sanitizer finding or a broken invariant ends the process
// as under libFuzzer; the input being run is named on standard error first.
//   fuzz_<name> FILE_OR_FOLDER...

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
// Weak, as in libFuzzer: a target need not define it.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) __attribute__((weak));

namespace {

namespace fs = std::filesystem;

// The inputs that the arguments name, in a stable order; false when an
// argument names nothing readable.
bool collectInputs(int argc, char **argv, std::vector<fs::path> &inputs)
{
    for (int i = 1; i < argc; ++i) {
        const fs::path argument(argv[i]);
        std::error_code error;
        if (fs::is_directory(argument, error)) {
            std::vector<fs::path> files;
            for (const fs::directory_entry &entry : fs::directory_iterator(argument, error)) {
                if (entry.is_regular_file(error))
                    files.push_back(entry.path());
            }
            if (error) {
                std::fprintf(stderr, "cannot list %s: %s\n", argv[i], error.message().c_str());
                return false;
            }
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else if (fs::is_regular_file(argument, error)) {
            inputs.push_back(argument);
        } else {
            std::fprintf(stderr, "no such file or folder: %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

bool readFile(const fs::path &path, std::vector<uint8_t> &bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<fs::path> inputs;
    if (!collectInputs(argc, argv, inputs))
        return 1;
    // A corpus that was moved or emptied must not pass as replayed.
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER... (no input found)\n", argv[0]);
        return 1;
    }

    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);

    std::vector<uint8_t> bytes;
    for (const fs::path &input : inputs) {
        if (!readFile(input, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", input.c_str());
            return 1;
        }
        std::fprintf(stderr, "replaying %s\n", input.c_str());
        // An empty vector may have no buffer; give the target a valid pointer.
        static const uint8_t nothing = 0;
        LLVMFuzzerTestOneInput(bytes.empty() ? &nothing : bytes.data(), bytes.size());
    }
    std::fprintf(stderr, "%zu inputs replayed without a finding\n", inputs.size());
    return 0;
}

// Replays fuzz inputs through a fuzz target without libFuzzer, so that every compiler (and the
// sanitizer build) runs the seed corpus and every crash found so far as a regression test.
// Arguments: files or folders of inputs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void replay(const std::filesystem::path& file) {
    // Named first, so that an input that aborts the target is the last one named.
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    std::ifstream stream(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream),
                                          std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

} // namespace

int main(int argc, char** argv) {
    std::size_t count = 0;
    for (int at = 1; at < argc; ++at) {
        const std::filesystem::path path(argv[at]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    replay(entry.path());
                    ++count;
                }
            }
        } else if (std::filesystem::is_regular_file(path)) {
            replay(path);
            ++count;
        }
    }
    std::printf("replayed %zu input(s)\n", count);
    return count > 0 ? 0 : 1;
}

// Runs a fuzz target over saved inputs without libFuzzer: each argument is a file, or a directory
// whose files are all run. The test suite uses it to replay the seed corpus and every input that
// once made a target fail, so a fixed fault stays fixed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::fprintf(stderr, "replaying %s (%zu bytes)\n", path.c_str(), bytes.size());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        if (entry.is_regular_file()) RunFile(entry.path()), ++runs;
      }
    } else {
      RunFile(path);
      ++runs;
    }
  }
  std::fprintf(stderr, "%d inputs ran cleanly\n", runs);
  // A replay that finds nothing has tested nothing: the corpus must not go missing unnoticed.
  return runs > 0 ? 0 : 1;
}

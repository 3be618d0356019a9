// The whole unpack job over an arbitrary package, on the real file system. The unpack root lies in
// a scratch directory next to a sentinel file, a directory `outside` and the package itself; the
// root holds a link `link` to `outside`. Whatever the package says:
// - nothing outside the unpack root changes, and nothing is written through the link;
// - no temporary file is left behind;
// - every file left in the root holds, in full, the data of a record of that name (never less);
// - every log line is free of control characters, and a job that logs a problem does not report
//   plain success.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "core/entry_path.h"
#include "core/name_encoding.h"
#include "core/record_reader.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/read_record_data.h"
#include "tests/support/memory_file.h"
#include "tests/support/recording_log.h"
#include "unpack/extract.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSentinelText = "must never change";

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteWhole(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  HXF_FUZZ_CHECK(out.good());
}

// The scratch directory of this process, made once and removed at exit.
class Scratch {
 public:
  Scratch() {
    const char* shm = "/dev/shm";
    std::string pattern =
        (fs::is_directory(shm) ? std::string(shm) : fs::temp_directory_path().string()) +
        "/hxf-unpack-fuzz-XXXXXX";
    HXF_FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    base_ = pattern;
    WriteWhole(sentinel(), kSentinelText);
    fs::create_directory(base_ / "outside");
    WriteWhole(base_ / "outside" / "file", kSentinelText);
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
  }

  fs::path package() const { return base_ / "package.hxf"; }
  fs::path root() const { return base_ / "out"; }
  fs::path sentinel() const { return base_ / "sentinel"; }

  void Reset(std::string_view package_bytes) {
    fs::remove_all(root());
    fs::create_directory(root());
    fs::create_directory_symlink("../outside", root() / "link");
    WriteWhole(package(), package_bytes);
  }

  void CheckOutsideUntouched() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(base_)) names.insert(entry.path().filename());
    HXF_FUZZ_CHECK((names == std::set<std::string>{"out", "outside", "package.hxf", "sentinel"}));
    HXF_FUZZ_CHECK(ReadWhole(sentinel()) == kSentinelText);
    std::set<std::string> outside;
    for (const auto& entry : fs::directory_iterator(base_ / "outside")) {
      outside.insert(entry.path().filename());
    }
    HXF_FUZZ_CHECK(outside == std::set<std::string>{"file"});
    HXF_FUZZ_CHECK(ReadWhole(base_ / "outside" / "file") == kSentinelText);
  }

 private:
  fs::path base_;
};

// For each host path a record names, the data of every record of that name that is whole.
std::map<std::string, std::set<std::string>> ExpectedFiles(const std::uint8_t* data,
                                                           std::size_t size) {
  std::map<std::string, std::set<std::string>> expected;
  hxf::testing::MemoryInputFile file(hxf::testing::Bytes(
      reinterpret_cast<const std::byte*>(data), reinterpret_cast<const std::byte*>(data) + size));
  hxf::RecordReader reader(file, 4096);
  while (true) {
    hxf::Result<hxf::RecordReader::Step> step = reader.Next();
    HXF_FUZZ_CHECK(step.ok());
    if (*step == hxf::RecordReader::Step::kEndMarker) continue;
    if (*step != hxf::RecordReader::Step::kEntry) break;
    const hxf::Result<std::vector<std::string>> components =
        hxf::SplitEntryName(hxf::DecodeName(reader.entry().name, hxf::NameEncoding::kGbk));
    std::string content;
    if (!ReadRecordData(reader, content)) break;
    if (!components.ok()) continue;
    std::string path;
    for (const std::string& component : *components) path += (path.empty() ? "" : "/") + component;
    expected[path].insert(std::move(content));
  }
  return expected;
}

void CheckUnpackRoot(const Scratch& scratch,
                     const std::map<std::string, std::set<std::string>>& expected) {
  for (auto it = fs::recursive_directory_iterator(scratch.root()); it != fs::end(it); ++it) {
    const std::string relative = it->path().lexically_relative(scratch.root()).string();
    // A package may itself name a file like a temporary one; any other is left over. Directories
    // are never temporary: a name's components make them.
    HXF_FUZZ_CHECK(!it->is_regular_file() ||
                   !it->path().filename().string().starts_with(".hxf-tmp-") ||
                   expected.contains(relative));
    if (it->is_symlink()) {
      // Only the link placed there before the job; the job never makes links.
      HXF_FUZZ_CHECK(relative == "link");
      HXF_FUZZ_CHECK(fs::read_symlink(it->path()) == "../outside");
      continue;
    }
    if (it->is_directory()) continue;
    HXF_FUZZ_CHECK(it->is_regular_file());
    const auto candidates = expected.find(relative);
    HXF_FUZZ_CHECK(candidates != expected.end());
    HXF_FUZZ_CHECK(candidates->second.contains(ReadWhole(it->path())));
  }
}

void CheckLog(const hxf::testing::RecordingLog& log, hxf::JobResult result) {
  bool problem = false;
  for (const hxf::LogLine& line : log.lines()) {
    for (char c : line.text) {
      const auto byte = static_cast<unsigned char>(c);
      HXF_FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
    }
    problem = problem || line.kind == hxf::LogKind::kProblem;
  }
  HXF_FUZZ_CHECK(!log.lines().empty());
  HXF_FUZZ_CHECK(log.messages().empty());  // the package always opens
  if (problem) HXF_FUZZ_CHECK(result != hxf::JobResult::kSucceeded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  scratch.Reset(std::string_view(reinterpret_cast<const char*>(data), size));

  hxf::testing::RecordingLog log;
  hxf::Joined<hxf::TExtract> job(log, scratch.package().string(),
                                 hxf::TExtract::Settings{scratch.root().string()});
  hxf::testing::RunToEnd(job);

  CheckLog(log, job.result());
  scratch.CheckOutsideUntouched();
  CheckUnpackRoot(scratch, ExpectedFiles(data, size));
  return 0;
}

// The whole unpack job over an arbitrary package, on the real file system. The unpack root lies in
// a scratch directory next to a sentinel file, a directory `outside` and the package itself; the
// root holds a link `link` to `outside`. Whatever the package says:
// - nothing outside the unpack root changes, and nothing is written through the link;
// - no temporary file is left behind;
// - every file left in the root holds, in full, the data of a record of that name (never less);
// - every log line is free of control characters, and a job that logs a problem does not report
//   plain success;
// - a job that ran to its end closes on the final line alone when all was well, and otherwise on
//   a summary after it; where the records cannot be followed, the log names that record's offset
//   and the summary says records were not written.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "core/entry_path.h"
#include "core/log_texts.h"
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

struct Expected {
  // For each host path a record names, the data of every record of that name that is whole.
  std::map<std::string, std::set<std::string>> files;
  std::optional<hxf::Corruption> corruption;
};

Expected ExpectedFiles(const std::uint8_t* data, std::size_t size) {
  Expected expected;
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
    HXF_FUZZ_CHECK(ReadRecordData(reader, content));  // an entry's data are all there
    if (!components.ok()) continue;
    std::string path;
    for (const std::string& component : *components) path += (path.empty() ? "" : "/") + component;
    expected.files[path].insert(std::move(content));
  }
  expected.corruption = reader.corruption();
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

bool StartsWith(const std::string& line, std::string_view text) {
  return line.rfind(text, 0) == 0;
}

void CheckLog(const hxf::testing::RecordingLog& log, hxf::JobResult result,
              const std::optional<hxf::Corruption>& corruption) {
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
  if (result == hxf::JobResult::kFailed) return;  // a write failed: the job stopped on its reason

  std::vector<std::string> texts = log.texts();
  // Files whose names begin with a dot are counted after the final line; that is no problem.
  if (StartsWith(texts.back(), hxf::text::kHiddenUnpacked)) texts.pop_back();
  if (result == hxf::JobResult::kSucceeded) {
    HXF_FUZZ_CHECK(texts.back() == hxf::text::kUnpackDone);
    return;
  }
  // A job with problems never also says it is complete: its last line is what went wrong.
  if (result == hxf::JobResult::kNotOpened) return;  // no package, said why
  HXF_FUZZ_CHECK(std::find(texts.begin(), texts.end(), hxf::text::kUnpackDone) == texts.end());
  HXF_FUZZ_CHECK(StartsWith(texts.back(), hxf::text::kUnpackIncomplete) ||
                 StartsWith(texts.back(), hxf::text::kUnpackProblems));
  if (!corruption) return;
  HXF_FUZZ_CHECK(StartsWith(texts.back(), hxf::text::kUnpackIncomplete));
  const std::string where = std::to_string(corruption->offset);
  const std::string_view said = corruption->kind == hxf::Corruption::Kind::kNameLength
                                    ? hxf::text::kBadNameLengthAt
                                    : hxf::text::kTruncatedAt;
  HXF_FUZZ_CHECK(std::find(texts.begin(), texts.end(), std::string(said) + where) != texts.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  scratch.Reset(std::string_view(reinterpret_cast<const char*>(data), size));

  hxf::testing::RecordingLog log;
  hxf::Joined<hxf::TExtract> job(log, scratch.package().string(),
                                 hxf::TExtract::Settings{.unpack_root = scratch.root().string()});
  hxf::testing::RunToEnd(job);

  const Expected expected = ExpectedFiles(data, size);
  CheckLog(log, job.result(), expected.corruption);
  scratch.CheckOutsideUntouched();
  CheckUnpackRoot(scratch, expected.files);
  return 0;
}

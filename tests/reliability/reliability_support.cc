#include "tests/reliability/reliability_support.h"

#include <algorithm>
#include <filesystem>
#include <random>

#include "core/record_reader.h"
#include "tests/support/memory_file.h"

namespace hxf::testing {

PackageContents ReadPackage(const Bytes& package) {
  MemoryInputFile file(package);
  RecordReader reader(file);
  PackageContents contents;
  while (true) {
    Result<RecordReader::Step> step = reader.Next();
    if (!step.ok()) return contents;
    if (*step == RecordReader::Step::kEndMarker) continue;
    if (*step == RecordReader::Step::kEnd) break;
    if (*step != RecordReader::Step::kEntry) return contents;
    TestEntry entry{reader.entry().name, {}};
    while (true) {
      Result<std::span<const std::byte>> chunk = reader.ReadData();
      if (!chunk.ok()) return contents;
      if (chunk->empty()) break;
      entry.data.append(reinterpret_cast<const char*>(chunk->data()), chunk->size());
    }
    contents.entries.push_back(std::move(entry));
  }
  contents.whole = reader.HeaderTextsMatch() && reader.HeaderLengthField() == package.size() &&
                   reader.HeaderChecksumField() == reader.Checksum();
  return contents;
}

std::vector<std::string> TemporaryFilesUnder(const std::string& root) {
  std::vector<std::string> found;
  for (const std::string& path : ListFilesRecursively(root)) {
    if (std::filesystem::path(path).filename().string().starts_with(".hxf-tmp-")) {
      found.push_back(path);
    }
  }
  return found;
}

AllowedContents ContentsOf(const std::vector<TestEntry>& entries) {
  AllowedContents allowed;
  for (const TestEntry& entry : entries) {
    std::string path = entry.name;
    std::replace(path.begin(), path.end(), '\\', '/');
    allowed[path].insert(entry.data);
  }
  return allowed;
}

std::vector<std::string> FilesNotAllowed(const std::string& root, const AllowedContents& allowed) {
  std::vector<std::string> wrong;
  for (const std::string& path : ListFilesRecursively(root)) {
    const std::string content = ToString(ReadFile(root + "/" + path));
    const auto it = allowed.find(path);
    if (it == allowed.end() || !it->second.contains(content)) {
      wrong.push_back(path + " (" + std::to_string(content.size()) + " bytes)");
    }
  }
  return wrong;
}

bool HasProblemLine(const std::vector<LogLine>& lines) {
  return std::any_of(lines.begin(), lines.end(),
                     [](const LogLine& line) { return line.kind == LogKind::kProblem; });
}

bool AnyLineContains(const std::vector<LogLine>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const LogLine& line) {
    return line.text.find(text) != std::string::npos;
  });
}

void MakeTree(const std::string& root, int files, std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  for (int i = 0; i < files; ++i) {
    std::string content(size, '\0');
    for (char& c : content) c = static_cast<char>(random());
    const std::string directory = i % 3 == 0 ? "" : i % 3 == 1 ? "SYSTEM/" : "SYSTEM/FONT/";
    WriteFile(root + "/" + directory + "file" + std::to_string(i) + ".bin", content);
  }
}

}  // namespace hxf::testing

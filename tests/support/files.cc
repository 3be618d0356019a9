#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace hxf::testing {

namespace fs = std::filesystem;

namespace {

// Paths are UTF-8 on every host; std::filesystem would take a narrow string in the Windows code
// page instead.
fs::path Host(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

Bytes ToBytes(std::string_view text) {
  Bytes bytes(text.size());
  std::transform(text.begin(), text.end(), bytes.begin(),
                 [](char c) { return static_cast<std::byte>(c); });
  return bytes;
}

std::string ToString(const Bytes& bytes) {
  std::string text(bytes.size(), '\0');
  std::transform(bytes.begin(), bytes.end(), text.begin(),
                 [](std::byte b) { return static_cast<char>(b); });
  return text;
}

TempDir::TempDir() {
  std::random_device random;
  std::error_code error;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = fs::temp_directory_path() / ("hxf-test-" + std::to_string(random()));
    if (fs::create_directory(candidate, error)) {
      path_ = Utf8(candidate);
      return;
    }
  }
  ADD_FAILURE() << "cannot make a temporary directory: " << error.message();
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests make read-only files and directories; give write access back so all can be removed.
  for (auto it = fs::recursive_directory_iterator(Host(path_), ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(Host(path_), ignored);
}

void WriteFile(const std::string& path, const Bytes& content) {
  const fs::path p = Host(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(content.data()),
            static_cast<std::streamsize>(content.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

void WriteFile(const std::string& path, std::string_view content) {
  WriteFile(path, ToBytes(content));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(Host(path), std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "cannot read " << path;
    return {};
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ToBytes(text);
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(Host(path), ignored));
}

bool RemoveFile(const std::string& path) {
  std::error_code error;
  return fs::remove(Host(path), error);
}

std::vector<std::string> ListFilesRecursively(const std::string& root) {
  std::vector<std::string> files;
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(Host(root), ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_regular_file(ignored)) {
      files.push_back(Utf8(fs::relative(it->path(), Host(root))));
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace hxf::testing

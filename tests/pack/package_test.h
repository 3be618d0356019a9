// The fixture of the pack job's tests: a scratch directory with fw.hxf and in_hxf beside it.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/byte_order.h"
#include "core/log_texts.h"
#include "pack/package.h"
#include "tests/pack/pack_test_support.h"
#include "tests/support/files.h"
#include "tests/support/recording_log.h"

namespace hxf {

inline std::string Text(std::string_view text, std::string_view subject = "") {
  return std::string(text) + std::string(subject);
}

inline std::uint32_t U32At(const testing::Bytes& bytes, std::size_t offset) {
  return DecodeU32(std::span(bytes).subspan(offset).first<4>());
}

class PackageTest : public ::testing::Test {
 protected:
  // Packs in_hxf beside fw.hxf (or what the arguments choose) and returns the job's result.
  // `before` sees the worker before it is resumed.
  JobResult Repack(FileSystem& file_system = SystemFileSystem(), TPackage::Settings settings = {},
                   std::string package = "", const std::function<void(Worker&)>& before = {}) {
    log_ = std::make_unique<testing::RecordingLog>();
    Joined<TPackage> worker(*log_, package.empty() ? package_path() : package, settings,
                            file_system);
    if (before) before(worker);
    testing::RunToEnd(worker);
    return worker.result();
  }

  std::string package_path() const { return dir_ / "fw.hxf"; }
  std::string in(const std::string& relative) const { return dir_ / ("in_hxf/" + relative); }
  testing::Bytes package() const { return testing::ReadFile(package_path()); }
  std::vector<std::string> Problems() const {
    std::vector<std::string> problems;
    for (const LogLine& line : log_->lines()) {
      if (line.kind == LogKind::kProblem) problems.push_back(line.text);
    }
    return problems;
  }
  bool LoggedFileClosed() const {
    const std::vector<std::string> texts = log_->texts();
    return std::find(texts.begin(), texts.end(), text::kFileClosed) != texts.end();
  }

  // An old package the failing cases below must leave exactly as it is.
  testing::Bytes WriteOldPackage(std::size_t size = 10000) {
    testing::Bytes old(size);
    for (std::size_t i = 0; i < size; ++i) old[i] = std::byte(i * 7);
    testing::WriteFile(package_path(), old);
    return old;
  }
  void ExpectOldPackageKept(const testing::Bytes& old) const {
    EXPECT_EQ(package(), old);
    EXPECT_THAT(testing::NamesIn(dir_.path()),
                ::testing::ElementsAre("fw.hxf", "in_hxf"));  // no temp file
    EXPECT_FALSE(LoggedFileClosed());
  }

  testing::TempDir dir_;
  std::unique_ptr<testing::RecordingLog> log_;
};

}  // namespace hxf

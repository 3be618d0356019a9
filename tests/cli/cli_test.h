// The fixture of the command-line tests: a scratch directory holding a small package, and the
// program run there.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/support/run_command.h"

namespace hxf {

inline const testing::Bytes kExample =
    testing::BuildPackage({{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}});

class CliTest : public ::testing::Test {
 protected:
  CliTest() { testing::WriteFile(package(), kExample); }

  testing::CommandResult Hxf(const std::vector<std::string>& arguments) {
    return testing::RunCommand(HXF_BINARY, arguments, dir_.path());
  }
  std::string package() const { return dir_ / "fw.hxf"; }

  testing::TempDir dir_;
};

}  // namespace hxf

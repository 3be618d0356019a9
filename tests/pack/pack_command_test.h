// The fixture of the `hxf pack` tests: a scratch directory with in_hxf/a.txt, the program run
// there.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/support/run_command.h"

namespace hxf {

class PackCommandTest : public ::testing::Test {
 protected:
  PackCommandTest() { testing::WriteFile(dir_ / "in_hxf/a.txt", "abc"); }

  testing::CommandResult Hxf(const std::vector<std::string>& arguments) {
    return testing::RunCommand(HXF_BINARY, arguments, dir_.path());
  }

  testing::TempDir dir_;
  const testing::Bytes a_txt_package = testing::BuildPackage({{"a.txt", "abc"}});
};

}  // namespace hxf

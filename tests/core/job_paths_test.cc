#include "core/job_paths.h"

#include <gtest/gtest.h>

namespace hxf {
namespace {

TEST(JobPaths, WorkingDirectoriesLieBesideThePackage) {
  struct Case {
    std::string package, unpack_root, pack_root;
  };
  const Case cases[] = {
      {"/fw/a.hxf", "/fw/out_hxf", "/fw/in_hxf"},
      {"/a.hxf", "/out_hxf", "/in_hxf"},
      {"a.hxf", "out_hxf", "in_hxf"},
      {"rel/dir/a.hxf", "rel/dir/out_hxf", "rel/dir/in_hxf"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DefaultUnpackRoot(c.package), c.unpack_root) << c.package;
    EXPECT_EQ(DefaultPackRoot(c.package), c.pack_root) << c.package;
  }
}

}  // namespace
}  // namespace hxf

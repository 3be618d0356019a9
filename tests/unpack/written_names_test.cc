#include "unpack/written_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

namespace hxf {
namespace {

// The keys of the records, read back by their offsets as the unpacker reads an earlier record's
// name again; counts the reads.
struct Records {
  std::map<std::uint64_t, std::string> keys;
  int reads = 0;

  WrittenNames::KeyAt Reader() {
    return [this](std::uint64_t offset) -> Result<std::string> {
      ++reads;
      return keys.at(offset);
    };
  }
};

TEST(WrittenNames, TellsEveryNotedKeyFromEveryOtherWhateverBitsOfTheirHashesAgree) {
  constexpr int kKeys = 50'000;
  // In a package of 1 MiB the offset leaves 43 bits of each hash in its word; in the largest one
  // possible, 8, so that many keys agree in them and are told apart only by reading them again.
  for (const std::uint64_t package_size : {std::uint64_t{1} << 20, ~std::uint64_t{0}}) {
    SCOPED_TRACE(package_size);
    Records records;
    WrittenNames names(package_size, records.Reader());
    for (int i = 0; i < kKeys; ++i) {
      const std::string key = "dir" + std::to_string(i % 9) + "/file_" + std::to_string(i);
      const std::uint64_t offset = 64 + std::uint64_t(i) * 20;
      Result<bool> there = names.Contains(key);
      ASSERT_TRUE(there.ok());
      ASSERT_FALSE(*there) << key;
      names.Add(key, offset);
      records.keys[offset] = key;
    }
    const int reads_of_noted = records.reads;
    for (int i = 0; i < kKeys; ++i) {
      const std::string suffix = std::to_string(i % 9) + "/file_" + std::to_string(i);
      ASSERT_TRUE(*names.Contains("dir" + suffix)) << i;
      ASSERT_FALSE(*names.Contains("DIR" + suffix)) << i;
    }
    if (package_size > (std::uint64_t{1} << 40)) {
      EXPECT_GT(reads_of_noted, 1000);  // keys whose kept bits agreed were read and told apart
    } else {
      EXPECT_LT(reads_of_noted, 10);  // with 43 bits kept, next to none agree
    }
  }
}

TEST(WrittenNames, AnEarlierNameThatCannotBeReadAgainIsAFailure) {
  WrittenNames names(1000, [](std::uint64_t) -> Result<std::string> {
    return Status::Error(Status::Code::kIoError, "fw.hxf: Input/output error");
  });
  EXPECT_FALSE(*names.Contains("a"));  // nothing noted: nothing to read
  names.Add("a", 64);
  Result<bool> there = names.Contains("a");
  ASSERT_FALSE(there.ok());
  EXPECT_EQ(there.status().message(), "fw.hxf: Input/output error");
}

}  // namespace
}  // namespace hxf

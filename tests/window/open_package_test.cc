// The window given a package to open, with the real check job on real files: what the log says
// of a sound package, of one that is damaged and of one that is not there, and that the window
// goes on serving the user afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/file_system.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/window/fake_ui_thread.h"
#include "tests/window/scripted_dialog.h"
#include "ui/window_logic.h"

namespace hxf::testing {
namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// A sound package of two entries, and the same with one byte of its body changed.
const Bytes kSound = BuildPackage({{"readme.txt", "hello"}, {"sys\\\xB9\xCC\xBC\xFE.bin", "1234"}});
Bytes Damaged() {
  Bytes bytes = kSound;
  bytes[bytes.size() - 6] ^= std::byte{0x01};  // in the last entry's data
  return bytes;
}
Bytes CutShort() {
  return Bytes(kSound.begin(), kSound.end() - 7);
}
// Whole, but with a name Windows cannot hold: a problem wherever the window runs.
const Bytes kWindowsName = BuildPackage({{"sys\\aux.bin", "1"}});

struct CheckCase {
  const char* name;
  const char* file;  // under the scratch folder; not written when `bytes` is empty
  Bytes bytes;
  // The log, top first; "@" stands for the package's path, "!" for the reason the file layer
  // gives for not opening it (which names it).
  std::vector<std::string> log;
};

std::vector<std::string> Expected(const CheckCase& c, const std::string& path) {
  std::vector<std::string> lines = c.log;
  for (std::string& line : lines) {
    if (const std::size_t at = line.find('@'); at != std::string::npos) line.replace(at, 1, path);
    if (const std::size_t at = line.find('!'); at != std::string::npos) {
      Result<std::unique_ptr<InputFile>> opened = SystemFileSystem().OpenForReading(path);
      EXPECT_FALSE(opened.ok());
      const std::string reason = opened.ok() ? "" : opened.status().message();
      EXPECT_NE(reason.find(path), std::string::npos) << reason;
      line.replace(at, 1, reason);
    }
  }
  return lines;
}

TEST(OpenPackageTest, LogTellsWhatTheCheckFoundAndTheWindowGoesOn) {
  const std::uint32_t damaged_sum = ReferenceChecksum(Damaged());
  const std::uint32_t sum = ReferenceChecksum(kSound);
  const CheckCase cases[] = {
      {"sound, at a Chinese path",
       "固件/升级包.hxf",
       kSound,
       {"检查完成,没有问题", "校验和:" + Hex(sum), "文件长度:" + std::to_string(kSound.size()),
        "文件数:2", "检查文件@"}},
      {"a changed byte",
       "damaged.hxf",
       Damaged(),
       {"检查完成,但有问题,问题数:1",
        "校验和与文件头不符: header says " + Hex(sum) + ", body sums to " + Hex(damaged_sum),
        "文件长度:" + std::to_string(kSound.size()), "文件数:2", "检查文件@"}},
      {"cut short",
       "short.hxf",
       CutShort(),
       {"检查完成,但有问题,问题数:3",
        "记录有问题: 1 entries; the file ends inside the data of the record at offset 88",
        "校验和与文件头不符: header says " + Hex(sum) + ", body sums to " +
            Hex(ReferenceChecksum(CutShort())),
        "文件长度与文件头不符: header says " + std::to_string(kSound.size()) + ", file has " +
            std::to_string(kSound.size() - 7),
        "文件数:1", "检查文件@"}},
      {"a name Windows cannot hold",
       "reserved.hxf",
       kWindowsName,
       {"检查完成,但有问题,问题数:1",
        "文件名有问题: \"sys\\aux.bin\" at offset 64: Windows cannot hold it (\"aux.bin\": a "
        "device name); the unpacker refuses it there",
        "校验和:" + Hex(ReferenceChecksum(kWindowsName)),
        "文件长度:" + std::to_string(kWindowsName.size()), "文件数:1", "检查文件@"}},
      {"missing", "没有.hxf", {}, {"文件打开的失败: !", "检查文件@"}},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string package = dir / c.file;
    if (!c.bytes.empty()) WriteFile(package, c.bytes);
    FakeUiThread view;
    ScriptedDialog dialog;
    WindowLogic logic(view, dialog, {"/opt/hxf/hxf-gui", "/opt/hxf"});
    logic.OpenPackages({package});
    view.ServeEventsUntil([&] { return logic.Jobs() == 0; });
    view.ServePending();
    EXPECT_EQ(view.log, Expected(c, package));
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(view.error_boxes.empty());
    EXPECT_FALSE(Exists(dir / "out_hxf"));

    // The window serves the next click as ever, from the package's folder.
    logic.Button1Click();
    EXPECT_EQ(dialog.started_in, std::vector<std::string>({DirectoryPart(package)}));
    logic.Shutdown();
  }
}

}  // namespace
}  // namespace hxf::testing

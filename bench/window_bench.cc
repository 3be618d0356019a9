// Times a repack in the real window (offscreen) against the same repack by `hxf pack`, and checks
// that the window showed every line in order, newest on top. A tool for measuring, not a test.
//
//   QT_QPA_PLATFORM=offscreen window_bench HXF [TREE [RUNS]]
//
// HXF is the command-line program; TREE the folder to pack (empty or left out: 20,000 small files
// made in a scratch folder, 400 in each of 50 folders, 0 to 8 KiB each); RUNS 5 by default. Both
// programs pack the same tree in turn, RUNS times; the medians are printed.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "ui/qt/unit1.h"

namespace {

namespace fs = std::filesystem;

// Answers every dialog with one path.
class FixedDialog final : public hxf::CommonDialog {
 public:
  explicit FixedDialog(std::string path) { SetFileName(path); }
  bool ShowOpen() override { return true; }
  bool ShowSave() override { return true; }
};

void MakeSmallFiles(const fs::path& root) {
  std::mt19937 choose(20000);
  std::uniform_int_distribution<int> size(0, 8 * 1024);
  const std::string block(8 * 1024, 'x');
  for (int d = 0; d < 50; ++d) {
    const fs::path directory = root / ("DIR" + std::to_string(100 + d).substr(1));
    fs::create_directories(directory);
    for (int f = 0; f < 400; ++f) {
      std::ofstream out(directory / ("file" + std::to_string(1000 + f).substr(1) + ".dat"),
                        std::ios::binary);
      out.write(block.data(), size(choose));
    }
  }
}

double TimeCommandLine(const QString& hxf, const fs::path& tree, const fs::path& package) {
  QElapsedTimer timer;
  timer.start();
  const int code = QProcess::execute(
      hxf, {"pack", "-q", "-C", QString::fromStdString(tree), QString::fromStdString(package)});
  const double seconds = timer.nsecsElapsed() / 1e9;
  if (code != 0) std::fprintf(stderr, "hxf pack exited with %d\n", code);
  return seconds;
}

// Runs the repack in the window; returns its time, or a negative number when the log was wrong.
double TimeWindow(const fs::path& tree, const fs::path& package) {
  // The window packs in_hxf beside the package.
  const fs::path in_hxf = package.parent_path() / "in_hxf";
  fs::remove_all(in_hxf);
  fs::create_directory_symlink(tree, in_hxf);
  hxf::TForm1 window(std::make_unique<FixedDialog>(package.string()));
  window.show();
  QApplication::processEvents();

  QElapsedTimer timer;
  timer.start();
  window.Button2Click();
  while (window.RunningJobs() > 0) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QApplication::processEvents();  // the last lines drawn
  const double seconds = timer.nsecsElapsed() / 1e9;

  // Newest on top: the last line first, the job's first line last, one line per file between.
  const QStringList lines = window.Memo1->toPlainText().split(u'\n', Qt::SkipEmptyParts);
  std::size_t files = 0;
  for (auto it = fs::recursive_directory_iterator(tree); it != fs::recursive_directory_iterator();
       ++it) {
    files += it->is_regular_file() ? 1 : 0;
  }
  const bool in_order =
      static_cast<std::size_t>(lines.size()) == files + 3 && lines.front() == "文件关闭" &&
      lines.back() == "Adding" + QString::fromStdString(package.string()) + "打包";
  fs::remove(in_hxf);
  return in_order ? seconds : -seconds;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_bench HXF [TREE] [RUNS]\n");
    return 2;
  }
  const QString hxf = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir scratch;
  const bool given = argc > 2 && argv[2][0] != '\0';
  const fs::path tree = given ? fs::path(argv[2]) : fs::path(scratch.path().toStdString()) / "tree";
  if (!given) MakeSmallFiles(tree);
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  const fs::path work = fs::path(scratch.path().toStdString()) / "work";
  fs::create_directories(work);

  std::vector<double> window_times;
  std::vector<double> cli_times;
  bool in_order = true;
  for (int run = 0; run < runs; ++run) {
    cli_times.push_back(TimeCommandLine(hxf, tree, work / "cli.hxf"));
    const double window = TimeWindow(tree, work / "window.hxf");
    in_order = in_order && window > 0;
    window_times.push_back(std::abs(window));
  }
  std::sort(window_times.begin(), window_times.end());
  std::sort(cli_times.begin(), cli_times.end());
  const double window = window_times[window_times.size() / 2];
  const double cli = cli_times[cli_times.size() / 2];
  std::printf("repack, median of %d: window %.3f s, hxf pack %.3f s, ratio %.2f; log %s\n", runs,
              window, cli, window / cli, in_order ? "in order, newest on top" : "WRONG");
  return in_order ? 0 : 1;
}

// The window driving real jobs on real files: both buttons, cancelled dialogs, jobs at once, the
// unpacker's message box, closing with jobs running, drag and drop and Qt's own file dialogs.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <memory>

#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/ui/ui_test_support.h"
#include "tests/window/fake_job.h"
#include "ui/qt/unit1.h"

// Jobs end within this; it only bounds a hang.
#define WAIT_FOR_JOBS(window) \
  QTRY_COMPARE_WITH_TIMEOUT((window)->RunningJobs(), std::size_t{0}, 30000)

namespace hxf::testing {

namespace {

const QString kOpenFailed = QStringLiteral("文件打开的失败");
const QString kJobsRunning = QStringLiteral("还有任务正在运行。等待它们完成，还是停止它们？");
const QString kExistingFiles =
    QStringLiteral("解包目录中已有文件。替换这些文件，还是保留您改过的文件？");

QStringList RepackLines(const QString& package, const QStringList& files) {
  QStringList lines = {QStringLiteral("文件关闭"), QStringLiteral("打包结束,开始计算校验和.")};
  for (auto it = files.rbegin(); it != files.rend(); ++it) {
    lines << QStringLiteral("Adding") + *it + QStringLiteral("打包");
  }
  lines << QStringLiteral("Adding") + package + QStringLiteral("打包");
  return lines;
}

}  // namespace

class WindowJobsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDir> dir_;
  Gate gate_;  // holds the jobs made on a package named held.hxf
  std::atomic<int> destroyed_{0};
  std::unique_ptr<TForm1> window_;
  ScriptedDialog* dialog_ = nullptr;

  QString Path(const std::string& relative) const { return Q(*dir_ / relative); }
  std::string File(const std::string& relative) const { return *dir_ / relative; }
  void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

  // A job that stays running until gate_ opens.
  void StartHeldJob() {
    dialog_->Choose(File("held.hxf"));
    Click(window_->Button1);
  }

  // A failing unpack: its worker then waits on the open-failure box. Returns the box.
  QMessageBox* StartFailingUnpack() {
    const QList<QMessageBox*> standing = VisibleMessageBoxes();
    dialog_->Choose(File("missing.hxf"));
    Click(window_->Button1);
    QMessageBox* opened = nullptr;
    const bool appeared = QTest::qWaitFor(
        [&] {
          for (QMessageBox* box : VisibleMessageBoxes()) {
            if (!standing.contains(box)) opened = box;
          }
          return opened != nullptr;
        },
        10000);
    return appeared ? opened : nullptr;
  }

  // An unpack into an out_hxf where the user edited a file: its worker then waits on the
  // question. Returns the question's box.
  QMessageBox* StartUnpackOverEditedFiles() {
    WriteFile(File("fw.hxf"), BuildPackage({{"a.txt", "new"}, {"b.txt", "b"}}));
    WriteFile(File("out_hxf/a.txt"), "edited");
    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button1);
    QMessageBox* box = nullptr;
    const bool appeared = QTest::qWaitFor(
        [&] { return (box = VisibleMessageBoxWithText(kExistingFiles)) != nullptr; }, 10000);
    return appeared ? box : nullptr;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    auto dialog = std::make_unique<ScriptedDialog>();
    dialog_ = dialog.get();
    window_ = std::make_unique<TForm1>(
        std::move(dialog), [this](JobKind kind, LogOwner& log, const std::string& package) {
          if (!package.ends_with("held.hxf")) return MakeJob(kind, log, package);
          std::unique_ptr<Worker> held =
              std::make_unique<FakeJob>(log, JobScript{.holds = true}, gate_, destroyed_);
          return held;
        });
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() {
    gate_.Open();
    window_.reset();
    gate_.Close();
    QTRY_VERIFY(VisibleMessageBoxes().isEmpty());
    dir_.reset();
  }

  void unpackButtonWritesEveryFileIntoOutHxf() {
    WriteFile(File("fw.hxf"), BuildPackage({{"a.txt", "abc"},
                                            {"SYSTEM\\FONT\\b.bin", std::string("\x01\0\x02", 3)},
                                            {"empty.dat", ""}}));
    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button1);

    QCOMPARE(dialog_->shown, std::vector<std::string>({"open"}));
    QCOMPARE(Q(dialog_->InitDir()), QCoreApplication::applicationDirPath());
    QCOMPARE(Q(dialog_->Filter()), QStringLiteral(".hxf filename|*.hxf"));
    WAIT_FOR_JOBS(window_);
    QCOMPARE(ListFilesRecursively(File("out_hxf")),
             std::vector<std::string>({"SYSTEM/FONT/b.bin", "a.txt", "empty.dat"}));
    QCOMPARE(ToString(ReadFile(File("out_hxf/a.txt"))), std::string("abc"));
    QCOMPARE(ToString(ReadFile(File("out_hxf/SYSTEM/FONT/b.bin"))), std::string("\x01\0\x02", 3));
    QCOMPARE(ReadFile(File("out_hxf/empty.dat")).size(), std::size_t{0});
    QCOMPARE(LogLines(window_->Memo1), QStringList({"解包完成"}));
  }

  void repackButtonBuildsThePackageFromInHxfByteExact() {
    WriteFile(File("in_hxf/a.txt"), "abc");
    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button2);

    QCOMPARE(dialog_->shown, std::vector<std::string>({"save"}));
    QCOMPARE(Q(dialog_->InitDir()), QCoreApplication::applicationDirPath());
    QCOMPARE(Q(dialog_->Filter()), QStringLiteral(".hxf filename|*.hxf"));
    WAIT_FOR_JOBS(window_);
    const Bytes package = ReadFile(File("fw.hxf"));
    QCOMPARE(package.size(), std::size_t{85});
    QCOMPARE(ReferenceChecksum(package), 0xDAD84F3Du);
    QVERIFY(package == BuildPackage({{"a.txt", "abc"}}));
    QCOMPARE(LogLines(window_->Memo1), RepackLines(Path("fw.hxf"), {"a.txt"}));
  }

  // The save dialog proposes the package the user has: with no in_hxf beside it, a repack once
  // made it an empty package.
  void repackWithNothingToPackKeepsTheExistingPackage() {
    const Bytes old = BuildPackage({{"firmware.bin", "the user's firmware"}});
    WriteFile(File("fw.hxf"), old);
    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button2);
    WAIT_FOR_JOBS(window_);
    QVERIFY(ReadFile(File("fw.hxf")) == old);
    QVERIFY(QFileInfo(Path("in_hxf")).isDir());  // made, to show where the files go
    const QStringList log = LogLines(window_->Memo1);
    QVERIFY(!log.isEmpty());
    QCOMPARE(log.front(), QStringLiteral("目录中没有可打包的文件,原文件未改动") + Path("in_hxf"));
    QVERIFY(!log.contains(QStringLiteral("文件关闭")));
  }

  // A repack that left a file out does not end on the plain success line.
  void aRepackThatLeftAFileOutSaysSoOnTop() {
    WriteFile(File("in_hxf/a.txt"), "abc");
    WriteFile(File("in_hxf/bad:name.txt"), "refused: the unpacker would refuse the name");
    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button2);
    WAIT_FOR_JOBS(window_);
    QVERIFY(ReadFile(File("fw.hxf")) == BuildPackage({{"a.txt", "abc"}}));
    const QStringList log = LogLines(window_->Memo1);
    QVERIFY(log.size() >= 2);
    QCOMPARE(log[0], QStringLiteral("打包不完整,未打包的文件数:1"));
    QCOMPARE(log[1], QStringLiteral("打包结束,开始计算校验和."));
    QVERIFY(!log.contains(QStringLiteral("文件关闭")));
  }

  void cancelledDialogStartsNothing_data() {
    QTest::addColumn<bool>("unpack");
    QTest::newRow("Unpack HXF") << true;
    QTest::newRow("RePack HXF") << false;
  }
  void cancelledDialogStartsNothing() {
    QFETCH(bool, unpack);
    WriteFile(File("in_hxf/a.txt"), "abc");
    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button2);
    WAIT_FOR_JOBS(window_);
    const QStringList log = LogLines(window_->Memo1);
    WriteFile(File("in_hxf/b.txt"), "new since");

    dialog_->Cancel();
    Click(unpack ? window_->Button1 : window_->Button2);
    // The dialog still reports the earlier name; nothing may be started on it.
    QCOMPARE(Q(dialog_->FileName()), Path("fw.hxf"));
    QCOMPARE(window_->RunningJobs(), std::size_t{0});
    QCoreApplication::processEvents();
    QVERIFY(ReadFile(File("fw.hxf")) == BuildPackage({{"a.txt", "abc"}}));
    QVERIFY(!Exists(File("out_hxf")));
    QCOMPARE(LogLines(window_->Memo1), log);
    QVERIFY(window_->Progress->isHidden());
  }

  void twoJobsRunAtOnceAndBothLog() {
    WriteFile(File("fw.hxf"), BuildPackage({{"x.bin", "x"}}));
    WriteFile(File("in_hxf/a.txt"), "abc");
    dialog_->Choose(File("fw.hxf"));
    dialog_->Choose(File("new.hxf"));
    Click(window_->Button1);
    Click(window_->Button2);
    // Neither can end before the window serves its log lines.
    QCOMPARE(window_->RunningJobs(), std::size_t{2});
    QVERIFY(window_->Progress->isVisible());
    for (QWidget* part :
         {static_cast<QWidget*>(window_->Button1), static_cast<QWidget*>(window_->Button2),
          static_cast<QWidget*>(window_->Memo1), static_cast<QWidget*>(window_->Memo2)}) {
      QVERIFY(!window_->Progress->geometry().intersects(part->geometry()));
    }

    WAIT_FOR_JOBS(window_);
    QVERIFY(window_->Progress->isHidden());
    QCOMPARE(ToString(ReadFile(File("out_hxf/x.bin"))), std::string("x"));
    QVERIFY(ReadFile(File("new.hxf")) == BuildPackage({{"a.txt", "abc"}}));
    const QStringList log = LogLines(window_->Memo1);
    QCOMPARE(log.size(), 5);
    QVERIFY(log.contains(QStringLiteral("解包完成")));
    QVERIFY2(ContainsInOrder(log, RepackLines(Path("new.hxf"), {"a.txt"})),
             qPrintable(log.join(u'|')));
  }

  void openFailureBoxStandsWhileTheWindowAnswers() {
    QMessageBox* first = StartFailingUnpack();
    QVERIFY(first != nullptr);
    QCOMPARE(first->text(), kOpenFailed);
    QCOMPARE(first->windowTitle(), QStringLiteral("出错"));
    QCOMPARE(first->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(first->icon(), QMessageBox::NoIcon);
    QVERIFY(!first->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    // Nothing is made for a package that did not open.
    QVERIFY(!Exists(File("out_hxf")));

    // Each failing job shows its own box.
    QMessageBox* second = StartFailingUnpack();
    QVERIFY(second != nullptr);
    QVERIFY(second != first);
    QCOMPARE(window_->RunningJobs(), std::size_t{2});

    // Meanwhile the window answers and another job runs to its end.
    WriteFile(File("in_hxf/a.txt"), "abc");
    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button2);
    QTRY_VERIFY(LogLines(window_->Memo1).contains(QStringLiteral("文件关闭")));
    QTRY_COMPARE(window_->RunningJobs(), std::size_t{2});
    window_->Memo1->appendPlainText(QStringLiteral("typed by the user"));
    QVERIFY(window_->Memo1->toPlainText().contains(QStringLiteral("typed by the user")));

    // Closing a box lets only its own worker end.
    first->button(QMessageBox::Ok)->click();
    QTRY_COMPARE(window_->RunningJobs(), std::size_t{1});
    QVERIFY(second->isVisible());
    second->button(QMessageBox::Ok)->click();
    WAIT_FOR_JOBS(window_);
    QVERIFY(!LogLines(window_->Memo1).contains(QStringLiteral("解包完成")));
  }

  void openFailureBoxesStandApartAndWideEnoughForAPath() {
    QMessageBox* first = StartFailingUnpack();
    QVERIFY(first != nullptr);
    QMessageBox* second = StartFailingUnpack();
    QVERIFY(second != nullptr);
    for (QMessageBox* box : {first, second}) {
      QVERIFY(box->informativeText().contains(Path("missing.hxf")));
      QVERIFY2(box->width() >= 420, qPrintable(QString::number(box->width())));
    }
    QCOMPARE(second->pos() - first->pos(), QPoint(24, 24));
  }

  void openFailureBoxSaysAFileIsInUseWithoutSayingByWhom() {
    WriteFile(File("fw.hxf"), BuildPackage({{"a.txt", "abc"}}));
    // Another program holds the package.
    const int held = ::open(File("fw.hxf").c_str(), O_RDONLY);
    QVERIFY(held >= 0);
    QCOMPARE(::flock(held, LOCK_EX), 0);
    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button1);
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = VisibleMessageBoxWithText(kOpenFailed)) != nullptr);
    const QString detail = box->informativeText();
    ::close(held);
    QVERIFY2(detail.contains(Path("fw.hxf")) && detail.contains(QStringLiteral("in use")),
             qPrintable(detail));
    QVERIFY2(!detail.contains(QStringLiteral("another job")), qPrintable(detail));
    box->button(QMessageBox::Ok)->click();
    WAIT_FOR_JOBS(window_);
  }

  void unpackOverFilesAsksWhatToDoWithThem_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("a_after");
    QTest::addColumn<bool>("b_written");
    QTest::addColumn<QString>("logged");
    QTest::newRow("replace") << QStringLiteral("替换") << QStringLiteral("new") << true
                             << QStringLiteral("解包完成");
    QTest::newRow("keep") << QStringLiteral("保留") << QStringLiteral("edited") << true
                          << QStringLiteral("已有文件与包中的不同,已保留a.txt");
    QTest::newRow("cancel") << QStringLiteral("取消") << QStringLiteral("edited") << false
                            << QStringLiteral("已取消");
  }
  void unpackOverFilesAsksWhatToDoWithThem() {
    QFETCH(QString, button);
    QFETCH(QString, a_after);
    QFETCH(bool, b_written);
    QFETCH(QString, logged);
    QMessageBox* box = StartUnpackOverEditedFiles();
    QVERIFY(box != nullptr);
    QCOMPARE(box->windowTitle(), QStringLiteral("确认"));
    QCOMPARE(box->icon(), QMessageBox::Question);
    QCOMPARE(box->informativeText(), Path("out_hxf"));
    QStringList buttons;
    for (QAbstractButton* shown : box->buttons()) buttons << shown->text();
    buttons.sort();
    QCOMPARE(buttons,
             QStringList({QStringLiteral("保留"), QStringLiteral("取消"), QStringLiteral("替换")}));
    QCOMPARE(box->defaultButton()->text(), QStringLiteral("保留"));
    // It holds up only its own job: the window stays usable.
    QVERIFY(!box->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(window_->Button1->isEnabled());
    QCOMPARE(window_->RunningJobs(), std::size_t{1});

    ClickButton(box, button);
    WAIT_FOR_JOBS(window_);
    QCOMPARE(Q(ToString(ReadFile(File("out_hxf/a.txt")))), a_after);
    QCOMPARE(Exists(File("out_hxf/b.txt")), b_written);
    QVERIFY2(LogLines(window_->Memo1).contains(logged),
             qPrintable(LogLines(window_->Memo1).join(u'|')));
  }

  void closingWithAJobRunningAsksWhatToDo_data() {
    QTest::addColumn<QString>("choice");
    QTest::newRow("wait") << QStringLiteral("等待");
    QTest::newRow("stop") << QStringLiteral("停止");
    QTest::newRow("keep open") << QStringLiteral("取消");
  }
  void closingWithAJobRunningAsksWhatToDo() {
    QFETCH(QString, choice);
    StartHeldJob();
    QMessageBox* failure = StartFailingUnpack();
    QVERIFY(failure != nullptr);
    QPointer<QMessageBox> failure_box(failure);

    auto asked =
        WhenMessageBoxAppears(kJobsRunning, [&](QMessageBox* box) { ClickButton(box, choice); });
    window_->close();
    QVERIFY(*asked);

    if (choice == QStringLiteral("停止")) {
      // The stopped job's box goes with it, and the window closes once the job has ended.
      QTRY_VERIFY(!window_->isVisible());
      QTRY_COMPARE(window_->RunningJobs(), std::size_t{0});
      QVERIFY(failure_box.isNull() || !failure_box->isVisible());
      return;
    }
    QCoreApplication::processEvents();
    QVERIFY(window_->isVisible());
    QVERIFY(failure_box && failure_box->isVisible());
    QCOMPARE(window_->RunningJobs(), std::size_t{2});
    const bool waiting = choice == QStringLiteral("等待");
    QCOMPARE(window_->Button1->isEnabled(), !waiting);
    QCOMPARE(window_->Button2->isEnabled(), !waiting);

    // Waiting, the window closes as the last working job ends, and the box goes with it; kept
    // open, both stay until the user closes the box.
    gate_.Open();
    QTRY_COMPARE(window_->isVisible(), !waiting);
    QCOMPARE(failure_box && failure_box->isVisible(), !waiting);
    if (failure_box) failure_box->button(QMessageBox::Ok)->click();
    WAIT_FOR_JOBS(window_);
    QCOMPARE(window_->isVisible(), !waiting);
  }

  void closingWithOnlyABoxStandingClosesAtOnce_data() {
    QTest::addColumn<bool>("question");
    QTest::newRow("the open failure's box") << false;
    QTest::newRow("an unpack's question") << true;
  }
  void closingWithOnlyABoxStandingClosesAtOnce() {
    QFETCH(bool, question);
    QPointer<QMessageBox> job_box(question ? StartUnpackOverEditedFiles() : StartFailingUnpack());
    QVERIFY(job_box);
    // The job behind the box does no work: nothing to ask about.
    auto asked = WhenMessageBoxAppears(
        kJobsRunning, [](QMessageBox* box) { ClickButton(box, QStringLiteral("取消")); });
    window_->close();
    QVERIFY(!window_->isVisible());
    QVERIFY(!*asked);
    QTRY_VERIFY(job_box.isNull() || !job_box->isVisible());
    WAIT_FOR_JOBS(window_);
    if (question) {
      // The unpack ended as cancelled, having written nothing.
      QCOMPARE(ToString(ReadFile(File("out_hxf/a.txt"))), std::string("edited"));
      QVERIFY(!Exists(File("out_hxf/b.txt")));
    }
  }

  void keepingOpenAfterWaitingUndoesTheWait() {
    StartHeldJob();
    for (const QString& choice : {QStringLiteral("等待"), QStringLiteral("取消")}) {
      auto asked =
          WhenMessageBoxAppears(kJobsRunning, [&](QMessageBox* box) { ClickButton(box, choice); });
      window_->close();
      QVERIFY(*asked);
    }
    QVERIFY(window_->Button1->isEnabled());
    QVERIFY(window_->Button2->isEnabled());
    gate_.Open();
    WAIT_FOR_JOBS(window_);
    QCoreApplication::processEvents();
    QVERIFY(window_->isVisible());
  }

  void closingDuringARepackLeavesNoTornPackage_data() {
    QTest::addColumn<QString>("choice");
    QTest::newRow("wait") << QStringLiteral("等待");
    QTest::newRow("stop") << QStringLiteral("停止");
  }
  void closingDuringARepackLeavesNoTornPackage() {
    QFETCH(QString, choice);
    const std::string big_a(3 << 20, 'a');
    const std::string big_b(3 << 20, 'b');
    WriteFile(File("in_hxf/a.bin"), big_a);
    WriteFile(File("in_hxf/b.bin"), big_b);
    const Bytes old_package = BuildPackage({{"old.bin", "old"}});
    WriteFile(File("fw.hxf"), old_package);
    const Bytes new_package = BuildPackage({{"a.bin", big_a}, {"b.bin", big_b}});

    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button2);
    auto asked =
        WhenMessageBoxAppears(kJobsRunning, [&](QMessageBox* box) { ClickButton(box, choice); });
    window_->close();
    QVERIFY(*asked);
    QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 30000);
    QCOMPARE(window_->RunningJobs(), std::size_t{0});

    // Stopped, the old package stays whole; let run, the new one is complete. Nothing else is
    // left beside it.
    const Bytes package = ReadFile(File("fw.hxf"));
    if (choice == QStringLiteral("等待")) {
      QVERIFY(package == new_package);
    } else {
      QVERIFY(package == old_package || package == new_package);
    }
    QCOMPARE(ListFilesRecursively(dir_->path()),
             std::vector<std::string>({"fw.hxf", "in_hxf/a.bin", "in_hxf/b.bin"}));
  }

  void droppedPackageIsUnpacked_data() {
    QTest::addColumn<bool>("on_log");
    QTest::newRow("on the window") << false;
    QTest::newRow("on the log") << true;
  }
  void droppedPackageIsUnpacked() {
    QFETCH(bool, on_log);
    WriteFile(File("fw.HXF"), BuildPackage({{"a.txt", "abc"}}));
    WriteFile(File("notes.txt"), "not a package");
    QWidget* target = on_log ? window_->Memo1->viewport() : static_cast<QWidget*>(window_.get());

    QMimeData not_a_package;
    not_a_package.setUrls({QUrl::fromLocalFile(Path("notes.txt"))});
    QDragEnterEvent refused(QPoint(100, 100), Qt::CopyAction, &not_a_package, Qt::LeftButton,
                            Qt::NoModifier);
    QApplication::sendEvent(target, &refused);
    QVERIFY(!refused.isAccepted());

    QMimeData package;
    package.setUrls({QUrl::fromLocalFile(Path("fw.HXF"))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &package, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &package, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());

    QVERIFY(dialog_->shown.empty());
    WAIT_FOR_JOBS(window_);
    QCOMPARE(ToString(ReadFile(File("out_hxf/a.txt"))), std::string("abc"));
    // Only the job's line reached the log; the drop was not pasted into it.
    QCOMPARE(LogLines(window_->Memo1), QStringList({"解包完成"}));
  }
  void droppedFileThatIsNotAPackageIsIgnored_data() {
    QTest::addColumn<bool>("on_log");
    QTest::newRow("on the window") << false;
    QTest::newRow("on the log") << true;
  }
  void droppedFileThatIsNotAPackageIsIgnored() {
    QFETCH(bool, on_log);
    WriteFile(File("notes.txt"), "not a package");
    QWidget* target = on_log ? window_->Memo1->viewport() : static_cast<QWidget*>(window_.get());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Path("notes.txt"))});

    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);

    QVERIFY(!enter.isAccepted());
    QVERIFY(!move.isAccepted());
    QVERIFY(!drop.isAccepted());
    QCOMPARE(window_->RunningJobs(), std::size_t{0});
    QCoreApplication::processEvents();
    QVERIFY2(window_->Memo1->toPlainText().isEmpty(), qPrintable(window_->Memo1->toPlainText()));
  }
};

// The window with Qt's file dialogs in place of a scripted one.
class RealDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void dialogsStartAtTheProgramsDirectoryWithThePackageFilter_data() {
    QTest::addColumn<bool>("unpack");
    QTest::addColumn<bool>("choose");
    QTest::newRow("open, chosen") << true << true;
    QTest::newRow("open, cancelled") << true << false;
    QTest::newRow("save, chosen") << false << true;
    QTest::newRow("save, cancelled") << false << false;
  }
  void dialogsStartAtTheProgramsDirectoryWithThePackageFilter() {
    QFETCH(bool, unpack);
    QFETCH(bool, choose);
    TempDir dir;
    const QString package = Q(dir / "fw.hxf");
    if (unpack) WriteFile(dir / "fw.hxf", BuildPackage({{"a.txt", "abc"}}));
    TForm1 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QString directory;
    QStringList filters;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    bool seen = false;
    QTimer poll;
    poll.setInterval(5);
    connect(&poll, &QTimer::timeout, this, [&] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (dialog == nullptr || !dialog->isVisible()) continue;
        // The dialog may still be reading the directory it was given, and then ignore an accept:
        // answer again on every tick until it has closed.
        if (!seen) {
          seen = true;
          directory = dialog->directory().absolutePath();
          filters = dialog->nameFilters();
          mode = dialog->acceptMode();
        }
        if (!choose) {
          dialog->reject();
          return;
        }
        // The whole path typed into the name box, as a user may type it: selectFile would set
        // the directory again on every tick, and the dialog then reads it anew and drops the name.
        auto* name_box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name_box == nullptr) return;
        name_box->setText(package);
        QMetaObject::invokeMethod(dialog, "accept");  // a protected slot
        return;
      }
    });
    poll.start();
    QTest::mouseClick(unpack ? window.Button1 : window.Button2, Qt::LeftButton);
    poll.stop();

    QVERIFY(seen);
    QCOMPARE(directory, QDir(QCoreApplication::applicationDirPath()).absolutePath());
    QCOMPARE(filters, QStringList({".hxf filename (*.hxf)"}));
    QCOMPARE(mode, unpack ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    QCOMPARE(window.RunningJobs(), std::size_t{choose ? 1u : 0u});
    WAIT_FOR_JOBS(&window);
    if (choose) QCOMPARE(Q(window.CD1->FileName()), package);
    QCOMPARE(Exists(dir / (unpack ? "out_hxf/a.txt" : "fw.hxf")), choose);
  }
};

}  // namespace hxf::testing

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  hxf::testing::WindowJobsTest jobs;
  hxf::testing::RealDialogTest dialogs;
  int failures = QTest::qExec(&jobs, argc, argv);
  failures += QTest::qExec(&dialogs, argc, argv);
  return failures == 0 ? 0 : 1;
}

#include "window_jobs_test.moc"

// The window as it looks and as its parts behave without running a job: bounds, captions, tab
// order, the log's insertion, the standard error box and the start-up.
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QThread>
#include <memory>
#include <thread>

#include "core/version.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/ui/ui_test_support.h"
#include "ui/error_box_text.h"
#include "ui/qt/start_up.h"
#include "ui/qt/unit1.h"

namespace hxf::testing {

class WindowLayoutTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TForm1> window_;
  ScriptedDialog* dialog_ = nullptr;

 private slots:
  void init() {
    auto dialog = std::make_unique<ScriptedDialog>();
    dialog_ = dialog.get();
    window_ = std::make_unique<TForm1>(std::move(dialog));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() { window_.reset(); }

  void windowHasItsCaptionAndOuterBounds() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("HXF打包处理程序"));
    QTRY_COMPARE(window_->frameGeometry(), QRect(256, 113, 333, 550));
    QVERIFY(window_->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
  }

  void componentsSitAtTheirBoundsWithTheirCaptions() {
    QCOMPARE(window_->Button1->geometry(), QRect(16, 5, 97, 25));
    QCOMPARE(window_->Button2->geometry(), QRect(120, 5, 97, 25));
    QCOMPARE(window_->Memo1->geometry(), QRect(16, 32, 297, 409));
    QCOMPARE(window_->Memo2->geometry(), QRect(16, 448, 297, 57));
    QCOMPARE(window_->Button1->text(), QStringLiteral("Unpack HXF"));
    QCOMPARE(window_->Button2->text(), QStringLiteral("RePack HXF"));
    QVERIFY(window_->Memo1->toPlainText().isEmpty());
    QCOMPARE(window_->Memo2->toPlainText().split(u'\n').size(), 3);
    QVERIFY(window_->Memo2->toPlainText().startsWith(QStringLiteral("hxf " HXF_VERSION ": ")));
    QVERIFY(window_->Progress->isHidden());  // only while jobs run
  }

  void resizingMovesAndResizesNoComponent() {
    const QList<QWidget*> parts = {window_->Button1, window_->Button2, window_->Memo1,
                                   window_->Memo2};
    QList<QRect> before;
    for (QWidget* part : parts) before << part->geometry();
    window_->resize(700, 900);
    QTRY_COMPARE(window_->size(), QSize(700, 900));
    window_->resize(200, 150);
    QTRY_COMPARE(window_->size(), QSize(200, 150));
    for (qsizetype i = 0; i < parts.size(); ++i) QCOMPARE(parts[i]->geometry(), before[i]);
  }

  void memosAreEditableWrapAndMemo1ScrollsVertically() {
    for (QPlainTextEdit* memo : {static_cast<QPlainTextEdit*>(window_->Memo1), window_->Memo2}) {
      QVERIFY(!memo->isReadOnly());
      QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
      QCOMPARE(memo->maximumBlockCount(), 0);
      QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }
    QCOMPARE(window_->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(window_->Memo1->verticalScrollBar()->isVisible());
    QCOMPARE(window_->Memo2->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // A line wider than the box wraps rather than scrolling sideways.
    window_->InsertLine({std::string(300, 'x')});
    QVERIFY(window_->Memo1->document()->firstBlock().layout()->lineCount() > 1);
  }

  void fontIsMsSansSerifEightPointOrTheNearestSansSerif() {
    const QFont font = window_->font();
    QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(font.pointSize(), 8);
    QCOMPARE(font.styleHint(), QFont::SansSerif);
    QCOMPARE(window_->Memo1->font(), font);
    if (QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"))) {
      QCOMPARE(QFontInfo(font).family(), QStringLiteral("MS Sans Serif"));
    }
  }

  void tabWalksButtonsThenMemos() {
    QApplication::setActiveWindow(window_.get());
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    window_->Button1->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), window_->Button1);
    const QList<QWidget*> order = {window_->Button2, window_->Memo1, window_->Memo2,
                                   window_->Button1};
    for (QWidget* next : order) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), next);
    }
    QVERIFY(!window_->Memo1->toPlainText().contains(u'\t'));
  }

  void enterOnAFocusedButtonPressesIt_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("Unpack HXF, Return") << 1 << int(Qt::Key_Return) << "open";
    QTest::newRow("Unpack HXF, Enter") << 1 << int(Qt::Key_Enter) << "open";
    QTest::newRow("RePack HXF, Return") << 2 << int(Qt::Key_Return) << "save";
    QTest::newRow("RePack HXF, Enter") << 2 << int(Qt::Key_Enter) << "save";
  }
  void enterOnAFocusedButtonPressesIt() {
    QFETCH(int, button);
    QFETCH(int, key);
    QFETCH(QString, dialog);
    QApplication::setActiveWindow(window_.get());
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QPushButton* pressed = button == 1 ? window_->Button1 : window_->Button2;
    pressed->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), pressed);
    QTest::keyClick(pressed, Qt::Key(key));
    QCOMPARE(dialog_->shown, std::vector<std::string>({S(dialog)}));  // cancelled: nothing starts
    QCOMPARE(window_->RunningJobs(), 0u);
  }

  void insertedLineGoesOnTopWithTheCaretAfterIt() {
    QPlainTextEdit* memo = window_->Memo1;
    memo->setPlainText(QStringLiteral("older\n"));
    memo->selectAll();
    window_->InsertLine({"解包完成"});
    QCOMPARE(memo->toPlainText(), QStringLiteral("解包完成\nolder\n"));
    QCOMPARE(memo->textCursor().position(), QStringLiteral("解包完成\n").size());
    QVERIFY(!memo->textCursor().hasSelection());
    window_->InsertLine({"文件关闭"});
    QCOMPARE(LogLines(memo), QStringList({"文件关闭", "解包完成", "older"}));
  }

  void logViewStaysWhereTheUserLeftIt_data() {
    QTest::addColumn<int>("batch");
    QTest::newRow("one line at a time") << 1;
    QTest::newRow("lines in batches") << 40;
  }
  void logViewStaysWhereTheUserLeftIt() {
    QFETCH(int, batch);
    LogBox* memo = window_->Memo1;
    QScrollBar* bar = memo->verticalScrollBar();
    int next = 0;
    auto insert = [&](int lines) {
      for (int done = 0; done < lines; done += batch) {
        QString text;
        // Newest first, as the log's lines come.
        for (int i = 0; i < batch; ++i) text.prepend(QStringLiteral("line %1\n").arg(next++));
        memo->InsertAtTop(text);
      }
      QCoreApplication::processEvents();  // where the lines are is known once they are drawn
    };
    const QPoint top_left(1, 1);
    const QPoint bottom_left(1, memo->viewport()->height() - 2);

    // At the top, the newest line shows at the top, below the box's margin.
    insert(200);
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->minimum());
    QCOMPARE(memo->cursorForPosition(top_left).block().text(), QStringLiteral("line 199"));
    QVERIFY(memo->cursorRect(QTextCursor(memo->document())).top() > 0);

    // Scrolled to the oldest lines, the view keeps showing them, and the bar stays at its end.
    bar->setValue(bar->maximum());
    QCoreApplication::processEvents();
    const QString shown = memo->cursorForPosition(top_left).block().text();
    QVERIFY(shown.startsWith(QStringLiteral("line ")));
    QCOMPARE(memo->cursorForPosition(bottom_left).block().text(), QString());  // the end
    insert(80);
    QCOMPARE(memo->cursorForPosition(top_left).block().text(), shown);
    QCOMPARE(bar->value(), bar->maximum());

    // Back at the top, new lines show again.
    bar->setValue(bar->minimum());
    insert(batch);
    QCOMPARE(memo->cursorForPosition(top_left).block().text(),
             QStringLiteral("line %1").arg(next - 1));
  }

  void synchronizeRunsOneCallAtATimeAndItsLinesReachTheLogInOrder() {
    // A job's log procedure runs on its own thread; the window draws the lines later.
    constexpr int kLines = 200;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    auto log_lines = [&](const std::string& name) {
      for (int i = 0; i < kLines; ++i) {
        bool ran = false;
        window_->Synchronize([&] {
          overlapped = overlapped || ++inside != 1;
          window_->Log().InsertLine({name + std::to_string(i)});
          ran = true;
          --inside;
        });
        if (!ran) overlapped = true;  // it returned before its procedure had run
      }
    };
    std::thread a(log_lines, "a");
    std::thread b(log_lines, "b");
    a.join();
    b.join();
    QVERIFY(!overlapped);
    QTRY_COMPARE(LogLines(window_->Memo1).size(), 2 * kLines);
    QStringList seen_a;
    QStringList seen_b;
    const QStringList lines = LogLines(window_->Memo1);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
      (line->startsWith(u'a') ? seen_a : seen_b) << *line;
    }
    for (int i = 0; i < kLines; ++i) {
      QCOMPARE(seen_a[i], QStringLiteral("a%1").arg(i));
      QCOMPARE(seen_b[i], QStringLiteral("b%1").arg(i));
    }
  }

  void failingToSetTheDialogShowsTheErrorBoxAndStartsNothing_data() {
    QTest::addColumn<bool>("init_dir_fails");
    QTest::addColumn<int>("button");
    QTest::newRow("InitDir, unpack") << true << 1;
    QTest::newRow("Filter, unpack") << false << 1;
    QTest::newRow("InitDir, repack") << true << 2;
    QTest::newRow("Filter, repack") << false << 2;
  }
  void failingToSetTheDialogShowsTheErrorBoxAndStartsNothing() {
    QFETCH(bool, init_dir_fails);
    QFETCH(int, button);
    (init_dir_fails ? dialog_->init_dir_failure : dialog_->filter_failure) = "属性无效";
    dialog_->Choose("/nonexistent/never.hxf");

    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    auto answered = WhenMessageBoxAppears(QStringLiteral("属性无效."), [&](QMessageBox* box) {
      icon = box->icon();
      buttons = box->standardButtons();
      box->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(button == 1 ? window_->Button1 : window_->Button2, Qt::LeftButton);
    QVERIFY(*answered);
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(dialog_->shown.empty());
    QCOMPARE(window_->RunningJobs(), 0u);
  }
};

// The start-up and its standard error box need no window of the fixture (the box's text and
// caption rules are tested with the window's logic).
class StartUpTest : public QObject {
  Q_OBJECT

 private slots:
  void windowThatCannotBeCreatedIsReportedAndTheLoopNeverRuns() {
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    auto answered = WhenMessageBoxAppears(QStringLiteral("no window."), [&](QMessageBox* box) {
      caption = box->windowTitle();
      icon = box->icon();
      buttons = box->standardButtons();
      box->button(QMessageBox::Ok)->click();
    });
    // Were the loop entered, this would end it with its own exit code.
    QTimer loop_guard;
    loop_guard.setSingleShot(true);
    connect(&loop_guard, &QTimer::timeout, qApp, [] { QApplication::exit(42); });
    loop_guard.start(5000);
    const int code = RunMainWindow(*qApp, []() -> Result<std::unique_ptr<TForm1>> {
      return Status::Error(Status::Code::kIoError, "no window");
    });
    loop_guard.stop();
    QCOMPARE(code, 1);
    QVERIFY(*answered);
    QCOMPARE(caption, Q(ProgramTitle(S(QCoreApplication::applicationFilePath()))));
    QCOMPARE(caption, QStringLiteral("hxf_ui_layout_test"));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  }

  void createdWindowIsShownAndRunsTheLoop() {
    TForm1* shown = nullptr;
    QTimer::singleShot(0, qApp, [&] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<TForm1*>(widget); form && form->isVisible()) shown = form;
      }
      QApplication::exit(7);
    });
    const int code = RunMainWindow(*qApp, [] {
      return Result<std::unique_ptr<TForm1>>(
          std::make_unique<TForm1>(std::make_unique<ScriptedDialog>()));
    });
    QCOMPARE(code, 7);
    QVERIFY(shown != nullptr);
  }

  void argumentsAfterTheProgramAreAbsolutePackagePaths() {
    const QString here = QDir::currentPath();
    QCOMPARE(PackageArguments({"hxf-gui"}), std::vector<std::string>());
    QCOMPARE(PackageArguments({"hxf-gui", "固件.hxf", "/fw/a.hxf"}),
             std::vector<std::string>({S(here + "/固件.hxf"), "/fw/a.hxf"}));
  }

  void givenPackagesAreCheckedIntoTheLogAndNeverUnpacked() {
    TempDir dir;
    const std::string package = dir / "固件 1.hxf";
    const std::string missing = dir / "没有.hxf";
    WriteFile(package, BuildPackage({{"a.txt", "abc"}}));
    QStringList log;
    std::vector<std::string> dialog_started_in;
    std::vector<std::string> dialog_offered;
    ScriptedDialog* dialog = nullptr;
    bool finished = false;
    QTimer::singleShot(0, qApp, [&] {
      TForm1* shown = nullptr;
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<TForm1*>(widget); form && form->isVisible()) shown = form;
      }
      if (shown != nullptr) {
        finished = QTest::qWaitFor([&] { return shown->RunningJobs() == 0; }, 30000);
        log = LogLines(shown->Memo1);
        QTest::mouseClick(shown->Button1, Qt::LeftButton);  // the dialog, cancelled
        dialog_started_in = dialog->started_in;
        dialog_offered = dialog->offered;
      }
      QApplication::exit(7);
    });
    const int code = RunMainWindow(
        *qApp,
        [&] {
          auto scripted = std::make_unique<ScriptedDialog>();
          dialog = scripted.get();
          return Result<std::unique_ptr<TForm1>>(std::make_unique<TForm1>(std::move(scripted)));
        },
        PackageArguments({"hxf-gui", Q(package), Q(missing)}));
    QCOMPARE(code, 7);
    QVERIFY(finished);
    // The two checks run at once: each one's lines in their order, newest on top.
    QVERIFY2(ContainsInOrder(log, {"检查完成,没有问题", "文件数:1", Q("检查文件" + package)}),
             qPrintable(log.join('\n')));
    QVERIFY2(ContainsInOrder(
                 log, {Q("文件打开的失败: cannot open " + missing + ": No such file or directory"),
                       Q("检查文件" + missing)}),
             qPrintable(log.join('\n')));
    QCOMPARE(log.size(), 7);
    QCOMPARE(dialog_started_in, std::vector<std::string>({dir.path()}));
    QCOMPARE(dialog_offered, std::vector<std::string>({missing}));
    QVERIFY(!Exists(dir / "out_hxf"));
  }
};

}  // namespace hxf::testing

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  hxf::testing::WindowLayoutTest layout;
  hxf::testing::StartUpTest start_up;
  int failures = QTest::qExec(&layout, argc, argv);
  failures += QTest::qExec(&start_up, argc, argv);
  return failures == 0 ? 0 : 1;
}

#include "window_layout_test.moc"

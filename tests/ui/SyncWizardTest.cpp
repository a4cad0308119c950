// The synchronisation wizard driven as a user drives it, on real folders:
// the pages and their texts, what each type does to the trees (GNU diff -r
// as the oracle), unchecked entries left alone, Cancel in the middle of a
// run, the guards that refuse before anything changes, and the command of
// the main window.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "UiTestApp.h"
#include "foldercompare/FolderCompareDoc.h"
#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "request/CompareMethods.h"
#include "ui/FolderCompareView.h"
#include "ui/MainFrame.h"
#include "ui/SyncWizardDialog.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

namespace fs = std::filesystem;

// The test support of the other tests brings its own main; what these tests
// need of it is small.
namespace test {

// A fresh folder, removed with everything in it.
class TempDir {
public:
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    void WriteFile(const std::string& name, const std::string& bytes) const {
        const fs::path path = fs::path(m_path) / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    void MakeFolder(const std::string& name) const { fs::create_directories(fs::path(m_path) / name); }

private:
    QTemporaryDir m_dir;
    std::string m_path = m_dir.path().toStdString();
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void SetFileTimes(const std::string& path, int64_t seconds) {
    const struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    QVERIFY(::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0);
}

struct ProgramResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

ProgramResult RunProgram(const QString& program, const QStringList& arguments, const std::string& cwd) {
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(cwd));
    process.start(program, arguments);
    ProgramResult result;
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit) return result;
    result.exitStatus = process.exitCode();
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

}  // namespace test

// Everything about a tree that a synchronisation could change.
std::string TreeState(const std::string& root) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat info {};
        ::lstat(it->path().c_str(), &info);
        std::ostringstream line;
        line << std::oct << info.st_mode << std::dec << " " << info.st_mtim.tv_sec << "."
             << info.st_mtim.tv_nsec;
        if (S_ISREG(info.st_mode)) line << " " << test::ReadFile(it->path());
        entries[fs::relative(it->path(), root).string()] = line.str();
    }
    std::string state;
    for (const auto& [path, line] : entries) state += path + ": " + line + "\n";
    return state;
}

// What a view shows of a result tree: each item's path, status and sides.
std::string Dump(const CFolderCompareItem& item) {
    std::string text;
    for (const CFolderCompareItem& child : item.Children()) {
        text += child.RelativePath() + " " + std::to_string(child.status) + (child.left ? " L" : " -") +
                (child.right ? " R" : " -") + "\n" + Dump(child);
    }
    return text;
}

CFolderCompareParams Request(const std::string& left, const std::string& right) {
    CFolderCompareParams request;
    request.sides[0].path = left;
    request.sides[1].path = right;
    request.methods = METHOD_TIME | METHOD_SIZE;
    return request;
}

// The comparison of the same folders made afresh.
std::string FreshDump(const std::string& left, const std::string& right) {
    CFolderCompareDoc fresh(AppComponents().Folders(), AppComponents().Text());
    if (!fresh.Open(Request(left, right)) || !fresh.PrepareAllLevels()) return "not opened";
    return Dump(*fresh.Root());
}

// Two trees with one of each kind of row: a newer left file, a left-only file
// in a left-only folder, one-sided files and an empty right-only folder.
void MakeTrees(const test::TempDir& dir) {
    dir.WriteFile("L/a.txt", "new a\n");
    dir.WriteFile("R/a.txt", "old\n");
    test::SetFileTimes(dir / "L/a.txt", 1700000100);
    test::SetFileTimes(dir / "R/a.txt", 1700000000);
    dir.WriteFile("L/sub/new.txt", "new\n");
    dir.WriteFile("L/only-left.txt", "left\n");
    dir.WriteFile("R/only-right.txt", "right\n");
    dir.MakeFolder("R/emptyR");
    dir.WriteFile("L/same.txt", "same\n");
    dir.WriteFile("R/same.txt", "same\n");
    test::SetFileTimes(dir / "L/same.txt", 1700000000);
    test::SetFileTimes(dir / "R/same.txt", 1700000000);
}

test::ProgramResult Diff(const test::TempDir& dir) {
    return test::RunProgram(QStringLiteral("/usr/bin/diff"),
                            {QStringLiteral("-rq"), QStringLiteral("L"), QStringLiteral("R")}, dir.Path());
}

// Each entry of a list as "[x] path" or "[ ] path".
QStringList Entries(const QListWidget& list) {
    QStringList entries;
    for (int row = 0; row < list.count(); ++row)
        entries << (list.item(row)->checkState() == Qt::Checked ? QStringLiteral("[x] ")
                                                                : QStringLiteral("[ ] ")) +
                       list.item(row)->text();
    return entries;
}

void Click(QAbstractButton* button) {
    QVERIFY(button != nullptr);
    QVERIFY(button->isVisible() && button->isEnabled());
    // A check box or radio button is clicked on its indicator: the rest of a
    // wide one is no part of it.
    const bool indicator =
        qobject_cast<QCheckBox*>(button) != nullptr || qobject_cast<QRadioButton*>(button) != nullptr;
    QTest::mouseClick(
        button, Qt::LeftButton, {},
        indicator ? QPoint(button->height() / 2, button->height() / 2) : button->rect().center());
}

// Answers the next message box when it comes up; its text goes to text.
void AnswerMessage(QMessageBox::StandardButton button, std::shared_ptr<QString> text) {
    auto* timer = new QTimer(qApp);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, button, text, attempts] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr && ++*attempts < 1000) return;
        timer->stop();
        timer->deleteLater();
        if (box == nullptr) return;
        *text = box->text();
        box->button(button)->click();
    });
    timer->start(5);
}

// Runs script on the wizard once it is the modal window (after the
// "Preparing..." dialog); the wizard is closed after it in any case.
void WhenWizardShows(std::function<void(CSyncWizardDialog&)> script, std::shared_ptr<bool> ran) {
    auto* timer = new QTimer(qApp);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, script, ran, attempts] {
        auto* wizard = qobject_cast<CSyncWizardDialog*>(QApplication::activeModalWidget());
        if (wizard == nullptr && ++*attempts < 2000) return;
        timer->stop();
        timer->deleteLater();
        if (wizard == nullptr) return;
        script(*wizard);
        *ran = true;
        if (wizard->isVisible()) wizard->reject();
    });
    timer->start(5);
}

void SaveScreenshot(QWidget& widget, const QString& name) {
    const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    QVERIFY(widget.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name));
}

}  // namespace

class SyncWizardTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CFolderCompareDoc> Open(const std::string& left, const std::string& right) {
        auto doc = std::make_unique<CFolderCompareDoc>(AppComponents().Folders(), AppComponents().Text());
        if (!doc->Open(Request(left, right)) || !doc->PrepareAllLevels()) return nullptr;
        return doc;
    }
    // A wizard shown over the document, at its type page.
    std::unique_ptr<CSyncWizardDialog> Show(CFolderCompareDoc& doc, int type) {
        auto wizard = std::make_unique<CSyncWizardDialog>(doc, type);
        wizard->show();
        if (!QTest::qWaitForWindowExposed(wizard.get())) return nullptr;
        return wizard;
    }
    // Chooses the type as the user does and goes to the prepare page; true
    // once its lists are there.
    static bool Prepare(CSyncWizardDialog& wizard, int type) {
        auto* button = wizard.findChild<QRadioButton*>(QStringLiteral("syncType%1").arg(type));
        if (button == nullptr) return false;
        Click(button);
        if (!button->isChecked()) return false;
        QTest::mouseClick(wizard.button(QWizard::NextButton), Qt::LeftButton);
        return QTest::qWaitFor(
            [&wizard] {
                return wizard.currentId() == CSyncWizardDialog::PreparePage &&
                       wizard.PreparePageWidget().isComplete();
            },
            60000);
    }
    // Starts the run and waits for its end.
    static bool Synchronize(CSyncWizardDialog& wizard) {
        QTest::mouseClick(wizard.button(QWizard::CommitButton), Qt::LeftButton);
        return QTest::qWaitFor(
            [&wizard] {
                return wizard.currentId() == CSyncWizardDialog::ProcessPage &&
                       wizard.ProcessPageWidget().isComplete();
            },
            60000);
    }
    static QListWidget& List(CSyncWizardDialog& wizard, int list) {
        return *wizard.PreparePageWidget().List(list);
    }
    static QString Label(QWidget& parent, const char* name) {
        auto* label = parent.findChild<QLabel*>(QString::fromLatin1(name));
        return label != nullptr ? label->text()
                                : QStringLiteral("<no label %1>").arg(QString::fromLatin1(name));
    }

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<CCorvatineApp> m_app;

private slots:
    void initTestCase() {
        m_config = std::make_unique<QTemporaryDir>();
        m_app = uitest::StartTestApp(*m_config);
    }
    void cleanupTestCase() { uitest::StopTestApp(); }
    void init() { AppComponents().Folders().ResetToDefaults(); }

    void TheTypePageOffersTheFiveTypes() {
        test::TempDir dir;
        MakeTrees(dir);
        auto doc = Open(dir / "L", dir / "R");
        QVERIFY(doc != nullptr);
        auto wizard = Show(*doc, SYNC_BIDIRECTIONAL);
        QVERIFY(wizard != nullptr);
        QCOMPARE(wizard->windowTitle(), QStringLiteral("Synchronize Folders"));
        QCOMPARE(wizard->currentPage()->title(), QStringLiteral("Select Type of Synchronization"));
        const char* const buttons[] = {"&Update Target on Right", "U&pdate Target on Left",
                                       "&Bidirectional Update", "&Mirror Left to Right",
                                       "M&irror Right to Left"};
        const char* const descriptions[] = {
            "Copy newer and orphan files/folders from left to right.\nOrphans on right will not be deleted. "
            "Newer files on right will not be replaced.",
            "Copy newer and orphan files/folders from right to left.\nOrphans on left will not be deleted. "
            "Newer files on left will not be replaced.",
            "Replace older files with newer ones and copy orphan files/folders both ways.",
            "Replace all different files on right, delete any orphans on right, copy any orphans on left.",
            "Replace all different files on left, delete any orphans on left, copy any orphans on right."};
        for (int type = 0; type < kSyncTypeCount; ++type) {
            auto* button = wizard->findChild<QRadioButton*>(QStringLiteral("syncType%1").arg(type));
            QVERIFY(button != nullptr);
            QCOMPARE(button->text(), QString::fromLatin1(buttons[type]));
            QCOMPARE(button->isChecked(), type == SYNC_BIDIRECTIONAL);  // the command's choice
            QCOMPARE(Label(*wizard, qPrintable(QStringLiteral("syncTypeDescription%1").arg(type))),
                     QString::fromLatin1(descriptions[type]));
        }
        // The mnemonic chooses.
        wizard->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(wizard.get()));
        QTest::keyClick(wizard.get(), Qt::Key_I, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(wizard->TypePageWidget().Type(), static_cast<int>(SYNC_MIRROR_LEFT),
                                  30000);  // clicked after a moment
        QVERIFY(!wizard->button(QWizard::BackButton)->isVisible());
        SaveScreenshot(*wizard, QStringLiteral("sync-wizard-type.png"));
    }

    // Mirror left to right: the lists, the summary, the log, and trees that
    // diff -r finds equal; the document is what a fresh comparison gives.
    void MirrorLeftToRightMakesTheTreesEqual() {
        test::TempDir dir;
        MakeTrees(dir);
        auto doc = Open(dir / "L", dir / "R");
        QVERIFY(doc != nullptr);
        int changing = 0, rebuilt = 0;
        doc->onRebuild = [&] {
            QCOMPARE(changing, 1);  // told before, rebuilt after
            ++rebuilt;
        };
        auto wizard = Show(*doc, SYNC_UPDATE_RIGHT);
        QVERIFY(wizard != nullptr);
        wizard->aboutToChange = [&] { ++changing; };
        QVERIFY(Prepare(*wizard, SYNC_MIRROR_RIGHT));
        QCOMPARE(wizard->currentPage()->title(), QStringLiteral("Prepare for Synchronization"));
        QCOMPARE(Label(*wizard, "leftListLabel"), QStringLiteral("Copy to Right:"));
        QCOMPARE(Label(*wizard, "rightListLabel"), QStringLiteral("Delete on Right:"));
        QCOMPARE(Entries(List(*wizard, 0)),
                 QStringList({"[x] sub/new.txt", "[x] a.txt", "[x] only-left.txt"}));
        QCOMPARE(Entries(List(*wizard, 1)), QStringList({"[x] emptyR/", "[x] only-right.txt"}));
        QCOMPARE(Label(*wizard, "summary"),
                 QStringLiteral("Copy to Right: 3 Files\nDelete on Right: 1 Files, 1 Folders"));
        auto* noConfirmation = wizard->findChild<QCheckBox*>(QStringLiteral("noConfirmation"));
        QVERIFY(noConfirmation != nullptr);
        QCOMPARE(noConfirmation->text(), QStringLiteral("&No confirmation"));
        QCOMPARE(wizard->findChild<QCheckBox*>(QStringLiteral("useRecycleBin"))->text(),
                 QStringLiteral("Move deleted items to the &Trash where possible"));
        auto* progress = wizard->findChild<QProgressBar*>(QStringLiteral("prepareProgress"));
        QCOMPARE(progress->value(), progress->maximum());
        QCOMPARE(changing, 0);  // preparing changes nothing
        SaveScreenshot(*wizard, QStringLiteral("sync-wizard-prepare.png"));

        Click(noConfirmation);
        QVERIFY(Synchronize(*wizard));
        QCOMPARE(wizard->currentPage()->title(), QStringLiteral("Synchronizing..."));
        QCOMPARE(wizard->ProcessPageWidget().LogText(),
                 QStringLiteral("sub/new.txt - Copying from left to right\nOK\n"
                                "a.txt - Copying from left to right\nOK\n"
                                "only-left.txt - Copying from left to right\nOK\n"
                                "emptyR - Deleting right\nOK\n"
                                "only-right.txt - Deleting right\nOK"));
        QCOMPARE(wizard->ProcessPageWidget().StatusText(), QStringLiteral("Finished!"));
        QCOMPARE(wizard->button(QWizard::FinishButton)->text(), QStringLiteral("Close"));
        QVERIFY(wizard->button(QWizard::FinishButton)->isEnabled());
        QVERIFY(!wizard->button(QWizard::CancelButton)->isVisible());
        QVERIFY(!wizard->button(QWizard::BackButton)->isEnabled() ||
                !wizard->button(QWizard::BackButton)->isVisible());
        const test::ProgramResult diff = Diff(dir);
        QVERIFY2(diff.exitStatus == 0, (diff.out + diff.err).c_str());
        QCOMPARE(changing, 1);
        QCOMPARE(rebuilt, 1);
        QCOMPARE(doc->RootStatus(), static_cast<uint32_t>(STATUS_IDENTICAL));
        QCOMPARE(Dump(*doc->Root()), FreshDump(dir / "L", dir / "R"));

        auto* bar = wizard->findChild<QProgressBar*>(QStringLiteral("processProgress"));
        QCOMPARE(bar->value(), bar->maximum());
        QTest::qWait(50);
        SaveScreenshot(*wizard, QStringLiteral("sync-wizard-process.png"));
        // The bar is filled to its end with the highlight colour.
        const QImage image = bar->grab().toImage();
        const QColor filled = image.pixelColor(image.width() * 9 / 10, image.height() / 2);
        const QColor highlight = bar->palette().color(QPalette::Highlight);
        QVERIFY2(std::abs(filled.hue() - highlight.hue()) < 20 && filled.saturation() > 60,
                 qPrintable(filled.name() + QStringLiteral(" is not like ") + highlight.name()));
        Click(wizard->button(QWizard::FinishButton));
        QCOMPARE(wizard->result(), static_cast<int>(QDialog::Accepted));
        QVERIFY(wizard->Ran());
    }

    // Both ways, with an entry unchecked from the keyboard: that file stays
    // as it was; the question before the run is answered Yes.
    void BidirectionalLeavesUncheckedEntriesAlone() {
        test::TempDir dir;
        MakeTrees(dir);
        auto doc = Open(dir / "L", dir / "R");
        QVERIFY(doc != nullptr);
        auto wizard = Show(*doc, SYNC_UPDATE_RIGHT);
        QVERIFY(wizard != nullptr);
        QVERIFY(Prepare(*wizard, SYNC_BIDIRECTIONAL));
        QCOMPARE(Entries(List(*wizard, 0)),
                 QStringList({"[x] sub/new.txt", "[x] a.txt", "[x] only-left.txt"}));
        QCOMPARE(Entries(List(*wizard, 1)), QStringList({"[x] only-right.txt"}));
        QCOMPARE(Label(*wizard, "summary"), QStringLiteral("Copy to Right: 3 Files\nCopy to Left: 1 Files"));
        QListWidget& left = List(*wizard, 0);
        left.setFocus();
        left.setCurrentRow(1);
        QTest::keyClick(&left, Qt::Key_Space);
        QCOMPARE(Entries(left), QStringList({"[x] sub/new.txt", "[ ] a.txt", "[x] only-left.txt"}));
        QVERIFY(!wizard->Model().preparePage.lists[0][1].checked);

        auto question = std::make_shared<QString>();
        AnswerMessage(QMessageBox::Yes, question);
        QVERIFY(Synchronize(*wizard));
        QCOMPARE(*question, QStringLiteral("Synchronize the folders as listed?"));
        QCOMPARE(wizard->ProcessPageWidget().LogText(),
                 QStringLiteral("sub/new.txt - Copying from left to right\nOK\n"
                                "only-left.txt - Copying from left to right\nOK\n"
                                "only-right.txt - Copying from right to left\nOK"));
        QCOMPARE(wizard->ProcessPageWidget().StatusText(), QStringLiteral("Finished!"));
        QCOMPARE(test::ReadFile(dir / "R/a.txt"), std::string("old\n"));
        QCOMPARE(test::ReadFile(dir / "L/only-right.txt"), std::string("right\n"));
        // Only the unchecked file and the folder no type copies are left.
        const test::ProgramResult diff = Diff(dir);
        QCOMPARE(diff.exitStatus, 1);
        QCOMPARE(QString::fromStdString(diff.out),
                 QStringLiteral("Files L/a.txt and R/a.txt differ\nOnly in R: emptyR\n"));
        QCOMPARE(Dump(*doc->Root()), FreshDump(dir / "L", dir / "R"));
    }

    // The plan the window shows is the command line's, entry for entry: links
    // as entries of their own, a file put where a folder was, a folder that
    // holds what a filter leaves out kept, names escaped; the question counts
    // what goes, and the run leaves the trees equal.
    void ThePlanIsTheCommandLinesPlan() {
        test::TempDir dir;
        dir.WriteFile("L/x", "file\n");
        dir.WriteFile("R/x/f", "in a folder\n");
        dir.WriteFile("L/docs/a.txt", "a\n");
        dir.WriteFile("R/real/f", "r\n");
        QVERIFY(::symlink("real", (dir / "R/link").c_str()) == 0);
        QVERIFY(::symlink("docs", (dir / "L/lnk").c_str()) == 0);
        dir.WriteFile("L/line\nbreak", "n\n");
        auto doc = Open(dir / "L", dir / "R");
        QVERIFY(doc != nullptr);
        auto wizard = Show(*doc, SYNC_MIRROR_RIGHT);
        QVERIFY(wizard != nullptr);
        QVERIFY(Prepare(*wizard, SYNC_MIRROR_RIGHT));
        QString shown;
        const QStringList summary = Label(*wizard, "summary").split(QLatin1Char('\n'));
        for (int list = 0; list < 2; ++list) {
            shown += summary.value(list) + QLatin1Char('\n');
            for (int row = 0; row < List(*wizard, list).count(); ++row)
                shown += QStringLiteral("  ") + List(*wizard, list).item(row)->text() + QLatin1Char('\n');
        }
        const test::ProgramResult plan = test::RunProgram(
            QCoreApplication::applicationDirPath() + QStringLiteral("/corvatine"),
            {QStringLiteral("--no-gui"), QStringLiteral("--sync=mirror-right"), QStringLiteral("--dry-run"),
             QString::fromStdString(dir / "L"), QString::fromStdString(dir / "R")},
            dir.Path());
        QCOMPARE(plan.exitStatus, 0);
        QCOMPARE(shown, QString::fromStdString(plan.out));
        QVERIFY2(shown.contains(QStringLiteral("  line\\nbreak\n")), qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("Delete on Right: 3 Files, 2 Folders\n")), qPrintable(shown));

        auto question = std::make_shared<QString>();
        AnswerMessage(QMessageBox::Yes, question);
        QVERIFY(Synchronize(*wizard));
        QCOMPARE(
            *question,
            QStringLiteral("3 file(s) and 2 folder(s) will be deleted.\nSynchronize the folders as listed?"));
        QVERIFY2(!wizard->ProcessPageWidget().LogText().contains(QStringLiteral("ERROR!")),
                 qPrintable(wizard->ProcessPageWidget().LogText()));
        QCOMPARE(test::RunProgram(QStringLiteral("/usr/bin/diff"),
                                  {QStringLiteral("-r"), QStringLiteral("--no-dereference"),
                                   QStringLiteral("L"), QStringLiteral("R")},
                                  dir.Path())
                     .exitStatus,
                 0);
        QCOMPARE(fs::read_symlink(dir / "R/lnk").string(), std::string("docs"));
        QCOMPARE(Dump(*doc->Root()), FreshDump(dir / "L", dir / "R"));
    }

    // Mirror right to left deletes a left-only folder with its file; keeping
    // the file keeps the folder, and checking the folder again takes the file
    // along.
    void KeepingAFileKeepsTheFolderAboveIt() {
        test::TempDir dir;
        MakeTrees(dir);
        auto doc = Open(dir / "L", dir / "R");
        QVERIFY(doc != nullptr);
        auto wizard = Show(*doc, SYNC_MIRROR_LEFT);
        QVERIFY(wizard != nullptr);
        QVERIFY(Prepare(*wizard, SYNC_MIRROR_LEFT));
        QCOMPARE(Label(*wizard, "leftListLabel"), QStringLiteral("Delete on Left:"));
        QCOMPARE(Label(*wizard, "rightListLabel"), QStringLiteral("Copy to Left:"));
        QListWidget& deletions = List(*wizard, 0);
        QCOMPARE(Entries(deletions), QStringList({"[x] sub/new.txt", "[x] sub/", "[x] only-left.txt"}));
        QCOMPARE(Entries(List(*wizard, 1)), QStringList({"[x] a.txt", "[x] only-right.txt"}));
        deletions.item(0)->setCheckState(Qt::Unchecked);
        QCOMPARE(Entries(deletions), QStringList({"[ ] sub/new.txt", "[ ] sub/", "[x] only-left.txt"}));
        deletions.item(1)->setCheckState(Qt::Checked);
        QCOMPARE(Entries(deletions), QStringList({"[x] sub/new.txt", "[x] sub/", "[x] only-left.txt"}));
        deletions.item(0)->setCheckState(Qt::Unchecked);

        // The question names what goes; No changes nothing and stays.
        const std::string before = TreeState(dir.Path());
        auto question = std::make_shared<QString>();
        AnswerMessage(QMessageBox::No, question);
        QTest::mouseClick(wizard->button(QWizard::CommitButton), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(
            *question, QStringLiteral("1 file(s) will be deleted.\nSynchronize the folders as listed?"),
            30000);
        QTest::qWait(50);
        QCOMPARE(wizard->currentId(), static_cast<int>(CSyncWizardDialog::PreparePage));
        QVERIFY(!wizard->Ran());
        QCOMPARE(TreeState(dir.Path()), before);

        AnswerMessage(QMessageBox::Yes, question);
        QVERIFY(Synchronize(*wizard));
        QVERIFY2(!wizard->ProcessPageWidget().LogText().contains(QStringLiteral("ERROR!")),
                 qPrintable(wizard->ProcessPageWidget().LogText()));
        QCOMPARE(test::ReadFile(dir / "L/sub/new.txt"), std::string("new\n"));
        QVERIFY(!fs::exists(dir / "L/only-left.txt"));
        QCOMPARE(test::ReadFile(dir / "L/a.txt"), std::string("old\n"));
        QCOMPARE(Dump(*doc->Root()), FreshDump(dir / "L", dir / "R"));
    }

    // A file that someone changed after the comparison is not replaced: its
    // entry fails with the reason under "ERROR!", and the others go on.
    void AFailedEntryIsLoggedAndTheRunGoesOn() {
        test::TempDir dir;
        MakeTrees(dir);
        auto doc = Open(dir / "L", dir / "R");
        QVERIFY(doc != nullptr);
        auto wizard = Show(*doc, SYNC_MIRROR_RIGHT);
        QVERIFY(wizard != nullptr);
        QVERIFY(Prepare(*wizard, SYNC_MIRROR_RIGHT));
        dir.WriteFile("R/a.txt", "written meanwhile\n");
        Click(wizard->findChild<QCheckBox*>(QStringLiteral("noConfirmation")));
        QVERIFY(Synchronize(*wizard));
        const QString log = wizard->ProcessPageWidget().LogText();
        QVERIFY2(log.startsWith(QStringLiteral("sub/new.txt - Copying from left to right\nOK\n"
                                               "a.txt - Copying from left to right\nERROR!\n    '") +
                                QString::fromStdString(dir / "R/a.txt") +
                                QStringLiteral("' was changed since it was compared; not ")),
                 qPrintable(log));
        QVERIFY2(log.endsWith(QStringLiteral("\nonly-left.txt - Copying from left to right\nOK\n"
                                             "emptyR - Deleting right\nOK\n"
                                             "only-right.txt - Deleting right\nOK")),
                 qPrintable(log));
        QCOMPARE(wizard->ProcessPageWidget().StatusText(),
                 QStringLiteral("Finished!   1 of 5 failed: see the log"));
        QCOMPARE(test::ReadFile(dir / "R/a.txt"), std::string("written meanwhile\n"));
        QCOMPARE(QString::fromStdString(Diff(dir).out), QStringLiteral("Files L/a.txt and R/a.txt differ\n"));
        QCOMPARE(Dump(*doc->Root()), FreshDump(dir / "L", dir / "R"));
    }

    // Cancel while the second entry is done: the run stops before the third,
    // the wizard stays to say "Aborted!", and the document holds exactly what
    // is on disk.
    void CancelDuringTheRunAborts() {
        test::TempDir dir;
        for (int i = 1; i <= 6; ++i) dir.WriteFile("L/f" + std::to_string(i) + ".txt", "file\n");
        dir.MakeFolder("R");
        auto doc = Open(dir / "L", dir / "R");
        QVERIFY(doc != nullptr);
        auto wizard = Show(*doc, SYNC_UPDATE_RIGHT);
        QVERIFY(wizard != nullptr);
        std::atomic<bool> held{false}, release{false};
        wizard->afterEntry = [&](int done) {
            if (done != 2) return;
            held = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        QVERIFY(Prepare(*wizard, SYNC_UPDATE_RIGHT));
        QCOMPARE(List(*wizard, 0).count(), 6);
        QVERIFY(!List(*wizard, 1).isVisible());  // update right uses no right list
        Click(wizard->findChild<QCheckBox*>(QStringLiteral("noConfirmation")));
        QTest::mouseClick(wizard->button(QWizard::CommitButton), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(held, 30000);
        // The window is not blocked while the worker is.
        QTRY_COMPARE_WITH_TIMEOUT(wizard->ProcessPageWidget().LogText().count(QStringLiteral("OK")), 2,
                                  30000);
        QVERIFY(!wizard->ProcessPageWidget().isComplete());
        QVERIFY(!wizard->button(QWizard::FinishButton)->isEnabled());
        Click(wizard->button(QWizard::CancelButton));
        QVERIFY(wizard->isVisible());
        QVERIFY(!wizard->button(QWizard::CancelButton)->isEnabled());
        release = true;
        QTRY_VERIFY_WITH_TIMEOUT(wizard->ProcessPageWidget().isComplete(), 30000);
        QCOMPARE(wizard->ProcessPageWidget().StatusText(), QStringLiteral("Aborted!"));
        QCOMPARE(wizard->ProcessPageWidget().LogText(),
                 QStringLiteral(
                     "f1.txt - Copying from left to right\nOK\nf2.txt - Copying from left to right\nOK"));
        QStringList copied = QDir(QString::fromStdString(dir / "R")).entryList(QDir::Files);
        QCOMPARE(copied, QStringList({"f1.txt", "f2.txt"}));
        QCOMPARE(Dump(*doc->Root()), FreshDump(dir / "L", dir / "R"));
        QVERIFY(!wizard->button(QWizard::CancelButton)->isVisible());
        Click(wizard->button(QWizard::FinishButton));
        QVERIFY(!wizard->isVisible());
    }

    // Leaving the prepare page at once stops its work; coming back prepares
    // for the type then chosen.
    void BackStopsThePreparationAndNextPreparesAnew() {
        test::TempDir dir;
        MakeTrees(dir);
        auto doc = Open(dir / "L", dir / "R");
        QVERIFY(doc != nullptr);
        auto wizard = Show(*doc, SYNC_MIRROR_RIGHT);
        QVERIFY(wizard != nullptr);
        QTest::mouseClick(wizard->button(QWizard::NextButton), Qt::LeftButton);
        QCOMPARE(wizard->currentId(), static_cast<int>(CSyncWizardDialog::PreparePage));
        QTest::mouseClick(wizard->button(QWizard::BackButton), Qt::LeftButton);
        QCOMPARE(wizard->currentId(), static_cast<int>(CSyncWizardDialog::TypePage));
        QVERIFY(!wizard->PreparePageWidget().IsPreparing());
        QVERIFY(Prepare(*wizard, SYNC_UPDATE_LEFT));
        QVERIFY(!List(*wizard, 0).isVisible());
        QCOMPARE(Label(*wizard, "rightListLabel"), QStringLiteral("Copy to Left:"));
        QCOMPARE(Entries(List(*wizard, 1)), QStringList({"[x] only-right.txt"}));
        QCOMPARE(Label(*wizard, "summary"), QStringLiteral("Copy to Left: 1 Files"));
        // Cancel on the prepare page closes and changes nothing.
        const std::string before = TreeState(dir.Path());
        Click(wizard->button(QWizard::CancelButton));
        QVERIFY(!wizard->isVisible());
        QVERIFY(!wizard->Ran());
        QCOMPARE(TreeState(dir.Path()), before);
    }

    // The guards of the command line refuse here too, with their message,
    // before anything changes; another type that may run still does.
    void GuardsRefuseWithTheirMessage() {
        test::TempDir dir;
        MakeTrees(dir);
        dir.MakeFolder("E");
        const std::string before = TreeState(dir.Path());
        struct CASE {
            std::string left, right;
            int type;
            QString message;
        };
        const CASE cases[] = {
            {dir / "L", dir / "L", SYNC_UPDATE_RIGHT,
             QString::fromStdString("Cannot synchronize: '" + dir / "L" + "' and '" + dir / "L" +
                                    "' are the same folder")},
            {dir / "E", dir / "L", SYNC_MIRROR_RIGHT,
             QString::fromStdString("Cannot mirror: '" + dir / "E" + "' is empty and '" + dir / "L" +
                                    "' is not; nothing was changed")},
            {dir / "missing", dir / "R", SYNC_UPDATE_LEFT,
             QString::fromStdString("Cannot synchronize: '" + dir / "missing" +
                                    "' does not exist (create the folder first); nothing was changed")},
        };
        for (const CASE& guard : cases) {
            auto doc = Open(guard.left, guard.right);
            QVERIFY(doc != nullptr);
            auto wizard = Show(*doc, guard.type);
            QVERIFY(wizard != nullptr);
            auto message = std::make_shared<QString>();
            AnswerMessage(QMessageBox::Ok, message);
            QTest::mouseClick(wizard->button(QWizard::NextButton), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(*message, guard.message, 30000);
            QCOMPARE(wizard->currentId(), static_cast<int>(CSyncWizardDialog::TypePage));
            QCOMPARE(TreeState(dir.Path()), before);
        }
        // Updating the full side from the empty one is no mirror: it may run.
        auto doc = Open(dir / "E", dir / "L");
        auto wizard = Show(*doc, SYNC_UPDATE_LEFT);
        QVERIFY(Prepare(*wizard, SYNC_UPDATE_LEFT));
        QCOMPARE(List(*wizard, 1).count(), 4);
    }

    // The command on a document: every level compared first, the type
    // preselected, the views told before and after each change.
    void RunSyncWizardOnADocument() {
        test::TempDir dir;
        MakeTrees(dir);
        auto doc = std::make_unique<CFolderCompareDoc>(AppComponents().Folders(), AppComponents().Text());
        QVERIFY(doc->Open(Request(dir / "L", dir / "R")));  // one level only
        int changing = 0, rebuilt = 0;
        doc->onRebuild = [&] { ++rebuilt; };
        auto ran = std::make_shared<bool>(false);
        WhenWizardShows(
            [&](CSyncWizardDialog& wizard) {
                QCOMPARE(wizard.TypePageWidget().Type(), static_cast<int>(SYNC_BIDIRECTIONAL));
                QCOMPARE(changing, 1);
                QCOMPARE(rebuilt, 1);
                QVERIFY(Prepare(wizard, SYNC_BIDIRECTIONAL));
                // The folder below was compared before the lists were made.
                QCOMPARE(Entries(List(wizard, 0)).first(), QStringLiteral("[x] sub/new.txt"));
                Click(wizard.findChild<QCheckBox*>(QStringLiteral("noConfirmation")));
                QVERIFY(Synchronize(wizard));
                Click(wizard.button(QWizard::FinishButton));
            },
            ran);
        QVERIFY(RunSyncWizard(nullptr, *doc, SYNC_BIDIRECTIONAL, [&] { ++changing; }));
        QVERIFY(*ran);
        QCOMPARE(changing, 2);
        QCOMPARE(rebuilt, 2);
        QCOMPARE(test::ReadFile(dir / "R/a.txt"), std::string("new a\n"));
        QCOMPARE(Dump(*doc->Root()), FreshDump(dir / "L", dir / "R"));
    }

    // "Synchronize..." in the main window, on the folder comparison view:
    // the view shows the synchronised trees afterwards.
    void TheCommandOfTheMainWindow() {
        test::TempDir dir;
        MakeTrees(dir);
        CMainFrame frame(*m_app);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QAction* synchronize = frame.Action(Command::Synchronize);
        QCOMPARE(synchronize->text(), QStringLiteral("&Synchronize..."));
        QVERIFY(!synchronize->isEnabled());  // nothing open
        auto* view = qobject_cast<CFolderCompareView*>(frame.OpenRequest(Request(dir / "L", dir / "R")));
        QVERIFY(view != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QVERIFY2(view->StatusText().contains(QStringLiteral("1 left-only")), qPrintable(view->StatusText()));
        frame.UpdateCommands();
        QVERIFY(synchronize->isEnabled());
        auto ran = std::make_shared<bool>(false);
        WhenWizardShows(
            [&frame](CSyncWizardDialog& wizard) {
                QCOMPARE(wizard.parentWidget()->window(), &frame);
                QVERIFY(Prepare(wizard, SYNC_MIRROR_RIGHT));
                Click(wizard.findChild<QCheckBox*>(QStringLiteral("noConfirmation")));
                QVERIFY(Synchronize(wizard));
                QCOMPARE(wizard.ProcessPageWidget().StatusText(), QStringLiteral("Finished!"));
                Click(wizard.button(QWizard::FinishButton));
            },
            ran);
        synchronize->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(*ran, 30000);
        QCOMPARE(Diff(dir).exitStatus, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QVERIFY2(view->StatusText().startsWith(QStringLiteral("Identical")), qPrintable(view->StatusText()));
        QVERIFY(!view->StatusText().contains(QStringLiteral("only")));
        frame.CloseAll();
    }
};

QTEST_MAIN(SyncWizardTest)
#include "SyncWizardTest.moc"

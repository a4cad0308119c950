// The version-control view on a real git repository made here: the list as a
// tree and flat, the status filter, opening a change (the committed version
// read-only, the working file editable and saved), the index, a conflict in
// the three-way merge, reverting; and files opened from a folder comparison
// through symbolic links, as git difftool --dir-diff makes them.
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "UiTestApp.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "textcompare/MergeDoc.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderCompareView.h"
#include "ui/MainFrame.h"
#include "ui/MergeView.h"
#include "ui/TextCompareView.h"
#include "ui/VcsView.h"

using namespace corvatine;
using namespace corvatine::ui;

class VcsViewTest : public QObject {
    Q_OBJECT

private:
    std::string Path(const std::string& name) const {
        return m_dir->filePath(QString::fromStdString(name)).toStdString();
    }
    void Write(const std::string& name, const std::string& bytes) {
        const std::string path = Path(name);
        QDir().mkpath(QString::fromStdString(platform::PathParentFolder(path)));
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    static std::string Read(const std::string& path) {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly)) return "(none)";
        return file.readAll().toStdString();
    }
    // git in the repository; the test fails unless it exits expected.
    void Git(const std::vector<std::string>& arguments, int expected = 0) {
        platform::PROCESSOPTIONS options;
        options.workingFolder = Path("repo");
        platform::PROCESSRESULT result;
        std::string error;
        QVERIFY2(platform::RunProgramAndWait("git", arguments, options, result, error), error.c_str());
        QVERIFY2(result.exitStatus == expected, (result.out + result.err).c_str());
    }
    // A repository with a modified, a staged and changed, an added, a
    // deleted, a renamed, an untracked file and a conflict.
    void MakeRepository() {
        QDir().mkpath(QString::fromStdString(Path("repo")));
        Git({"init", "-q", "-b", "main"});
        Write("repo/mod.txt", "one\ntwo\nthree\n");
        Write("repo/staged.txt", "committed\n");
        Write("repo/del.txt", "deleted\n");
        Write("repo/old.txt", "moved\n");
        Write("repo/f.txt", "base\n");
        Git({"add", "."});
        Git({"commit", "-q", "-m", "base"});
        Git({"checkout", "-q", "-b", "theirs"});
        Write("repo/f.txt", "theirs\n");
        Git({"commit", "-q", "-am", "theirs"});
        Git({"checkout", "-q", "main"});
        Write("repo/f.txt", "ours\n");
        Git({"commit", "-q", "-am", "ours"});
        Git({"merge", "-q", "theirs"}, 1);
        Write("repo/mod.txt", "one\nTWO\nthree\n");
        Write("repo/staged.txt", "staged\n");
        Git({"add", "staged.txt"});
        Write("repo/staged.txt", "staged, then changed\n");
        Write("repo/sub/new.txt", "added\n");
        Git({"add", "sub/new.txt"});
        Git({"rm", "-q", "del.txt"});
        Git({"mv", "old.txt", "sub/renamed.txt"});
        Write("repo/sub/deeper/u.txt", "untracked\n");
    }
    CVcsView* OpenView() {
        std::string error;
        auto* view = qobject_cast<CVcsView*>(m_frame->OpenWorkingCopy(Path("repo/sub"), error));
        if (view == nullptr) qWarning("%s", error.c_str());
        return view;
    }
    CTextCompareView* ActiveText() const { return qobject_cast<CTextCompareView*>(m_frame->ActiveView()); }

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CCorvatineApp> m_app;
    std::unique_ptr<CMainFrame> m_frame;

private slots:
    void initTestCase() {
        m_config = std::make_unique<QTemporaryDir>();
        m_app = uitest::StartTestApp(*m_config);
        ::setenv("GIT_CONFIG_NOSYSTEM", "1", 1);
        ::setenv("GIT_CONFIG_GLOBAL", "/dev/null", 1);
        ::setenv("GIT_AUTHOR_NAME", "Ann", 1);
        ::setenv("GIT_AUTHOR_EMAIL", "ann@example.org", 1);
        ::setenv("GIT_COMMITTER_NAME", "Ann", 1);
        ::setenv("GIT_COMMITTER_EMAIL", "ann@example.org", 1);
    }
    void cleanupTestCase() { uitest::StopTestApp(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        ::setenv("XDG_RUNTIME_DIR", m_dir->path().toLocal8Bit().constData(), 1);
        ::setenv("XDG_DATA_HOME", (m_dir->path() + QStringLiteral("/data")).toLocal8Bit().constData(), 1);
        MakeRepository();
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1200, 600);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() {
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0), false);
        m_frame.reset();
        ::unsetenv("GIT_DIFFTOOL_DIRDIFF");
        ::unsetenv("GIT_WORK_TREE");
    }

    // The whole working copy from a folder inside it, as a tree and flat.
    void ListingAsTreeAndFlat() {
        CVcsView* view = OpenView();
        QVERIFY(view != nullptr);
        const std::vector<std::string> all = {
            "del.txt",          "f.txt",       "mod.txt",        "staged.txt",
            "sub/deeper/u.txt", "sub/new.txt", "sub/renamed.txt"};
        QCOMPARE(view->ShownPaths(), all);
        QCOMPARE(view->Title(), QStringLiteral("Git changes: repo"));
        QCOMPARE(view->StatusText(), QStringLiteral("7 changes, 7 shown"));
        QTreeWidget* list = view->List();
        // Tree: the folders are rows of their own, the files under them.
        const QList<QTreeWidgetItem*> sub = list->findItems(QStringLiteral("sub/"), Qt::MatchExactly);
        QCOMPARE(sub.size(), 1);
        QCOMPARE(sub[0]->childCount(), 3);  // deeper/, new.txt, renamed.txt
        QCOMPARE(sub[0]->child(2)->text(0), QStringLiteral("renamed.txt"));
        QCOMPARE(sub[0]->child(2)->text(1), QStringLiteral("renamed"));
        QCOMPARE(sub[0]->child(2)->text(2), QStringLiteral("old.txt"));
        QCOMPARE(list->findItems(QStringLiteral("f.txt"), Qt::MatchExactly)[0]->text(1),
                 QStringLiteral("conflicted"));
        // Flat: one row per change, its whole path.
        view->Action(QStringLiteral("vcsTree"))->trigger();
        QVERIFY(!view->TreeMode());
        QCOMPARE(list->topLevelItemCount(), 7);
        QCOMPARE(list->topLevelItem(4)->text(0), QStringLiteral("sub/deeper/u.txt"));
        QCOMPARE(list->topLevelItem(4)->text(1), QStringLiteral("untracked"));
        QCOMPARE(view->ShownPaths(), all);
    }

    // File > Open Working Copy chooses a folder inside one; a folder outside
    // any says why, naming it.
    void OpenedFromTheFileMenu() {
        uitest::AnswerNextDialog([this](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files != nullptr);
            uitest::ChooseFile(files, QString::fromStdString(Path("repo/sub")));
        });
        m_frame->findChild<QAction*>(QStringLiteral("openWorkingCopy"))->trigger();
        auto* view = qobject_cast<CVcsView*>(m_frame->ActiveView());
        QVERIFY(view != nullptr);
        QCOMPARE(view->Title(), QStringLiteral("Git changes: repo"));

        QDir().mkpath(QString::fromStdString(Path("plain")));
        QString told;
        uitest::AnswerNextDialog([this, &told](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files != nullptr);
            uitest::AnswerNextDialog([&told](QWidget* box) {
                told = qobject_cast<QMessageBox*>(box)->text();
                qobject_cast<QMessageBox*>(box)->accept();
            });
            uitest::ChooseFile(files, QString::fromStdString(Path("plain")));
        });
        m_frame->findChild<QAction*>(QStringLiteral("openWorkingCopy"))->trigger();
        QVERIFY2(told.contains(QStringLiteral("plain")), qPrintable(told));
        QCOMPARE(m_frame->ViewCount(), 1);
    }

    void FilteringByStatus() {
        CVcsView* view = OpenView();
        QVERIFY(view != nullptr);
        QAction* modified = view->Action(QStringLiteral("vcsShowM"));
        QVERIFY(modified != nullptr);
        QCOMPARE(modified->text(), QStringLiteral("Modified (2)"));
        QCOMPARE(view->Action(QStringLiteral("vcsShowUntracked"))->text(), QStringLiteral("Untracked (1)"));
        modified->trigger();
        QCOMPARE(view->ShownPaths(), (std::vector<std::string>{"del.txt", "f.txt", "sub/deeper/u.txt",
                                                               "sub/new.txt", "sub/renamed.txt"}));
        QCOMPARE(view->StatusText(), QStringLiteral("7 changes, 5 shown"));
        view->SetStatusFilter(vcs::StatusBit(vcs::CHANGE_UNTRACKED) | vcs::StatusBit(vcs::CHANGE_DELETED));
        QCOMPARE(view->ShownPaths(), (std::vector<std::string>{"del.txt", "sub/deeper/u.txt"}));
        QVERIFY(!view->Action(QStringLiteral("vcsShowA"))->isChecked());
        QVERIFY(view->Action(QStringLiteral("vcsShowD"))->isChecked());
        // A refresh keeps the filter and sees what changed meanwhile.
        Write("repo/sub/deeper/v.txt", "another\n");
        QVERIFY(view->Refresh());
        QCOMPARE(view->ShownPaths(),
                 (std::vector<std::string>{"del.txt", "sub/deeper/u.txt", "sub/deeper/v.txt"}));
    }

    // Opening compares the committed version, read-only and fetched into
    // the runtime folder, with the working file, which saves.
    void OpeningComparesTheCommittedVersionWithTheWorkingFile() {
        CVcsView* view = OpenView();
        QVERIFY(view != nullptr);
        const int recent = m_app->RecentComparisons() != nullptr ? m_app->RecentComparisons()->Count() : 0;
        QVERIFY(view->SelectPath("mod.txt"));
        QTest::keyClick(view->List(), Qt::Key_Return);
        CTextCompareView* text = ActiveText();
        QVERIFY(text != nullptr);
        const CTextCompareParams& request = text->Doc().Request();
        QVERIFY(text->Doc().IsSideReadOnly(0));
        QVERIFY(!text->Doc().IsSideReadOnly(1));
        QVERIFY2(request.sides[0].path.rfind(m_dir->path().toStdString() + "/corvatine-vcs-", 0) == 0,
                 request.sides[0].path.c_str());
        QCOMPARE(platform::PathFileName(request.sides[0].path), std::string("mod.txt"));
        QCOMPARE(Read(request.sides[0].path), std::string("one\ntwo\nthree\n"));
        QCOMPARE(request.sides[1].path, Path("repo/mod.txt"));
        // Taking the committed lines and saving changes the working file only.
        QCOMPARE(text->Doc().CopyAll(true), static_cast<int>(CTextCompareDoc::MERGE_DONE));
        QVERIFY(text->Doc().SaveSide(1));
        QCOMPARE(Read(Path("repo/mod.txt")), std::string("one\ntwo\nthree\n"));
        QCOMPARE(Read(request.sides[0].path), std::string("one\ntwo\nthree\n"));
        // Temporary versions are no recent comparisons.
        QCOMPARE(m_app->RecentComparisons() != nullptr ? m_app->RecentComparisons()->Count() : 0, recent);
        // The versions stay while the comparison is open, even without the list.
        const std::string committed = request.sides[0].path;
        m_frame->CloseView(view, false);
        QCOMPARE(Read(committed), std::string("one\ntwo\nthree\n"));
        m_frame->CloseView(text, false);
        QCOMPARE(Read(committed), std::string("(none)"));
    }

    void DeletedRenamedAndIndexVersions() {
        CVcsView* view = OpenView();
        QVERIFY(view != nullptr);
        QVERIFY(view->SelectPath("del.txt"));
        QVERIFY(!view->Action(QStringLiteral("vcsEdit"))->isEnabled());
        view->Action(QStringLiteral("vcsCompare"))->trigger();
        CTextCompareView* text = ActiveText();
        QVERIFY(text != nullptr);
        QCOMPARE(Read(text->Doc().Request().sides[0].path), std::string("deleted\n"));
        QVERIFY(text->Doc().IsSideReadOnly(1));  // the stand-in of the deleted file
        QCOMPARE(Read(text->Doc().Request().sides[1].path), std::string(""));

        m_frame->findChild<QTabWidget*>(QStringLiteral("documents"))->setCurrentWidget(view);
        QVERIFY(view->SelectPath("sub/renamed.txt"));
        view->CompareSelected();
        QCOMPARE(Read(ActiveText()->Doc().Request().sides[0].path), std::string("moved\n"));

        QVERIFY(view->SelectPath("staged.txt"));
        QVERIFY(view->Action(QStringLiteral("vcsCompareIndex"))->isEnabled());
        view->Action(QStringLiteral("vcsCompareIndex"))->trigger();
        QCOMPARE(Read(ActiveText()->Doc().Request().sides[0].path), std::string("staged\n"));
        QCOMPARE(ActiveText()->Doc().Request().sides[1].path, Path("repo/staged.txt"));
        QVERIFY(view->SelectPath("sub/deeper/u.txt"));
        QVERIFY(!view->Action(QStringLiteral("vcsCompareIndex"))->isEnabled());
        QVERIFY(!view->Action(QStringLiteral("vcsRevert"))->isEnabled());
    }

    // A conflict opens the three-way merge of git's stages, saved into the
    // working file.
    void AConflictOpensTheThreeWayMerge() {
        CVcsView* view = OpenView();
        QVERIFY(view != nullptr);
        QVERIFY(view->SelectPath("f.txt"));
        view->CompareSelected();
        QPointer<CMergeWindow> merge = view->LastMergeWindow();
        QVERIFY(merge != nullptr);
        QCOMPARE(merge->SavePath(), Path("repo/f.txt"));
        QCOMPARE(merge->Doc().UnresolvedCount(), 1);
        QVERIFY(merge->Take(CONTENT_THEIRS));
        QVERIFY(merge->Save());
        QCOMPARE(Read(Path("repo/f.txt")), std::string("theirs\n"));
        merge->close();
        QVERIFY(QTest::qWaitFor([&] { return merge.isNull(); }, 5000));
    }

    // Revert asks, keeps the working file in the Trash and lists again.
    void RevertAsksAndKeepsTheFileInTheTrash() {
        CVcsView* view = OpenView();
        QVERIFY(view != nullptr);
        QVERIFY(view->SelectPath("mod.txt"));
        QString asked;
        uitest::AnswerNextDialog([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box != nullptr);
            asked = box->text();
            box->button(QMessageBox::Yes)->click();
        });
        view->Action(QStringLiteral("vcsRevert"))->trigger();
        QCOMPARE(asked,
                 QStringLiteral(
                     "Revert the changes of 'mod.txt'?\nThe working file is moved to the Trash first."));
        QCOMPARE(Read(Path("repo/mod.txt")), std::string("one\ntwo\nthree\n"));
        QCOMPARE(Read(Path("data/Trash/files/mod.txt")), std::string("one\nTWO\nthree\n"));
        QCOMPARE(view->StatusText(), QStringLiteral("6 changes, 6 shown"));
        // No: nothing changes.
        QVERIFY(view->SelectPath("staged.txt"));
        uitest::AnswerNextDialog(
            [](QWidget* dialog) { qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::No)->click(); });
        view->RevertSelected();
        QCOMPARE(Read(Path("repo/staged.txt")), std::string("staged, then changed\n"));
    }

    // git difftool --dir-diff's trees: the working side's files link into the
    // working tree, and a file saved there reaches it; anywhere else a link out
    // of the compared folders opens read-only.
    void LinksOfGitsDirDiffAreWrittenThroughOthersNot() {
        Write("left/a.txt", "committed\n");
        Write("work/a.txt", "working\n");
        Write("right/inside-target.txt", "committed\n");
        QVERIFY(::symlink(Path("work/a.txt").c_str(), Path("right/a.txt").c_str()) == 0);
        Write("left/inside.txt", "committed\n");
        QVERIFY(::symlink("inside-target.txt", Path("right/inside.txt").c_str()) == 0);
        const auto openPair = [&](const QString& name) -> CTextCompareView* {
            CFolderCompareParams request;
            request.sides[0].path = Path("left");
            request.sides[1].path = Path("right");
            auto* folders = qobject_cast<CFolderCompareView*>(m_frame->OpenRequest(request));
            if (folders == nullptr || !QTest::qWaitFor([folders] { return !folders->IsBusy(); }, 60000))
                return nullptr;
            CFolderCompareModel& model = folders->Model();
            for (int row = 0; row < model.rowCount(); ++row) {
                const QModelIndex index = model.index(row, 0);
                if (index.data().toString() == name) folders->Tree().activated(index);
            }
            return ActiveText();
        };
        // Without git the link out is not written through.
        CTextCompareView* text = openPair(QStringLiteral("a.txt"));
        QVERIFY(text != nullptr);
        QVERIFY(text->Doc().IsSideReadOnly(1));
        QVERIFY(!text->Doc().IsSideReadOnly(0));
        // A link to a file inside the compared folders is.
        text = openPair(QStringLiteral("inside.txt"));
        QVERIFY(text != nullptr);
        QVERIFY(!text->Doc().IsSideReadOnly(1));
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0), false);

        ::setenv("GIT_DIFFTOOL_DIRDIFF", "true", 1);
        ::setenv("GIT_WORK_TREE", Path("work").c_str(), 1);
        text = openPair(QStringLiteral("a.txt"));
        QVERIFY(text != nullptr);
        QVERIFY(!text->Doc().IsSideReadOnly(1));
        QCOMPARE(text->Doc().CopyAll(true), static_cast<int>(CTextCompareDoc::MERGE_DONE));
        QVERIFY(text->Doc().SaveSide(1));
        QCOMPARE(Read(Path("work/a.txt")), std::string("committed\n"));
        struct stat info {};
        QVERIFY(::lstat(Path("right/a.txt").c_str(), &info) == 0);
        QVERIFY(S_ISLNK(info.st_mode));
    }
};

QTEST_MAIN(VcsViewTest)
#include "VcsViewTest.moc"

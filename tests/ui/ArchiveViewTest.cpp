// Archives in the window: a double click on a pair of archives opens them as
// a folder comparison (an archive inside one too), a file pair inside
// archives opens read-only, and file operations and synchronisation refuse
// archive sides with a message. Draws a comparison of two tarballs.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <memory>

#include "UiTestApp.h"
#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "platform/Path.h"
#include "request/CompareMethods.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderCompareView.h"
#include "ui/HexCompareView.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

void DoubleClick(QTreeView& tree, const QModelIndex& index) {
    const QPoint at = tree.visualRect(index).center();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class ArchiveViewTest : public QObject {
    Q_OBJECT

private:
    std::string Path(const std::string& name) const {
        return m_dir->filePath(QString::fromStdString(name)).toStdString();
    }
    void Write(const std::string& name, const std::string& bytes) {
        const std::string path = Path(name);
        QDir().mkpath(QString::fromStdString(platform::PathParentFolder(path)));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    bool Shell(const QString& command) {
        QProcess shell;
        shell.setWorkingDirectory(m_dir->path());
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
        return shell.waitForFinished(60000) && shell.exitCode() == 0;
    }
    // a/ and b/ each hold pkg.tar.gz (with an inner.zip inside) and notes.txt.
    void MakeArchives() {
        for (const char* side : {"ta", "tb"}) {
            const std::string s = side;
            Write(s + "/src/main.c",
                  s == "ta" ? "int main(void) { return 0; }\n" : "int main(void) { return 1; }\n");
            Write(s + "/src/same.h", "#define SAME 1\n");
            Write(s + "/data.bin", std::string("\x00\x01\x02", 3) + (s == "ta" ? "A" : "B"));
            Write(s + "/README", "read me\n");
            if (s == "tb") Write(s + "/NEWS", "news\n");
        }
        QVERIFY(
            Shell(QStringLiteral("mkdir -p a b && (cd ta && zip -qr -X ../ta/inner.zip src) && "
                                 "(cd tb && zip -qr -X ../tb/inner.zip src) && "
                                 "tar -C ta -czf a/pkg.tar.gz . && tar -C tb -czf b/pkg.tar.gz . && "
                                 "echo notes > a/notes.txt && echo notes > b/notes.txt")));
    }
    CFolderCompareView* Open(const std::string& left, const std::string& right, uint32_t methods = 0) {
        CFolderCompareParams request;
        if (methods != 0) request.methods = methods;
        request.sides[0].path = left;
        request.sides[1].path = right;
        auto* view = qobject_cast<CFolderCompareView*>(m_frame->OpenRequest(request));
        return Ready(view);
    }
    static CFolderCompareView* Ready(CFolderCompareView* view) {
        if (view == nullptr || !QTest::qWaitFor([view] { return !view->IsBusy(); }, 60000)) return nullptr;
        view->Tree().setFocus();
        return view;
    }
    static QModelIndex Row(CFolderCompareView& view, const QString& name,
                           const QModelIndex& parent = QModelIndex()) {
        CFolderCompareModel& model = view.Model();
        for (int row = 0; row < model.rowCount(parent); ++row)
            for (int side = 0; side < 2; ++side) {
                const QModelIndex index =
                    model.index(row, CFolderCompareModel::ModelColumn(side, COLUMN_NAME), parent);
                if (index.data().toString() == name) return index.siblingAtColumn(0);
            }
        return QModelIndex();
    }
    static FolderRowClass ClassOfRow(const QModelIndex& index) {
        return static_cast<FolderRowClass>(index.data(CFolderCompareModel::ClassRole).toInt());
    }
    // Selects a row as a click does, and answers the error box that the
    // action raises with its text.
    QString ErrorOf(CFolderCompareView& view, const QModelIndex& row, const std::function<void()>& act) {
        view.Tree().setCurrentIndex(row);
        QString text;
        uitest::AnswerNextDialog([&](QWidget* dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                text = box->text();
                box->accept();
            } else {
                dialog->close();
            }
        });
        act();
        (void)QTest::qWaitFor([&] { return !text.isEmpty(); }, 20000);
        return text;
    }

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CCorvatineApp> m_app;
    std::unique_ptr<CMainFrame> m_frame;

private slots:
    void initTestCase() {
        m_config = std::make_unique<QTemporaryDir>();
        m_app = uitest::StartTestApp(*m_config);
    }
    void cleanupTestCase() { uitest::StopTestApp(); }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        static_cast<CFolderCompareOptions&>(AppComponents().Folders()).ResetToDefaults();
        MakeArchives();
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1400, 600);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() {
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0));
        m_frame.reset();
    }

    // A pair of archives in a folder comparison opens, on a double click, as
    // the folder comparison of their trees; an archive inside does too.
    void DoubleClickOpensArchivesAsFolders() {
        CFolderCompareView* folders = Open(Path("a"), Path("b"));
        QVERIFY(folders != nullptr);
        const QModelIndex pkg = Row(*folders, QStringLiteral("pkg.tar.gz"));
        QVERIFY(pkg.isValid());
        QVERIFY(!folders->Model().hasChildren(pkg));  // a file pair here
        DoubleClick(folders->Tree(), pkg);
        CFolderCompareView* archives = Ready(qobject_cast<CFolderCompareView*>(m_frame->ActiveView()));
        QVERIFY(archives != nullptr);
        QVERIFY(archives != folders);
        QCOMPARE(archives->Doc().Request().sides[0].path, Path("a/pkg.tar.gz"));
        QCOMPARE(archives->Doc().Request().sides[1].path, Path("b/pkg.tar.gz"));
        QCOMPARE(ClassOfRow(Row(*archives, QStringLiteral("README"))), FolderRowClass::Identical);
        QCOMPARE(ClassOfRow(Row(*archives, QStringLiteral("NEWS"))), FolderRowClass::RightOnly);
        QVERIFY(Row(*archives, QStringLiteral("src")).isValid());

        DoubleClick(archives->Tree(), Row(*archives, QStringLiteral("inner.zip")));
        CFolderCompareView* inner = Ready(qobject_cast<CFolderCompareView*>(m_frame->ActiveView()));
        QVERIFY(inner != nullptr);
        QCOMPARE(inner->Doc().Request().sides[0].path, Path("a/pkg.tar.gz/inner.zip"));
        const QModelIndex src = Row(*inner, QStringLiteral("src"));
        QVERIFY(src.isValid());
        inner->Tree().expand(src);
        QTRY_VERIFY_WITH_TIMEOUT(!inner->IsBusy(), 30000);
        QVERIFY(Row(*inner, QStringLiteral("main.c"), Row(*inner, QStringLiteral("src"))).isValid());
        QCOMPARE(m_frame->ViewCount(), 3);
    }

    // A text pair inside archives opens in the text comparison, a binary one
    // in the binary comparison: both read-only, with the entries' bytes.
    void FilePairsInsideArchivesOpenReadOnly() {
        CFolderCompareView* view = Open(Path("a/pkg.tar.gz"), Path("b/pkg.tar.gz"));
        QVERIFY(view != nullptr);
        const QModelIndex src = Row(*view, QStringLiteral("src"));
        view->Tree().expand(src);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        DoubleClick(view->Tree(), Row(*view, QStringLiteral("main.c"), Row(*view, QStringLiteral("src"))));
        auto* text = qobject_cast<CTextCompareView*>(m_frame->ActiveView());
        QVERIFY(text != nullptr);
        QCOMPARE(text->Doc().Request().sides[0].path, Path("a/pkg.tar.gz/src/main.c"));
        QVERIFY(text->Doc().IsSideReadOnly(0));
        QVERIFY(text->Doc().IsSideReadOnly(1));
        QCOMPARE(QString::fromStdString(std::string(text->Doc().GetSide(0).GetLine(0).Characters())),
                 QStringLiteral("int main(void) { return 0; }"));
        QCOMPARE(QString::fromStdString(std::string(text->Doc().GetSide(1).GetLine(0).Characters())),
                 QStringLiteral("int main(void) { return 1; }"));

        m_frame->findChild<QTabWidget*>(QStringLiteral("documents"))->setCurrentWidget(view);
        DoubleClick(view->Tree(), Row(*view, QStringLiteral("data.bin")));
        auto* hex = qobject_cast<CHexCompareView*>(m_frame->ActiveView());
        QVERIFY(hex != nullptr);
        QVERIFY(hex->Doc().Side(0).IsReadOnly());
        QVERIFY(hex->Doc().Side(1).IsReadOnly());
        QCOMPARE(hex->Doc().Side(0).GetSize(), int64_t{4});
        uint8_t bytes[4] = {};
        QCOMPARE(hex->Doc().Side(1).Read(bytes, 4, 0), int64_t{4});
        QCOMPARE(bytes[3], uint8_t{'B'});
    }

    // Delete, copy and synchronise are refused on archive sides at once,
    // with the reason, before any of their dialogs; nothing changes.
    void OperationsAndSynchronisationAreRefused() {
        CFolderCompareView* view = Open(Path("a/pkg.tar.gz"), Path("tb"));
        QVERIFY(view != nullptr);
        const QModelIndex readme = Row(*view, QStringLiteral("README"));
        QString error = ErrorOf(*view, readme, [&] { QTest::keyClick(&view->Tree(), Qt::Key_Delete); });
        QVERIFY2(
            error.contains(QStringLiteral("pkg.tar.gz/README: lies inside an archive, which is read-only")),
            qPrintable(error));
        error = ErrorOf(*view, readme,
                        [&] { m_frame->findChild<QAction*>(QStringLiteral("copyToRight"))->trigger(); });
        QVERIFY2(error.contains(QStringLiteral("lies inside an archive")), qPrintable(error));
        error = ErrorOf(*view, readme,
                        [&] { m_frame->findChild<QAction*>(QStringLiteral("synchronize"))->trigger(); });
        QVERIFY2(
            error.contains(QStringLiteral("is an archive, which is read-only here; nothing was changed")),
            qPrintable(error));
        QVERIFY(QFile::exists(QString::fromStdString(Path("tb/README"))));
        QCOMPARE(ClassOfRow(Row(*view, QStringLiteral("README"))), FolderRowClass::Identical);
    }

    // The window drawn with a comparison of two tarballs by content.
    void Screenshot() {
        CFolderCompareView* view = Open(Path("a/pkg.tar.gz"), Path("b/pkg.tar.gz"), METHOD_BINARY);
        QVERIFY(view != nullptr);
        view->Tree().expand(Row(*view, QStringLiteral("src")));
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        view->Tree().selectionModel()->clearSelection();
        QTest::qWait(50);
        const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(folder));
            QVERIFY(m_frame->grab().save(QString::fromLocal8Bit(folder) +
                                         QStringLiteral("/archive-folders.png")));
        }
        QCOMPARE(view->Title(), QStringLiteral("pkg.tar.gz : pkg.tar.gz"));
        QCOMPARE(ClassOfRow(Row(*view, QStringLiteral("data.bin"))), FolderRowClass::Different);
        QCOMPARE(ClassOfRow(Row(*view, QStringLiteral("README"))), FolderRowClass::Identical);
        const QModelIndex src = Row(*view, QStringLiteral("src"));
        QCOMPARE(ClassOfRow(Row(*view, QStringLiteral("main.c"), src)), FolderRowClass::Different);
        QCOMPARE(ClassOfRow(Row(*view, QStringLiteral("same.h"), src)), FolderRowClass::Identical);
    }
};

QTEST_MAIN(ArchiveViewTest)
#include "ArchiveViewTest.moc"

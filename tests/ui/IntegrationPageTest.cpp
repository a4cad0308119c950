// The Integration page of the options dialog, offscreen: what it shows when
// it opens, and what confirming it changes (and does not change) on disk.
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "UiTestApp.h"
#include "launch/CorvatineApp.h"
#include "persist/GeneralOptions.h"
#include "platform/RegistryHive.h"
#include "ui/OptIntegrationPage.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The bytes and the modification time of a file; "<none>" when missing.
std::string Stamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return "<none>";
    return ReadFile(path) + "@" + std::to_string(info.st_mtim.tv_sec) + "." +
           std::to_string(info.st_mtim.tv_nsec);
}

// The shell extension as the page sees it: a state and counted switches.
struct FAKESHELL {
    int state = 0;
    int registered = 0;
    int unregistered = 0;
};

}  // namespace

class IntegrationPageTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_home;
    std::unique_ptr<CCorvatineApp> m_app;
    CGeneralOptions m_options;
    FAKESHELL m_shell;

    std::string Home(const char* name) const {
        return m_home.filePath(QString::fromLatin1(name)).toStdString();
    }

    std::unique_ptr<COptIntegrationPage> MakePage(bool withShell = true) {
        std::unique_ptr<COptIntegrationPage> page;
        if (withShell)
            page = std::make_unique<COptIntegrationPage>(
                m_options, [this] { return m_shell.state; }, [this] { return ++m_shell.registered, true; },
                [this] { return ++m_shell.unregistered, true; });
        else
            page = std::make_unique<COptIntegrationPage>(m_options);
        page->resize(560, 420);
        page->show();
        page->Load();
        return page;
    }
    template <typename T = QCheckBox>
    static T* Box(COptIntegrationPage& page, const char* name) {
        return page.findChild<T*>(QString::fromLatin1(name));
    }
    // A click on the box's indicator, as a user clicks it (the middle of a
    // wide box may lie beyond its text, where a click does nothing).
    static void Click(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
    }
    // Confirms the page; answers the message it shows on a failure (which
    // must not hold the test) and returns its text, empty when it applied.
    static QString ApplyQuietly(COptIntegrationPage& page) {
        auto message = std::make_shared<QString>();
        uitest::AnswerNextDialog([message](QWidget* dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) *message = box->text();
            dialog->close();
        });
        if (!page.Apply() && message->isEmpty()) return QStringLiteral("Apply failed without a message");
        return *message;
    }
    // The middle of a box's indicator, in the page's coordinates.
    static QPoint IndicatorCenter(COptIntegrationPage& page, const char* name) {
        QCheckBox* box = Box(page, name);
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        return box->mapTo(&page, indicator.center());
    }
    void Screenshot(QWidget& widget, const char* name) {
        const char* folder = std::getenv("CORVATINE_SCREENSHOTS");
        if (folder == nullptr) return;
        QDir().mkpath(QString::fromLocal8Bit(folder));
        widget.grab().save(QString::fromLocal8Bit(folder) + "/" + QString::fromLatin1(name));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_config.isValid() && m_home.isValid());
        const std::string home = m_home.path().toStdString();
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        ::setenv("GIT_CONFIG_GLOBAL", (home + "/.gitconfig").c_str(), 1);
        ::setenv("GIT_CONFIG_NOSYSTEM", "1", 1);
        QDir(m_home.path()).mkpath(QStringLiteral(".subversion"));
        std::ofstream(Home(".subversion/config"), std::ios::binary)
            << "[helpers]\n# diff-cmd = diff_program\n";
        std::ofstream(Home(".hgrc"), std::ios::binary) << "[ui]\nusername = Ann\n";
        m_app = uitest::StartTestApp(m_config);
        platform::CRegistryHive& hive = platform::CurrentUserHive();
        hive.SetString("Software\\TortoiseSVN", "Diff", "tmerge %base %mine");
        std::string error;
        QVERIFY2(hive.Flush(error), error.c_str());
    }
    void cleanupTestCase() {
        platform::CStringOutput err;
        m_app->ExitInstance(err);
        m_app.reset();
        uitest::StopTestApp();
    }
    void init() {
        m_shell = FAKESHELL();
        m_options = CGeneralOptions();
    }

    void loadShowsTheStatesAndEnablesWhatCanBeChanged() {
        m_shell.state = 1;
        m_options.cascaded = 0;
        m_options.background = 1;
        auto page = MakePage();
        QCOMPARE(Box(*page, "shellExtension")->checkState(), Qt::PartiallyChecked);
        QCOMPARE(page->ShellExtensionStateAtOpening(), 1);
        QVERIFY(Box(*page, "cascadedMenu")->isEnabled());
        QVERIFY(!Box(*page, "cascadedMenu")->isChecked());
        QVERIFY(Box(*page, "backgroundMenu")->isChecked());
        QVERIFY(Box(*page, "client_tortoisesvn")->isEnabled());
        QVERIFY(!Box(*page, "client_tortoisesvn")->isChecked());
        QVERIFY(!Box(*page, "client_tortoisecvs")->isEnabled());
        QCOMPARE(Box(*page, "client_tortoisecvs")->toolTip(),
                 QStringLiteral("TortoiseCVS has no external comparison application configured"));
        QVERIFY(Box(*page, "client_git")->isEnabled());
        QVERIFY(Box(*page, "client_svn")->isEnabled());
        QVERIFY(Box(*page, "client_hg")->isEnabled());
        Screenshot(*page, "integration-page.png");
        // Drawn as it is: the partly installed box filled, an unchecked one empty.
        const QImage image = page->grab().toImage();
        QVERIFY(qGray(image.pixel(IndicatorCenter(*page, "shellExtension"))) < 180);
        QVERIFY(qGray(image.pixel(IndicatorCenter(*page, "client_git"))) > 200);

        // Clearing the shell box disables the menu boxes.
        Click(Box(*page, "shellExtension"));
        QCOMPARE(Box(*page, "shellExtension")->checkState(), Qt::Checked);
        Click(Box(*page, "shellExtension"));
        QCOMPARE(Box(*page, "shellExtension")->checkState(), Qt::Unchecked);
        QVERIFY(!Box(*page, "cascadedMenu")->isEnabled());
        QVERIFY(!Box(*page, "backgroundMenu")->isEnabled());
    }

    void withoutTheShellFunctionsTheShellBoxIsDisabled() {
        auto page = MakePage(false);
        QVERIFY(!Box(*page, "shellExtension")->isEnabled());
        QVERIFY(!Box(*page, "shellExtension")->toolTip().isEmpty());
        QVERIFY(!Box(*page, "cascadedMenu")->isEnabled());
        QCOMPARE(ApplyQuietly(*page), QString());
    }

    void confirmingWithoutChangeWritesNothing() {
        m_shell.state = 1;
        const std::string files[] = {Home(".subversion/config"), Home(".hgrc"), Home(".gitconfig"),
                                     m_config.filePath(QStringLiteral("registry.reg")).toStdString()};
        std::string before[4];
        for (int i = 0; i < 4; ++i) before[i] = Stamp(files[i]);
        auto page = MakePage();
        QCOMPARE(ApplyQuietly(*page), QString());
        QCOMPARE(m_shell.registered + m_shell.unregistered, 0);
        for (int i = 0; i < 4; ++i) QCOMPARE(Stamp(files[i]), before[i]);
        QVERIFY(!platform::CurrentUserHive().IsModified());
    }

    void togglingGitAndApplyingChangesItsConfiguration() {
        auto page = MakePage();
        Click(Box(*page, "client_git"));
        QVERIFY(Box(*page, "client_git")->isChecked());
        QCOMPARE(ApplyQuietly(*page), QString());
        const std::string integrated = ReadFile(Home(".gitconfig"));
        QVERIFY2(integrated.find("[difftool \"corvatine\"]") != std::string::npos, integrated.c_str());
        QVERIFY(integrated.find("\ttool = corvatine\n") != std::string::npos);
        QVERIFY(ReadFile(Home(".subversion/config")) == "[helpers]\n# diff-cmd = diff_program\n");

        // Opened again, the page shows git integrated; clearing it puts git
        // back as it was: there was no file.
        auto again = MakePage();
        QVERIFY(Box(*again, "client_git")->isChecked());
        Click(Box(*again, "client_git"));
        QCOMPARE(ApplyQuietly(*again), QString());
        QCOMPARE(Stamp(Home(".gitconfig")), std::string("<none>"));
    }

    void theShellBoxSwitchesTheExtensionOnlyWhenChanged() {
        m_shell.state = 0;
        auto page = MakePage();
        QVERIFY(!Box(*page, "cascadedMenu")->isEnabled());
        Click(Box(*page, "shellExtension"));
        QVERIFY(Box(*page, "cascadedMenu")->isEnabled());
        Click(Box(*page, "backgroundMenu"));
        QCOMPARE(ApplyQuietly(*page), QString());
        QCOMPARE(m_shell.registered, 1);
        QCOMPARE(m_shell.unregistered, 0);
        QCOMPARE(m_options.background, 1);
        QCOMPARE(m_options.cascaded, 1);

        m_shell.state = 2;
        auto installed = MakePage();
        Click(Box(*installed, "shellExtension"));
        QCOMPARE(ApplyQuietly(*installed), QString());
        QCOMPARE(m_shell.unregistered, 1);
    }
};

QTEST_MAIN(IntegrationPageTest)
#include "IntegrationPageTest.moc"
#include "platform/Output.h"

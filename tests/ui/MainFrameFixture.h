// The main frame as the window tests drive it: a test application with a
// settings folder of its own, and for every test a fresh frame and a fresh
// folder of files.
#pragma once

#include <QAction>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <memory>
#include <string>

#include "UiTestApp.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"

namespace corvatine::uitest {

class CMainFrameFixture {
protected:
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        return uitest::WriteInto(*m_dir, name, bytes);
    }
    // Compares two small files of those names, which differ in a line.
    ui::CDocumentView* Compare(const std::string& left, const std::string& right) {
        CTextCompareParams request;
        request.sides[0].path = Write(left, "one\ntwo\n");
        request.sides[1].path = Write(right, "one\n2\n");
        request.rules = 0;
        return m_frame->OpenRequest(request);
    }
    ui::CTextCompareView* ActiveText() { return qobject_cast<ui::CTextCompareView*>(m_frame->ActiveView()); }
    void CloseAllViews() {
        // Closed without asking: what a test left modified is dropped.
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0), false);
    }
    void NewFrame(QSize size = QSize(1100, 650)) {
        m_frame = std::make_unique<ui::CMainFrame>(*m_app);
        m_frame->resize(size);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    QAction* FrameAction(const char* name) { return m_frame->findChild<QAction*>(QString::fromLatin1(name)); }

    // For initTestCase and cleanupTestCase.
    void StartApp() {
        m_config = std::make_unique<QTemporaryDir>();
        m_app = uitest::StartTestApp(*m_config);
    }
    void StopApp() { uitest::StopTestApp(); }
    // For init and cleanup: a frame, without a comparison, the window as it
    // was by default, and no recent comparisons.
    void SetUp() {
        m_dir = std::make_unique<QTemporaryDir>();
        AppComponents().Text().ResetToDefaults();
        m_app->generalOptions.windowFullScreen = 0;
        m_app->generalOptions.showLeftPane = 1;
        QVERIFY(m_app->RecentComparisons() != nullptr);
        m_app->RecentComparisons()->RemoveAll();
        NewFrame();
    }
    void TearDown() {
        CloseAllViews();
        m_frame.reset();
    }

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CCorvatineApp> m_app;
    std::unique_ptr<ui::CMainFrame> m_frame;
};

}  // namespace corvatine::uitest

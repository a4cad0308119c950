// The Integration page of the options dialog: the file manager's context
// menu (installed, partly installed or not, and how its menu looks) and the
// version-control clients that start Corvatine as their comparison program.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "integration/ClientIntegration.h"
#include "persist/GeneralOptions.h"
#include "ui/OptionsPage.h"

class QCheckBox;

namespace corvatine::ui {

class COptIntegrationPage : public COptionsPage {
public:
    // The shell extension's state (0 not installed, 1 partly, 2 installed),
    // and installing and removing it. Without them the shell check box is
    // disabled and says why.
    using ShellState = std::function<int()>;
    using ShellSwitch = std::function<bool()>;

    // Edits the options' cascaded and background values; the clients are
    // those of the per-user settings and the installation folder.
    explicit COptIntegrationPage(CGeneralOptions& options, ShellState getShellExtensionState = nullptr,
                                 ShellSwitch registerShellExtension = nullptr,
                                 ShellSwitch unregisterShellExtension = nullptr, QWidget* parent = nullptr);
    ~COptIntegrationPage() override;

    [[nodiscard]] QString Title() const override;
    void Load() override;
    [[nodiscard]] bool Apply() override;

    // The page state, as the controls hold it.
    int ShellExtensionState() const;
    int ShellExtensionStateAtOpening() const { return m_shellStateAtOpening; }

private:
    struct CLIENTROW {
        std::unique_ptr<CClientIntegration> client;
        QCheckBox* box = nullptr;
        bool configured = false;
        bool integratedAtLoad = false;
    };
    void UpdateMenuBoxes();

    CGeneralOptions& m_options;
    ShellState m_getShellState;
    ShellSwitch m_registerShell;
    ShellSwitch m_unregisterShell;
    int m_shellStateAtOpening = 0;
    QCheckBox* m_shell = nullptr;
    QCheckBox* m_cascaded = nullptr;
    QCheckBox* m_background = nullptr;
    std::vector<CLIENTROW> m_clients;
};

}  // namespace corvatine::ui

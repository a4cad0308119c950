#include "ui/OptIntegrationPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

#include "integration/VcsIntegration.h"
#include "platform/Profile.h"
#include "platform/RegistryHive.h"

namespace corvatine::ui {

namespace {

// What each client's box says: the client, and what it will run Corvatine for.
QString ClientText(const CClientIntegration& client) {
    const std::string name = client.Name();
    if (name == "tortoisesvn") return QObject::tr("TortoiseSVN: compare with Corvatine");
    if (name == "tortoisecvs") return QObject::tr("TortoiseCVS: compare and merge with Corvatine");
    if (name == "git") return QObject::tr("Git: git difftool and git mergetool use Corvatine");
    if (name == "svn") return QObject::tr("Subversion: svn diff uses Corvatine");
    if (name == "hg") return QObject::tr("Mercurial: hg corvatine compares with Corvatine");
    return QString::fromStdString(client.ClientName());
}

Qt::CheckState ToCheckState(int state) {
    return state == 2 ? Qt::Checked : state == 1 ? Qt::PartiallyChecked : Qt::Unchecked;
}

}  // namespace

COptIntegrationPage::COptIntegrationPage(CGeneralOptions& options, ShellState getShellExtensionState,
                                         ShellSwitch registerShellExtension,
                                         ShellSwitch unregisterShellExtension, QWidget* parent)
    : COptionsPage(parent),
      m_options(options),
      m_getShellState(std::move(getShellExtensionState)),
      m_registerShell(std::move(registerShellExtension)),
      m_unregisterShell(std::move(unregisterShellExtension)) {
    auto* layout = new QVBoxLayout(this);

    auto* shellGroup = new QGroupBox(tr("File manager"), this);
    auto* shellLayout = new QVBoxLayout(shellGroup);
    m_shell = new QCheckBox(tr("&Add Corvatine to the context menu of files and folders"), shellGroup);
    m_shell->setObjectName(QStringLiteral("shellExtension"));
    m_cascaded = new QCheckBox(tr("Show the commands in a &submenu"), shellGroup);
    m_cascaded->setObjectName(QStringLiteral("cascadedMenu"));
    m_background = new QCheckBox(tr("Show the menu on folder &backgrounds"), shellGroup);
    m_background->setObjectName(QStringLiteral("backgroundMenu"));
    shellLayout->addWidget(m_shell);
    shellLayout->addWidget(m_cascaded);
    shellLayout->addWidget(m_background);
    layout->addWidget(shellGroup);
    if (!m_getShellState || !m_registerShell || !m_unregisterShell) {
        m_shell->setEnabled(false);
        m_shell->setToolTip(tr("The context-menu extension is not part of this build."));
    }
    // The partly installed state is only shown; a click makes the box a
    // plain on/off box.
    connect(m_shell, &QCheckBox::clicked, this, [this] {
        if (m_shell->isTristate() && m_shell->checkState() != Qt::PartiallyChecked)
            m_shell->setTristate(false);
        UpdateMenuBoxes();
    });
    connect(m_shell, &QCheckBox::stateChanged, this, [this] { UpdateMenuBoxes(); });

    auto* clientGroup = new QGroupBox(tr("Version control"), this);
    auto* clientLayout = new QVBoxLayout(clientGroup);
    auto clients = MakeClientIntegrations(platform::CurrentUserHive(),
                                          IntegrationProgramPath(ResolveInstallDir(platform::AppProfile())));
    for (auto& client : clients) {
        CLIENTROW row;
        row.box = new QCheckBox(ClientText(*client), clientGroup);
        row.box->setObjectName(QStringLiteral("client_") + QString::fromStdString(client->Name()));
        clientLayout->addWidget(row.box);
        row.client = std::move(client);
        m_clients.push_back(std::move(row));
    }
    auto* note = new QLabel(tr("The clients' previous settings are kept and put back when a box is cleared."),
                            clientGroup);
    note->setWordWrap(true);
    clientLayout->addWidget(note);
    layout->addWidget(clientGroup);
    layout->addStretch(1);
}

COptIntegrationPage::~COptIntegrationPage() = default;

QString COptIntegrationPage::Title() const { return tr("Integration"); }

int COptIntegrationPage::ShellExtensionState() const {
    switch (m_shell->checkState()) {
        case Qt::Checked: return 2;
        case Qt::PartiallyChecked: return 1;
        default: return 0;
    }
}

void COptIntegrationPage::UpdateMenuBoxes() {
    const bool set = m_shell->checkState() != Qt::Unchecked;
    m_cascaded->setEnabled(set);
    m_background->setEnabled(set);
}

void COptIntegrationPage::Load() {
    m_shellStateAtOpening = m_getShellState ? m_getShellState() : 0;
    m_shell->setTristate(m_shellStateAtOpening == 1);
    m_shell->setCheckState(ToCheckState(m_shellStateAtOpening));
    m_cascaded->setChecked(m_options.cascaded != 0);
    m_background->setChecked(m_options.background != 0);
    UpdateMenuBoxes();
    for (CLIENTROW& row : m_clients) {
        row.configured = row.client->IsConfigured();
        row.integratedAtLoad = row.configured && row.client->IsIntegrated();
        row.box->setEnabled(row.configured);
        row.box->setChecked(row.integratedAtLoad);
        row.box->setToolTip(row.configured ? QString()
                                           : QString::fromStdString(row.client->NotConfiguredReason()));
    }
}

bool COptIntegrationPage::Apply() {
    const int shell = ShellExtensionState();
    if (m_shell->isEnabled() && shell != m_shellStateAtOpening) {
        // A missing library makes installing do nothing, without a message.
        if (shell == 2)
            (void)m_registerShell();
        else if (shell == 0)
            (void)m_unregisterShell();
        m_shellStateAtOpening = shell;
    }
    m_options.cascaded = m_cascaded->isChecked() ? 1 : 0;
    m_options.background = m_background->isChecked() ? 1 : 0;

    QStringList failures;
    for (CLIENTROW& row : m_clients) {
        const bool wanted = row.box->isChecked();
        if (!row.configured || wanted == row.integratedAtLoad) continue;
        if (row.client->SetIntegration(wanted))
            row.integratedAtLoad = wanted;
        else
            failures << QString::fromStdString(row.client->LastError());
    }
    if (failures.isEmpty()) return true;
    QMessageBox::warning(this, tr("Integration"), failures.join(QStringLiteral("\n")));
    return false;
}

}  // namespace corvatine::ui

#include "ui/BinaryPropertiesDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/FileFind.h"
#include "platform/LocalTime.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

std::string Hex(int64_t value) {
    std::string digits;
    for (auto v = static_cast<uint64_t>(value); v != 0 || digits.size() < 8; v >>= 4)
        digits.insert(digits.begin(), "0123456789ABCDEF"[v & 15]);
    return digits;
}

}  // namespace

std::string BinaryReportText(const CBinaryCompareParams& params, const std::vector<BINARYDIFFERENCE>& ranges,
                             const int64_t sizes[2]) {
    std::string text = "Left: " + params.sides[0].path + "\nRight: " + params.sides[1].path + "\n\n";
    int64_t bytes = 0;
    for (const BINARYDIFFERENCE& range : ranges) {
        text += Hex(range.start) + "-" + Hex(range.end) + " ";
        text += range.kind == BYTE_DIFFERENT   ? "different\n"
                : range.kind == BYTE_LEFT_ONLY ? "left-only\n"
                                               : "right-only\n";
        bytes += range.end - range.start;
    }
    if (ranges.empty()) return text + "identical: " + std::to_string(sizes[0]) + " bytes\n";
    return text + std::to_string(ranges.size()) + (ranges.size() == 1 ? " range, " : " ranges, ") +
           std::to_string(bytes) + " bytes differ; left " + std::to_string(sizes[0]) + " bytes, right " +
           std::to_string(sizes[1]) + " bytes\n";
}

QString FileTimeText(const std::string& path) {
    platform::FINDDATA data;
    if (path.empty() || !platform::FindEntry(path, data) || data.lastWriteTime == 0) return QString();
    return FromPath(
        platform::FormatLocalTime(platform::FileTimeToUnixSeconds(data.lastWriteTime), "%Y-%m-%d %H:%M:%S"));
}

CBinaryPropertiesDialog::CBinaryPropertiesDialog(QWidget* parent, const CBinaryCompareParams& params,
                                                 const BINARYSUMMARY& summary)
    : QDialog(parent) {
    m_params.CopyFrom(params);
    setWindowTitle(QStringLiteral("Comparison Properties"));
    setObjectName(QStringLiteral("binaryPropertiesDialog"));
    auto* layout = new QVBoxLayout(this);
    const char* sideNames[2] = {"left", "right"};
    for (int side = 0; side < 2; ++side) {
        auto* box =
            new QGroupBox(side == 0 ? QStringLiteral("Left File") : QStringLiteral("Right File"), this);
        auto* grid = new QGridLayout(box);
        const QString name = QString::fromLatin1(sideNames[side]);
        m_path[side] = new QLineEdit(FromPath(params.sides[side].path), box);
        m_path[side]->setObjectName(name + QStringLiteral("Path"));
        m_path[side]->setMinimumWidth(360);
        auto* browse = new QPushButton(QStringLiteral("..."), box);
        browse->setObjectName(name + QStringLiteral("Browse"));
        connect(browse, &QPushButton::clicked, this, [this, side] {
            const QString chosen =
                QFileDialog::getOpenFileName(this, QStringLiteral("Open"), m_path[side]->text());
            if (!chosen.isEmpty()) m_path[side]->setText(chosen);
        });
        m_readOnly[side] = new QCheckBox(QStringLiteral("&Read only"), box);
        m_readOnly[side]->setObjectName(name + QStringLiteral("ReadOnly"));
        m_readOnly[side]->setChecked((params.sides[side].flags & SIDE_READ_ONLY) != 0);
        auto* size =
            new QLabel(QStringLiteral("%L1 bytes").arg(static_cast<qlonglong>(summary.sizes[side])), box);
        size->setObjectName(name + QStringLiteral("Size"));
        auto* time = new QLabel(FileTimeText(params.sides[side].path), box);
        time->setObjectName(name + QStringLiteral("Time"));
        grid->addWidget(new QLabel(QStringLiteral("Path:"), box), 0, 0);
        grid->addWidget(m_path[side], 0, 1);
        grid->addWidget(browse, 0, 2);
        grid->addWidget(new QLabel(QStringLiteral("Size:"), box), 1, 0);
        grid->addWidget(size, 1, 1);
        grid->addWidget(new QLabel(QStringLiteral("Modified:"), box), 2, 0);
        grid->addWidget(time, 2, 1);
        grid->addWidget(m_readOnly[side], 3, 1);
        layout->addWidget(box);
    }
    auto* outcome = new QGroupBox(QStringLiteral("Comparison"), this);
    auto* grid = new QGridLayout(outcome);
    auto* result = new QLabel(summary.result, outcome);
    result->setObjectName(QStringLiteral("result"));
    const QString more = summary.complete ? QString() : QStringLiteral(" so far");
    auto* differences = new QLabel(QStringLiteral("%L1 ranges, %L2 bytes%3")
                                       .arg(static_cast<qlonglong>(summary.ranges))
                                       .arg(static_cast<qlonglong>(summary.bytes))
                                       .arg(more),
                                   outcome);
    differences->setObjectName(QStringLiteral("differences"));
    grid->addWidget(new QLabel(QStringLiteral("Result:"), outcome), 0, 0);
    grid->addWidget(result, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Differences:"), outcome), 1, 0);
    grid->addWidget(differences, 1, 1);
    layout->addWidget(outcome);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CBinaryCompareParams CBinaryPropertiesDialog::Params() const {
    CBinaryCompareParams params;
    params.CopyFrom(m_params);
    for (int side = 0; side < 2; ++side) {
        params.sides[side].path = ToPath(m_path[side]->text());
        if (m_readOnly[side]->isChecked())
            params.sides[side].flags |= SIDE_READ_ONLY;
        else
            params.sides[side].flags &= ~SIDE_READ_ONLY;
    }
    return params;
}

}  // namespace corvatine::ui

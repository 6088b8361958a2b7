#include "accounts_window/merge_partners_dialog.h"

#include "accounts_window/account_commands.h"
#include "support/message_box.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MergePartnersDialog::MergePartnersDialog(const QStringList& partners, Joiner join, QWidget* parent)
    : QDialog(parent)
    , m_join(std::move(join))
{
    setObjectName(QStringLiteral("MergePartners"));
    setWindowTitle(QStringLiteral("合并往来单位"));
    m_alias = new QComboBox;
    m_alias->setObjectName(QStringLiteral("MergeAlias"));
    m_alias->addItems(partners);
    m_partner = new QComboBox;
    m_partner->setObjectName(QStringLiteral("MergeInto"));
    m_partner->addItems(partners);
    m_partner->setCurrentIndex(-1);

    auto* explanation = new QLabel(QStringLiteral(
        "同一单位写法不同时，把一个名称并入另一个：并入后它的入库、出库和收付款都算在后者名下。"
        "原来的记录不改动。"));
    explanation->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("把"), m_alias);
    form->addRow(QStringLiteral("并入"), m_partner);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("MergeStatus"));
    m_status->setStyleSheet(QStringLiteral("color: #b00000"));
    m_status->setWordWrap(true);

    auto* buttons = new QDialogButtonBox;
    QPushButton* merge = buttons->addButton(QStringLiteral("合并"), QDialogButtonBox::AcceptRole);
    merge->setObjectName(QStringLiteral("Merge"));
    merge->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(merge, &QPushButton::clicked, this, &MergePartnersDialog::onMergeClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
}

void MergePartnersDialog::setAlias(const QString& alias)
{
    m_alias->setCurrentText(alias);
}

void MergePartnersDialog::onMergeClicked()
{
    const QString alias = m_alias->currentText();
    const QString partner = m_partner->currentText();
    if (alias.isEmpty() || partner.isEmpty() || alias == partner) {
        m_status->setText(QStringLiteral("请选择两个不同的名称。"));
        return;
    }
    if (!Messages::askYesNo(this, windowTitle(),
            QStringLiteral("把“%1”并入“%2”吗？以后“%1”的账目都算在“%2”名下，合并不能撤销。")
                .arg(alias, partner)))
        return;
    const Done joined = m_join(alias, partner);
    if (!joined) {
        m_status->setText(QStringLiteral("没有合并：%1").arg(recordFailure(joined.error())));
        return;
    }
    accept();
}

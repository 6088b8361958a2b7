#include "accounts_window/payment_dialog.h"

#include "accounts_window/account_commands.h"
#include "accounts_window/money_text.h"
#include "field_text/fixed_point.h"
#include "history/load_query.h"
#include "support/message_box.h"
#include "support/period_edits.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

const QString waysKey = QStringLiteral("accounts/ways");

QComboBox* editableBox(const QString& name, const QStringList& items)
{
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->lineEdit()->setMaxLength(listedNameLength);
    return box;
}

} // namespace

PaymentDialog::PaymentDialog(const QStringList& partners, const QStringList& ways,
    const QDate& today, Recorder record, QWidget* parent)
    : QDialog(parent)
    , m_record(std::move(record))
    , m_today(today)
{
    setObjectName(QStringLiteral("PaymentDialog"));
    setWindowTitle(QStringLiteral("记收付款"));
    m_partner = editableBox(QStringLiteral("PaymentPartner"), partners);
    m_partner->setCurrentIndex(-1);
    m_partner->setMinimumContentsLength(20);

    auto* received = new QRadioButton(QStringLiteral("收款（对方付给本场）"));
    received->setObjectName(QStringLiteral("Received"));
    received->setChecked(true);
    auto* paid = new QRadioButton(QStringLiteral("付款（本场付给对方）"));
    paid->setObjectName(QStringLiteral("Paid"));
    m_direction = new QButtonGroup(this);
    m_direction->addButton(received, int(PaymentDirection::Received));
    m_direction->addButton(paid, int(PaymentDirection::Paid));
    auto* directions = new QHBoxLayout;
    directions->addWidget(received);
    directions->addWidget(paid);

    m_day = periodDateEdit(QStringLiteral("PaymentDay"), today);
    m_amount = new QLineEdit;
    m_amount->setObjectName(QStringLiteral("PaymentAmount"));
    m_amount->setPlaceholderText(QStringLiteral("元，如 12500.00"));
    m_way = editableBox(QStringLiteral("PaymentWay"), ways);
    m_note = new QLineEdit;
    m_note->setObjectName(QStringLiteral("PaymentNote"));
    m_note->setMaxLength(200);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("往来单位"), m_partner);
    form->addRow(QStringLiteral("收付"), directions);
    form->addRow(QStringLiteral("日期"), m_day);
    form->addRow(QStringLiteral("金额（元）"), m_amount);
    form->addRow(QStringLiteral("方式"), m_way);
    form->addRow(QStringLiteral("备注"), m_note);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("PaymentStatus"));
    m_status->setStyleSheet(QStringLiteral("color: #b00000"));
    m_status->setWordWrap(true);

    auto* buttons = new QDialogButtonBox;
    QPushButton* save = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("Save"));
    save->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(save, &QPushButton::clicked, this, &PaymentDialog::onSaveClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
}

void PaymentDialog::setPartner(const QString& partner)
{
    m_partner->setEditText(partner);
}

void PaymentDialog::say(const QString& text)
{
    m_status->setText(text);
}

bool PaymentDialog::readPayment(Payment& payment)
{
    payment.partner = m_partner->currentText().trimmed();
    if (payment.partner.isEmpty()) {
        say(QStringLiteral("请填写往来单位。"));
        m_partner->setFocus();
        return false;
    }
    const std::optional<qint64> fen = paymentFen(m_amount->text());
    if (!fen) {
        say(QStringLiteral("金额请填写 0.01 到 %1 元之间的数，最多两位小数，如 12500 或 12500.50。")
                .arg(Fen::fromUnits(largestPaymentFen).text().chopped(3)));
        m_amount->setFocus();
        m_amount->selectAll();
        return false;
    }
    payment.way = m_way->currentText().trimmed();
    if (payment.way.isEmpty()) {
        say(QStringLiteral("请填写收付方式，如现金或转账。"));
        m_way->setFocus();
        return false;
    }
    payment.amountFen = *fen;
    payment.direction = PaymentDirection(m_direction->checkedId());
    payment.day = m_day->date();
    payment.note = m_note->text().trimmed();
    payment.recordedAt = QDateTime::currentDateTime();
    // A payment dated ahead counts in no balance until its day comes: most
    // likely a slip of the date.
    if (payment.day > m_today
        && !Messages::askYesNo(this, windowTitle(), QStringLiteral("日期在今天之后，确定吗？"))) {
        m_day->setFocus();
        return false;
    }
    return true;
}

void PaymentDialog::onSaveClicked()
{
    Payment payment;
    if (!readPayment(payment))
        return;
    const Done recorded = m_record(payment);
    if (!recorded) {
        say(QStringLiteral("没有保存：%1").arg(recordFailure(recorded.error())));
        return;
    }
    m_payment = payment;
    accept();
}

QStringList paymentWays(const QString& settingsFile)
{
    const QStringList usual
        = { QStringLiteral("现金"), QStringLiteral("转账"), QStringLiteral("承兑汇票") };
    if (settingsFile.isEmpty())
        return usual;
    const QStringList kept
        = QSettings(settingsFile, QSettings::IniFormat).value(waysKey).toStringList();
    return kept.isEmpty() ? usual : kept;
}

bool addPaymentWay(const QString& settingsFile, const QString& way)
{
    QStringList ways = paymentWays(settingsFile);
    if (ways.contains(way) || settingsFile.isEmpty())
        return true;
    ways << way;
    QSettings file(settingsFile, QSettings::IniFormat);
    file.setValue(waysKey, ways);
    file.sync();
    return file.status() == QSettings::NoError;
}

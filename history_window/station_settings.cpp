#include "history_window/station_settings.h"

#include "history/load_query.h"
#include "history/postgres_history_store.h"
#include "support/failure_text.h"
#include "support/message_box.h"
#include "support/window_keys.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSysInfo>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

QLineEdit* field(const char* name, const QString& text, QWidget* parent)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QPushButton* button(const char* name, const QString& text, QWidget* parent)
{
    auto* push = new QPushButton(text, parent);
    push->setObjectName(QLatin1String(name));
    push->setAutoDefault(false);
    return push;
}

QString certificateDialog(QWidget* parent, const QString& start)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("选择服务器证书"), start,
        QStringLiteral("证书 (*.crt *.pem *.cer);;所有文件 (*)"));
}

} // namespace

StationSettings::StationSettings(QString settingsFile, QWidget* parent)
    : QDialog(parent)
    , m_settingsFile(std::move(settingsFile))
    , m_chooseFile(&certificateDialog)
{
    setObjectName(QStringLiteral("StationSettings"));
    setWindowTitle(QStringLiteral("历史数据服务器"));
    const ServerSettings stored = readServerSettings(m_settingsFile);
    m_host = field("serverHost", stored.host, this);
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("serverPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(stored.port);
    m_database = field("serverDatabase", stored.database, this);
    m_user = field("serverUser", stored.user, this);
    m_station = field("stationName", stored.station, this);
    // As long as the server takes a station's name.
    m_station->setMaxLength(stationNameLength);
    m_station->setPlaceholderText(QSysInfo::machineHostName());
    m_certificate = field("serverCertificate", QDir::toNativeSeparators(stored.certificate), this);
    QPushButton* choose = button("chooseCertificate", QStringLiteral("选择…"), this);
    auto* certificateRow = new QHBoxLayout;
    certificateRow->addWidget(m_certificate);
    certificateRow->addWidget(choose);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("服务器"), m_host);
    form->addRow(QStringLiteral("端口"), m_port);
    form->addRow(QStringLiteral("数据库"), m_database);
    form->addRow(QStringLiteral("用户"), m_user);
    form->addRow(QStringLiteral("检尺站名称"), m_station);
    form->addRow(QStringLiteral("服务器证书"), certificateRow);
    auto* note = new QLabel(
        QStringLiteral("服务器留空时，历史记录只保存在本机。密码不保存在这里，请由管理员写入本机用"
                       "户的 .pgpass 文件。"
                       "服务器证书由管理员提供：连接时用它核对服务器，核对不上就不发送密码。"),
        this);
    note->setWordWrap(true);
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("connectionResult"));
    m_result->setWordWrap(true);
    m_refused = new QLabel(this);
    m_refused->setObjectName(QStringLiteral("refusedRecords"));
    m_refused->setWordWrap(true);
    m_refused->setStyleSheet(QStringLiteral("color: #c00000"));
    m_refused->hide();

    m_test = button("testConnection", QStringLiteral("测试连接"), this);
    QPushButton* save = button("save", QStringLiteral("保存"), this);
    QPushButton* cancel = button("cancel", QStringLiteral("取消"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_test);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_result);
    layout->addWidget(m_refused);
    layout->addLayout(buttons);
    setMinimumWidth(400);
    addCloseKeys(this);

    connect(choose, &QPushButton::clicked, this, &StationSettings::chooseCertificate);
    connect(m_test, &QPushButton::clicked, this, &StationSettings::testConnection);
    connect(save, &QPushButton::clicked, this, &StationSettings::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_testRun, &QFutureWatcher<Done>::finished, this, &StationSettings::showTestResult);
}

ServerSettings StationSettings::settings() const
{
    ServerSettings typed;
    typed.host = m_host->text().trimmed();
    typed.port = m_port->value();
    typed.database = m_database->text().trimmed();
    typed.user = m_user->text().trimmed();
    typed.station = m_station->text().trimmed();
    typed.certificate = QDir::fromNativeSeparators(m_certificate->text().trimmed());
    return typed;
}

void StationSettings::showRefused(const QString& notice)
{
    m_refused->setText(notice);
    m_refused->setVisible(!notice.isEmpty());
}

void StationSettings::chooseCertificate()
{
    const QString chosen = m_chooseFile(this, m_certificate->text().trimmed());
    if (!chosen.isEmpty())
        m_certificate->setText(QDir::toNativeSeparators(chosen));
}

void StationSettings::testConnection()
{
    m_test->setEnabled(false);
    m_result->setText(QStringLiteral("正在连接……"));
    m_testedSettings = settings();
    m_testRun.setFuture(QtConcurrent::run(&testServerConnection, m_testedSettings));
}

void StationSettings::showTestResult()
{
    const Done connected = m_testRun.result();
    QString success = QStringLiteral("连接成功，历史记录可以保存到服务器");
    if (m_testedSettings.usesTls())
        success.prepend(QStringLiteral("服务器的证书与设置中的相符；"));
    m_result->setText(connected ? success : historyFailureMessage(connected.error()));
    m_test->setEnabled(true);
}

void StationSettings::save()
{
    const ServerSettings typed = settings();
    // Which of them would be asked for a password, and how, is not to be guessed.
    if (typed.mixesSocketAndAddress()) {
        Messages::warning(this, windowTitle(),
            historyFailureMessage(Failure(FailureCause::HostsMixed, typed.location())));
        return;
    }
    if (!writeServerSettings(m_settingsFile, typed)) {
        Messages::warning(this, windowTitle(),
            QStringLiteral("设置文件“%1”无法写入").arg(QDir::toNativeSeparators(m_settingsFile)));
        return;
    }
    emit saved(typed);
    accept();
}

#include "backups/backups.h"

#include "backups/backup_manifest.h"
#include "backups/backup_plan.h"
#include "backups/backup_service.h"
#include "backups/backup_settings.h"
#include "support/message_box.h"
#include "support/window_keys.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString title = QStringLiteral("备份与恢复");

QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* made = new QPushButton(text, parent);
    made->setObjectName(QLatin1String(name));
    return made;
}

} // namespace

namespace {

QString stateText(const BackupInfo& backup)
{
    if (backup.damaged)
        return QStringLiteral("已损坏，不能恢复");
    if (backup.unchecked)
        return QStringLiteral("无法检查");
    if (!backup.origin.known())
        return QStringLiteral("完好（来源不明）");
    if (!sameMachineAndUser(backup.origin, thisOrigin()))
        return QStringLiteral("完好（来自另一台电脑或另一个用户）");
    return QStringLiteral("完好");
}

QString strangerWarning(const BackupInfo& backup)
{
    if (!backup.origin.known())
        return QStringLiteral(
            "\n\n这个备份没有记录来自哪台电脑、哪个用户。只有确认它是本店的备份时才恢复。");
    if (!sameMachineAndUser(backup.origin, thisOrigin()))
        return QStringLiteral("\n\n这个备份来自另一台电脑或另一个用户，不是这台电脑上的您备份的。"
                              "只有确认它是本店的备份时才恢复。");
    return QString();
}

} // namespace

QString backupSizeText(qint64 bytes)
{
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

Backups::Backups(BackupService& service, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_service(service)
    , m_chooseFolder([this] { return QFileDialog::getExistingDirectory(this, title); })
{
    setObjectName(QStringLiteral("Backups"));
    setWindowTitle(title);
    build();
    addCloseKeys(this);
    connect(&m_service, &BackupService::listed, this, &Backups::showBackups);
    connect(&m_service, &BackupService::backupDone, this, &Backups::refresh);
    connect(&m_service, &BackupService::restoreDone, this, &Backups::refresh);
    refresh();
}

void Backups::build()
{
    auto* layout = new QVBoxLayout(this);
    m_table = new QTableWidget(0, 6, this);
    m_table->setObjectName(QStringLiteral("BackupList"));
    m_table->setHorizontalHeaderLabels({ QStringLiteral("日期"), QStringLiteral("历史记录（车）"),
        QStringLiteral("库存账本（行）"), QStringLiteral("大小"), QStringLiteral("位置"),
        QStringLiteral("状态") });
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &Backups::showFiles);
    m_files = new QListWidget(this);
    m_files->setObjectName(QStringLiteral("BackupFiles"));
    m_settings = new QWidget(this);
    m_settings->setObjectName(QStringLiteral("SettingsGroups"));
    auto* settings = new QHBoxLayout(m_settings);
    settings->setContentsMargins(0, 0, 0, 0);
    settings->addWidget(new QLabel(QStringLiteral("恢复整个备份时也恢复这些设置："), m_settings));
    settings->addStretch(1);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("BackupState"));

    auto* place = new QHBoxLayout;
    m_secondPlace = new QLineEdit(this);
    m_secondPlace->setObjectName(QStringLiteral("SecondPlace"));
    m_secondPlace->setReadOnly(true);
    m_secondPlace->setPlaceholderText(QStringLiteral("未设置（例如 U 盘或网络文件夹）"));
    m_secondPlace->setText(m_service.secondPlace());
    auto* choose = button(QStringLiteral("选择…"), "ChooseSecondPlace", this);
    auto* clear = button(QStringLiteral("不用"), "ClearSecondPlace", this);
    place->addWidget(new QLabel(QStringLiteral("第二备份位置："), this));
    place->addWidget(m_secondPlace, 1);
    place->addWidget(choose);
    place->addWidget(clear);
    m_onlyHere = new QLabel(
        QStringLiteral("%1：本机的备份和账本在同一块硬盘上，硬盘坏了或文件夹被误删时会一起丢失。"
                       "请选择 U 盘或网络文件夹作为第二备份位置，每次备份都会复制一份过去。")
            .arg(onlyHereText()),
        this);
    m_onlyHere->setObjectName(QStringLiteral("OnlyHere"));
    m_onlyHere->setWordWrap(true);
    m_onlyHere->setStyleSheet(QStringLiteral("color: #b00000"));
    connect(choose, &QPushButton::clicked, this, &Backups::chooseSecondPlace);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_service.setSecondPlace(QString());
        m_secondPlace->clear();
        showOnlyHere();
        refresh();
    });

    auto* buttons = new QHBoxLayout;
    auto* now = button(QStringLiteral("立即备份"), "BackUpNow", this);
    m_restoreWhole = button(QStringLiteral("恢复整个备份"), "RestoreWhole", this);
    m_restoreFile = button(QStringLiteral("恢复选中的文件"), "RestoreFile", this);
    buttons->addWidget(now);
    buttons->addStretch(1);
    buttons->addWidget(m_restoreWhole);
    buttons->addWidget(m_restoreFile);
    connect(now, &QPushButton::clicked, this, [this] {
        if (m_service.backUp())
            m_state->setText(QStringLiteral("正在备份……"));
    });
    connect(m_restoreWhole, &QPushButton::clicked, this, [this] { restoreSelected(true); });
    connect(m_restoreFile, &QPushButton::clicked, this, [this] { restoreSelected(false); });

    layout->addWidget(m_table, 3);
    layout->addWidget(new QLabel(QStringLiteral("选中备份中的文件："), this));
    layout->addWidget(m_files, 2);
    layout->addWidget(m_settings);
    layout->addLayout(place);
    layout->addWidget(m_onlyHere);
    layout->addWidget(m_state);
    layout->addLayout(buttons);
    resize(720, 520);
}

void Backups::refresh()
{
    m_state->setText(QStringLiteral("正在检查备份……"));
    m_service.list();
}

void Backups::showBackups(const QList<BackupInfo>& backups)
{
    m_backups = backups;
    std::sort(m_backups.begin(), m_backups.end(),
        [](const BackupInfo& a, const BackupInfo& b) { return a.time > b.time; });
    m_table->setRowCount(int(m_backups.size()));
    const QString local = backupFolderIn(m_service.localPlace());
    for (int row = 0; row < m_backups.size(); ++row) {
        const BackupInfo& backup = m_backups[row];
        const QStringList texts = { backup.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            backup.loads < 0 ? QStringLiteral("—") : QString::number(backup.loads),
            backup.ledgerRows < 0 ? QStringLiteral("—") : QString::number(backup.ledgerRows),
            backupSizeText(backup.size),
            backup.place == local ? QStringLiteral("本机") : QStringLiteral("第二备份位置"),
            stateText(backup) };
        for (int column = 0; column < texts.size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(texts[column]));
    }
    const bool linked
        = !m_service.secondPlace().isEmpty() && backupFolderIsLink(m_service.secondPlace());
    for (int column = 0; column + 1 < m_table->columnCount(); ++column)
        m_table->resizeColumnToContents(column);
    m_state->setText((m_backups.isEmpty() ? QStringLiteral("还没有备份。")
                                          : QStringLiteral("共 %1 个备份。").arg(m_backups.size()))
        + (linked ? QStringLiteral("第二备份位置中的“备份”是一个链接，不是文件夹：为了安全，"
                                   "程序不读也不写它。请把它换成普通文件夹。")
                  : QString()));
    showOnlyHere();
    showFiles();
}

const BackupInfo* Backups::selected() const
{
    const int row = m_table->currentRow();
    return m_table->selectionModel()->hasSelection() && row >= 0 && row < m_backups.size()
        ? &m_backups[row]
        : nullptr;
}

void Backups::showFiles()
{
    m_files->clear();
    const BackupInfo* backup = selected();
    // Only the books come back; the rest of a backup is there to read.
    if (backup)
        for (const QString& path : backup->files)
            if (!restoredPath(path, m_service.sources()).isEmpty())
                m_files->addItem(path);
    const bool restorable = backup && !backup->damaged && !backup->unchecked;
    qDeleteAll(m_settingsGroups);
    m_settingsGroups.clear();
    auto* row = static_cast<QHBoxLayout*>(m_settings->layout());
    if (restorable)
        for (const QString& group : backup->settingsGroups) {
            auto* box = new QCheckBox(settingsGroupText(group), m_settings);
            box->setProperty("group", group);
            row->insertWidget(row->count() - 1, box);
            m_settingsGroups.append(box);
        }
    m_settings->setVisible(!m_settingsGroups.isEmpty());
    m_restoreWhole->setEnabled(restorable);
    m_restoreFile->setEnabled(restorable);
}

void Backups::chooseSecondPlace()
{
    const QString folder = m_chooseFolder();
    if (folder.isEmpty())
        return;
    m_service.setSecondPlace(folder);
    m_secondPlace->setText(folder);
    showOnlyHere();
}

void Backups::showOnlyHere()
{
    m_onlyHere->setVisible(m_service.secondPlace().isEmpty());
}

void Backups::restoreSelected(bool wholeBackup)
{
    const BackupInfo* backup = selected();
    if (!backup || backup->damaged || backup->unchecked)
        return;
    const QListWidgetItem* file = m_files->currentItem();
    if (!wholeBackup && !file)
        return;
    QStringList groups, names;
    for (const QCheckBox* box : m_settingsGroups)
        if (wholeBackup && box->isChecked()) {
            groups.append(box->property("group").toString());
            names.append(box->text());
        }
    QString what = wholeBackup ? QStringLiteral("整个备份") : file->text();
    if (!names.isEmpty())
        what += QStringLiteral("（以及设置：%1）").arg(names.join(QStringLiteral("、")));
    const QString question
        = QStringLiteral("用 %1 的备份恢复%2吗？现在的文件会先另存为一个新备份。"
                         "服务器设置、证书和备份位置不会恢复。")
              .arg(backup->time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), what)
        + strangerWarning(*backup);
    if (!Messages::askYesNo(this, title, question))
        return;
    if (m_service.restore(*backup, wholeBackup ? QString() : file->text(), groups))
        m_state->setText(QStringLiteral("正在恢复……恢复完成前不能入库、出库或导出账单。"));
}

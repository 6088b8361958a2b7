#pragma once

// A tally window on the real office and real workbook files, for the fault
// suites: each case breaks something, presses a button and checks that the
// window survived, said why, and left the files as they were.

#include "app/tally_program.h"
#include "bill_preview/bill_preview.h"
#include "history_window/history_services.h"
#include "office_fixture.h"
#include "records/bill_export.h"
#include "tally_window/form1.h"
#include "tally_window/tally_field.h"
#include "tally_window/workbook_commands.h"
#include "test_answers.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QStorageInfo>
#include <QTest>
#include <atomic>
#include <csignal>
#include <optional>
#include <thread>

// The buttons of the workbook commands.
inline const char* const stockIn = "Command5";
inline const char* const stockOut = "Command7";
inline const char* const printBill = "Command3";
// What a window's first posting and first bill say before they start.
inline const char* const postingReminder = "每次入库前请先关闭*木材出入库台账*！！";
inline const char* const billReminder = "每次导入数据前请先关闭*木材账单*";

// Every line edit of the window by name, with its text: the tally on screen.
inline QMap<QString, QString> tallyOnScreen(QWidget* window)
{
    QMap<QString, QString> texts;
    for (const QLineEdit* edit : window->findChildren<QLineEdit*>())
        texts.insert(edit->objectName(), edit->text());
    return texts;
}

// A tally window over a fresh program folder that holds copies of the
// shipped workbooks. A case answers its boxes through a TestAnswers; a box
// while it has none fails it.
class FaultTally {
public:
    // The program folder is made in `parent` (a small disk, say); the
    // history is kept in `history` when one is named, and sent to the yard
    // server that the settings in `config` name.
    explicit FaultTally(Spreadsheet& office, const QString& parent = QDir::tempPath(),
        const QString& history = {}, const QString& config = {})
        : m_folder(QDir(parent).filePath(QStringLiteral("program-XXXXXX")))
    {
        if (!installedMessagePresenter())
            m_unanswered.emplace();
        for (const QString& path : { ledger(), bill() }) {
            copyFileOrFail(shippedWorkbook(QFileInfo(path).fileName()), path);
            QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        }
        m_program = std::make_unique<TallyProgram>(
            TallyFolders { m_folder.path(), m_folder.path(), QString(), history, config }, office);
        m_window = &m_program->window();
        QObject::connect(&m_program->billPreview(), &BillPreview::billShown, m_window,
            [this](const QString&, const QString& copy) { m_previewed << copy; });
        // A failed check here would only leave the constructor: the case
        // must not run on with a window that never got ready.
        if (!QTest::qWaitFor([this] { return m_program->commands().speciesListLoaded(); }, 90000))
            qFatal("the tally window's species list never arrived");
    }

    Form1* window() const { return m_window; }
    TallyProgram& program() const { return *m_program; }
    QString folder() const { return m_folder.path(); }
    QString ledger() const { return ledgerPath(m_folder.path()); }
    QString bill() const { return billPath(m_folder.path()); }
    // The archive copies of the bills the preview showed, in order.
    QStringList previewedBills() const { return m_previewed; }
    // The archive copies of today's first `count` bills, as shown to the user.
    QStringList archivedBills(int count) const
    {
        QStringList paths;
        for (int serial = 1; serial <= count; ++serial)
            paths << archivedBillPath(billArchiveFolder(m_folder.path()),
                BillNumber { QDate::currentDate(), serial }, ".xls");
        return paths;
    }

    // A small load: 5 logs of 20 cm and 3 of 30 cm at 4 m, 红松.
    void typeLoad()
    {
        const TallyFields& f = m_window->fields();
        f.lengths[0]->setText(QStringLiteral("4"));
        f.cell(5, 1)->setText(QStringLiteral("5"));
        f.cell(10, 1)->setText(QStringLiteral("3"));
        f.combo3->setEditText(QStringLiteral("红松"));
        m_window->runRecalculationTick();
    }

    // Clicks a button by name and returns how long the window was held.
    qint64 click(const char* button)
    {
        QElapsedTimer clock;
        clock.start();
        QWidget* target = m_window->findChild<QWidget*>(QString::fromLatin1(button));
        if (!target)
            qFatal("no button named %s", button);
        QTest::mouseClick(target, Qt::LeftButton);
        return clock.elapsed();
    }

    struct SignalledPress {
        int presses = 0; // every press, the signalled one last
        qint64 heldMs = 0; // how long the signalled press held the window
    };

    // Clicks the button while another thread waits for the office to open
    // the workbook (its lock file appears) and then sends it `signal` after
    // `delayMs`. A press over before the thread saw the lock is pressed
    // again, up to three times; presses is 0 when no signal landed.
    SignalledPress clickSignallingOffice(
        const char* button, qint64 pid, const QString& workbook, int signal, int delayMs)
    {
        SignalledPress result;
        const QString lock = lockFileOf(workbook);
        for (int press = 1; press <= 3; ++press) {
            std::atomic<bool> over { false };
            std::atomic<bool> sent { false };
            std::thread signaller([&] {
                while (!over && !QFile::exists(lock))
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                if (!over) {
                    ::kill(pid_t(pid), signal);
                    sent = true;
                }
            });
            result.heldMs = click(button);
            over = true;
            signaller.join();
            if (sent) {
                result.presses = press;
                return result;
            }
        }
        return {};
    }

    static QString lockFileOf(const QString& workbook)
    {
        const QFileInfo info(workbook);
        return info.dir().filePath(QStringLiteral(".~lock.%1#").arg(info.fileName()));
    }

private:
    std::optional<TestAnswers> m_unanswered;
    QTemporaryDir m_folder;
    std::unique_ptr<TallyProgram> m_program;
    QStringList m_previewed;
    Form1* m_window = nullptr;
};

// A small disk of its own (a tmpfs, so root only), filled on request.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes)
    {
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                        { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                            QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"),
                            m_mountPoint.path() })
            == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            QProcess::execute(
                QStringLiteral("umount"), { QStringLiteral("-l"), m_mountPoint.path() });
    }

    bool mounted() const { return m_mounted; }
    QString path() const { return m_mountPoint.path(); }
    qint64 free() const { return QStorageInfo(path()).bytesAvailable(); }

    // Fills the disk until at most `leave` bytes are free.
    void fillLeaving(qint64 leave)
    {
        QFile filler(QDir(path()).filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::Append))
            qFatal("cannot fill %s", qPrintable(path()));
        const QByteArray page(4096, '\0');
        while (free() > leave && filler.write(page) == page.size() && filler.flush()) { }
    }
    void makeRoom() { QFile::remove(QDir(path()).filePath(QStringLiteral("filler"))); }

private:
    QTemporaryDir m_mountPoint;
    bool m_mounted = false;
};

// Every file of the folder with its bytes.
inline QMap<QString, QByteArray> folderBytes(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        files.insert(file.fileName(), fileBytes(file.filePath()));
    return files;
}

// The species posted in rows 6, 7, ... of a posting sheet, read by a fresh
// load, up to the first empty row.
inline QStringList postedSpecies(Spreadsheet& office, const QString& ledger, int sheet = 1)
{
    auto book = office.open(ledger);
    Worksheet& posted = book->sheetAt(sheet);
    QStringList species;
    for (int row = 6; !posted.shownText(row, 3).isEmpty(); ++row)
        species << posted.valueText(row, 2);
    book->close();
    return species;
}

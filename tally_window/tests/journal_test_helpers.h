#pragma once

#include "app/tally_program.h"
#include "memory_fixture.h"
#include "memory_workbook.h"
#include "records/stock_ledger.h"
#include "tally_window/form1.h"
#include "tally_window/journal_record.h"
#include "tally_window/tally_journal.h"
#include "tally_window/workbook_commands.h"
#include "test_answers.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

// A tally window on a journal folder the test chooses, so that a second
// window can start where the first one left its journal.
class JournalTally {
public:
    explicit JournalTally(const QString& journalFolder)
    {
        prepareMemoryLedger(m_spreadsheet, ledgerPath(m_folder.path()), { "落叶松", "红松" });
        m_program = std::make_unique<TallyProgram>(
            TallyFolders { m_folder.path(), m_folder.path(), journalFolder, QString(), QString() },
            m_spreadsheet);
        m_window = &m_program->window();
        QTRY_VERIFY(m_program->commands().speciesListLoaded());
    }

    Form1* get() const { return m_window; }
    Form1* operator->() const { return m_window; }
    // An orderly end, as closing the window at the end of the program.
    void end()
    {
        m_program.reset();
        m_window = nullptr;
    }

    QLineEdit* field(const QString& name) const
    {
        auto* found = m_window->findChild<QLineEdit*>(name);
        if (!found)
            qFatal("no field %s", qPrintable(name));
        return found;
    }
    QComboBox* combo(const QString& name) const { return m_window->findChild<QComboBox*>(name); }

    // Every field's text and whether it is shown, once the ticks have
    // settled (a length copied by one tick is calculated by the next).
    QStringList everyField() const
    {
        QStringList last;
        for (int tick = 0; tick < 10; ++tick) {
            m_window->runRecalculationTick();
            const QStringList now = fieldTexts();
            if (now == last)
                break;
            last = now;
        }
        return last;
    }

private:
    QStringList fieldTexts() const
    {
        QStringList all;
        for (const QLineEdit* edit : m_window->findChildren<QLineEdit*>())
            if (!edit->objectName().isEmpty())
                all << edit->objectName() + '=' + edit->text()
                        + (edit->isHidden() ? " hidden" : "");
        for (const QComboBox* box : m_window->findChildren<QComboBox*>())
            all << box->objectName() + '=' + box->currentText();
        for (const char* link : { "Label19", "Label20" })
            all << QString::fromLatin1(link)
                    + (m_window->findChild<QWidget*>(link)->isHidden() ? " hidden" : "");
        return all;
    }

    // A box the case gave no answers for fails it.
    std::optional<TestAnswers> m_unanswered
        = installedMessagePresenter() ? std::nullopt : std::make_optional<TestAnswers>();
    QTemporaryDir m_folder;
    MemorySpreadsheet m_spreadsheet;
    std::unique_ptr<TallyProgram> m_program;
    Form1* m_window = nullptr;
};

inline QString journalPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("tally-journal.json"));
}

inline std::optional<JournalRecord> journalOnDisk(const QString& folder)
{
    QFile file(journalPath(folder));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseJournalJson(file.readAll());
}

inline void writeJournal(const QString& folder, const QByteArray& bytes)
{
    QDir().mkpath(folder);
    QFile file(journalPath(folder));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

#pragma once

#include "app/tally_program.h"
#include "memory_fixture.h"
#include "memory_workbook.h"
#include "records/stock_ledger.h"
#include "tally_window/form1.h"
#include "tally_window/workbook_commands.h"
#include "test_answers.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

// Species of the in-memory ledger that test windows start with.
inline QStringList testSpecies()
{
    return { "落叶松", "红松", "樟子松", "白松", "杨木", "桦木", "柞木", "水曲柳" };
}

// A tally window whose program and price folders are fresh and its own,
// with its ledger in memory.
class TestTally {
public:
    explicit TestTally(bool withLedger = true)
    {
        if (withLedger)
            prepareMemoryLedger(m_spreadsheet, ledgerPath(m_folder.path()), testSpecies());
        start();
    }

    MemorySpreadsheet& spreadsheet() { return m_spreadsheet; }
    TallyProgram& program() { return *m_program; }

    Form1* get() const { return &m_program->window(); }
    Form1* operator->() const { return get(); }
    operator Form1*() const { return get(); }
    QString folder() const { return m_folder.path(); }
    QString journalFolder() const { return m_folder.filePath(QStringLiteral("journal")); }
    // Loads saved by a posting or a bill (what the history would record),
    // over every start.
    int loadsSaved() const { return m_loadsSaved; }

    // 退出, and the program started again on the same folders.
    void exitAndStartAgain()
    {
        const bool shown = get()->isVisible();
        QTest::mouseClick(get()->findChild<QWidget*>(QStringLiteral("Command6")), Qt::LeftButton);
        if (get()->isVisible())
            qFatal("the exit button left the window open");
        m_program.reset();
        start();
        if (shown) {
            get()->show();
            get()->activateWindow();
            if (!QTest::qWaitForWindowActive(get()))
                qWarning("tally window did not become active");
        }
    }

private:
    void start()
    {
        m_program = std::make_unique<TallyProgram>(TallyFolders { m_folder.path(), m_folder.path(),
                                                       journalFolder(), QString(), QString() },
            m_spreadsheet);
        QObject::connect(&m_program->commands(), &WorkbookCommands::loadSaved, get(),
            [this] { ++m_loadsSaved; });
        // A failed check here would only leave the constructor: the case
        // must not run on with a window that never got ready.
        if (!QTest::qWaitFor([this] { return m_program->commands().speciesListLoaded(); }, 30000))
            qFatal("the tally window's species list never arrived");
    }

    // A box the case gave no answers for fails it.
    std::optional<TestAnswers> m_unanswered
        = installedMessagePresenter() ? std::nullopt : std::make_optional<TestAnswers>();
    QTemporaryDir m_folder;
    MemorySpreadsheet m_spreadsheet;
    std::unique_ptr<TallyProgram> m_program;
    int m_loadsSaved = 0;
};

// Finds a control of the tally window by its name, failing loudly if absent.
template <typename T = QLineEdit> T* control(QWidget* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    if (!found)
        qFatal("no control named %s", qPrintable(name));
    return found;
}

inline QLineEdit* field(QWidget* window, const QString& name)
{
    return control<QLineEdit>(window, name);
}

// As the clerk does it: the field selects its text, the keys replace it;
// what is not ASCII comes as an input method commits it. A box takes it in
// its edit line.
inline void typeInto(QWidget* target, const QString& keys)
{
    if (auto* box = qobject_cast<QComboBox*>(target))
        target = box->lineEdit();
    auto* edit = qobject_cast<QLineEdit*>(target);
    if (!edit)
        qFatal("%s takes no typing", qPrintable(target->objectName()));
    edit->setFocus();
    edit->selectAll();
    if (keys.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    for (QChar c : keys) {
        if (c.unicode() < 0x80) {
            QTest::keyClicks(edit, QString(c));
            continue;
        }
        QInputMethodEvent commit;
        commit.setCommitString(QString(c));
        QApplication::sendEvent(edit, &commit);
    }
}

// A shown and active tally window, as the scaler meets it.
inline std::unique_ptr<TestTally> shownForm1()
{
    auto tally = std::make_unique<TestTally>();
    (*tally)->show();
    (*tally)->activateWindow();
    if (!QTest::qWaitForWindowActive(tally->get()))
        qWarning("tally window did not become active");
    return tally;
}

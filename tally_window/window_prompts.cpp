#include "tally_window/window_prompts.h"

#include "support/message_box.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QInputDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString programTitle = QStringLiteral("Quorvane");

// Stays up until the work is done: Esc does not close it.
class BusyDialog : public QProgressDialog {
public:
    using QProgressDialog::QProgressDialog;
    void reject() override { }
};

} // namespace

void WindowPrompts::attach(QWidget* window, QLineEdit* totalVolume)
{
    m_window = window;
    m_totalVolume = totalVolume;
}

void WindowPrompts::showMessage(const QString& text)
{
    Messages::information(m_window, programTitle, text);
}

void WindowPrompts::focusTotalVolume()
{
    if (m_totalVolume)
        m_totalVolume->setFocus(Qt::OtherFocusReason);
}

bool WindowPrompts::askYesNo(const QString& question)
{
    return Messages::askYesNo(m_window, programTitle, question);
}

// The work runs on a worker while the window keeps painting; the modal
// dialog takes the input of every window meanwhile, as a posting does.
void WindowPrompts::whileBusy(const QString& what, const std::function<void()>& work)
{
    BusyDialog dialog(what, QString(), 0, 0, m_window);
    dialog.setObjectName(QStringLiteral("BusyProgress"));
    dialog.setWindowTitle(programTitle);
    dialog.setCancelButton(nullptr);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.show();
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(work));
    if (!watcher.isFinished())
        loop.exec();
    watcher.waitForFinished();
}

int WindowPrompts::chooseOne(const QString& question, const QStringList& options)
{
    QInputDialog dialog(m_window);
    dialog.setObjectName(QStringLiteral("ChooseOne"));
    dialog.setWindowTitle(programTitle);
    dialog.setLabelText(question);
    dialog.setComboBoxItems(options);
    dialog.setComboBoxEditable(false);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return int(options.indexOf(dialog.textValue()));
}

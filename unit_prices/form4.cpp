#include "unit_prices/form4.h"

#include "assets/artwork.h"
#include "input_marks/number_mark.h"
#include "support/failure_text.h"
#include "support/message_box.h"
#include "support/window_keys.h"
#include "unit_prices/price_files.h"

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

namespace {

QRect twips(int left, int top, int width, int height)
{
    return QRect(
        qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0), qRound(height / 15.0));
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(qRound(left / 15.0), qRound(top / 15.0));
    return label;
}

} // namespace

Form4::Form4(const QString& priceFolder, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_priceFolder(priceFolder)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Form4"));
    setFont(songFont(10.5));
    setFixedSize(twips(0, 0, 5820, 3405).size());
    createControls();
    loadPrices();
    addCloseKeys(this);
}

void Form4::createControls()
{
    auto* heading
        = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("单价设置说明"), 2025, 225);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->adjustSize();

    auto* note = makeLabel(this, QStringLiteral("Label2"),
        QStringLiteral("    "
                       "设置完成后点击保存退出即可，系统可自动保存设置的单价。若木材使用统一价格，"
                       "可将单价设置成同一价格即可"),
        450, 600);
    QFont small = note->font();
    small.setPointSizeF(9);
    note->setFont(small);
    note->setWordWrap(true);
    note->setGeometry(twips(450, 600, 4950, 840));
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const char* captions[] = { "直径12CM以下单价：", "直径14-18CM单价：", "直径20CM以上单价：" };
    const char* captionNames[] = { "Label7", "Label12", "Label13" };
    for (int group = 0; group < priceGroupCount; ++group) {
        const int top = 1500 + 375 * group;
        makeLabel(this, QString::fromLatin1(captionNames[group]),
            QString::fromUtf8(captions[group]), 675, top + 75);
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("Text1(%1)").arg(group));
        field->setAlignment(Qt::AlignCenter);
        field->setGeometry(twips(2625, top, 1065, 315));
        markTypedPrice(field);
        field->installEventFilter(this);
        m_text1.append(field);
        makeLabel(this, QStringLiteral("Label4(%1)").arg(group), QStringLiteral("元/立方米"), 3825,
            top + 45);
    }

    m_label3 = makeLabel(this, QStringLiteral("Label3"), QStringLiteral("保存退出"), 4275, 2850);
    QPalette pink = m_label3->palette();
    pink.setColor(QPalette::WindowText, QColor(255, 128, 128));
    m_label3->setPalette(pink);
    m_label3->setCursor(Qt::PointingHandCursor);
    // The last stop of the keyboard: Enter or Space there saves, as a click does.
    m_label3->setFocusPolicy(Qt::TabFocus);
    m_label3->installEventFilter(this);
}

namespace {

bool askToSave(QWidget* window)
{
    return Messages::askYesNo(
        window, QStringLiteral("Quorvane"), QStringLiteral("单价已修改，要保存吗？"));
}

bool isEnter(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

bool Form4::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_label3)
        return saveAndExitEvent(event) || QWidget::eventFilter(watched, event);
    // Enter ends a price and goes on to the next one, and from the last to
    // 保存退出: the keys typed after it never run into the same price.
    const qsizetype group = m_text1.indexOf(qobject_cast<QLineEdit*>(watched));
    if (group >= 0 && isEnter(event)) {
        QWidget* next = m_label3;
        if (group + 1 < m_text1.size())
            next = m_text1[group + 1];
        next->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool Form4::saveAndExitEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        break;
    case QEvent::KeyPress:
        if (!isEnter(event) && static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space)
            return false;
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        // Underlined while it has the focus, so the clerk sees where Enter goes.
        QFont font = m_label3->font();
        font.setUnderline(event->type() == QEvent::FocusIn);
        m_label3->setFont(font);
        return false;
    }
    default:
        return false;
    }
    onSaveAndExitClicked();
    return true;
}

QStringList Form4::typedTexts() const
{
    QStringList texts;
    for (const QLineEdit* field : m_text1)
        texts << field->text();
    return texts;
}

bool Form4::hasUnsavedEdits() const
{
    const QStringList typed = typedTexts();
    return typed != m_savedTexts && typed != m_lettingGo;
}

// The title bar's ✕: edits not saved would be gone at the next start, so
// the clerk is asked. 否 keeps them for this run, as the sheet has them.
void Form4::closeEvent(QCloseEvent* event)
{
    if (hasUnsavedEdits() && askToSave(this) && !savePrices()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool Form4::settleEditsBeforeQuit()
{
    if (!hasUnsavedEdits())
        return true;
    if (askToSave(this))
        return savePrices();
    m_lettingGo = typedTexts();
    return true;
}

void Form4::loadPrices()
{
    m_savedTexts = QStringList(priceGroupCount, QString());
    QStringList errors;
    for (int group = 0; group < priceGroupCount; ++group) {
        const Result<std::optional<QString>> read
            = readPriceFile(priceFilePath(m_priceFolder, group));
        if (!read) {
            errors << priceFileReadMessage(read.error());
        } else if (const std::optional<QString>& text = *read) {
            m_text1[group]->setText(*text);
            m_savedTexts[group] = *text;
        }
    }
    if (!errors.isEmpty())
        showDeferredMessage(errors.join(u'\n'));
}

void Form4::onSaveAndExitClicked()
{
    if (savePrices())
        hide();
}

bool Form4::savePrices()
{
    const QStringList texts = typedTexts();
    const Done written = writePriceFiles(m_priceFolder, texts);
    if (!written) {
        // The window stays open with its texts so nothing typed is lost.
        Messages::warning(this, QStringLiteral("Quorvane"),
            fileFailureMessage(written.error(), QStringLiteral("单价文件")));
        return false;
    }
    m_savedTexts = texts;
    emit saved();
    return true;
}

// The window can be created by the recalculation tick; a modal box there
// would run the event loop inside the tick, so it waits for the tick's end.
void Form4::showDeferredMessage(const QString& text)
{
    QTimer::singleShot(
        0, this, [this, text] { Messages::warning(this, QStringLiteral("Quorvane"), text); });
}

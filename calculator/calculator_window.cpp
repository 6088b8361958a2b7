#include "calculator/calculator_window.h"

#include "support/message_box.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

int px(int twips)
{
    return qRound(twips / 15.0);
}

constexpr int keyWidth = 855;
constexpr int keyHeight = 495;
constexpr int rowTops[] = { 960, 1560, 2160, 2760 };
constexpr int columnLefts[] = { 600, 1560, 2520, 3480, 4440 };

} // namespace

Main::Main(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("计算器"));
    setFixedSize(px(5880), px(3735));
    setFocusPolicy(Qt::StrongFocus);

    m_readout = new QLabel(this);
    m_readout->setObjectName(QStringLiteral("Readout"));
    m_readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_readout->setGeometry(px(720), px(465), px(3120), px(375));
    m_readout->setFrameShape(QFrame::Panel);
    m_readout->setFrameShadow(QFrame::Sunken);
    m_readout->setAutoFillBackground(true);
    QPalette white = m_readout->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_readout->setPalette(white);

    auto* exit = new QPushButton(QStringLiteral("退出"), this);
    exit->setObjectName(QStringLiteral("Command1"));
    exit->setGeometry(px(4425), px(375), px(765), px(465));
    exit->setFocusPolicy(Qt::NoFocus);
    connect(exit, &QPushButton::clicked, this, &QWidget::hide);

    createKeys();
    showReadout();
}

QPushButton* Main::makeKey(const QString& name, const QString& caption, int left, int top)
{
    auto* key = new QPushButton(caption, this);
    key->setObjectName(name);
    key->setGeometry(px(left), px(top), px(keyWidth), px(keyHeight));
    // Keys never take the focus, so typed keys always reach the window.
    key->setFocusPolicy(Qt::NoFocus);
    return key;
}

void Main::createKeys()
{
    // Digit k's place on the key pad: 7 8 9 / 4 5 6 / 1 2 3 / 0.
    const int digitRow[] = { 3, 2, 2, 2, 1, 1, 1, 0, 0, 0 };
    const int digitColumn[] = { 0, 0, 1, 2, 0, 1, 2, 0, 1, 2 };
    for (int k = 0; k < 10; ++k) {
        QPushButton* key = makeKey(QStringLiteral("Number(%1)").arg(k), QString::number(k),
            columnLefts[digitColumn[k]], rowTops[digitRow[k]]);
        connect(key, &QPushButton::clicked, this, [this, k] {
            m_engine.pressDigit(k);
            showReadout();
        });
        m_number.append(key);
    }

    struct OperatorPlace {
        const char* caption;
        int column;
        int row;
    };
    const OperatorPlace operators[]
        = { { "/", 4, 1 }, { "+", 3, 0 }, { "X", 3, 1 }, { "-", 4, 0 }, { "=", 3, 2 } };
    for (int i = 0; i < 5; ++i) {
        const OperatorPlace& place = operators[i];
        QPushButton* key = makeKey(QStringLiteral("Operator(%1)").arg(i),
            QString::fromLatin1(place.caption), columnLefts[place.column], rowTops[place.row]);
        connect(key, &QPushButton::clicked, this, [this, key] { onOperatorClicked(key); });
        m_operator.append(key);
    }

    auto simpleKey = [this](const char* name, const char* caption, int column, int row,
                         void (CalculatorEngine::*press)()) {
        QPushButton* key = makeKey(QString::fromLatin1(name), QString::fromLatin1(caption),
            columnLefts[column], rowTops[row]);
        connect(key, &QPushButton::clicked, this, [this, press] {
            (m_engine.*press)();
            showReadout();
        });
        return key;
    };
    m_percent = simpleKey("Percent", "%", 4, 2, &CalculatorEngine::pressPercent);
    m_negcmd = simpleKey("negcmd", "+/-", 1, 3, &CalculatorEngine::pressSign);
    m_decimal = simpleKey("Decimal", ".", 2, 3, &CalculatorEngine::pressDecimal);
    m_cancel = simpleKey("Cancel", "C", 3, 3, &CalculatorEngine::pressClear);
    m_cancelEntry = simpleKey("CancelEntry", "CE", 4, 3, &CalculatorEngine::pressClearEntry);
}

// The operator is the key's caption, never its place in the array.
void Main::onOperatorClicked(QPushButton* key)
{
    const auto result = m_engine.pressOperator(key->text());
    showReadout();
    if (result == CalculatorEngine::KeyResult::DivisionByZero)
        Messages::warning(this, QStringLiteral("计算器"), QStringLiteral("除数不能为零"));
}

void Main::showReadout()
{
    m_readout->setText(m_engine.readout());
}

void Main::keyPressEvent(QKeyEvent* event)
{
    QPushButton* key = nullptr;
    const QString typed = event->text();
    if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9)
        key = m_number[event->key() - Qt::Key_0];
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        key = m_operator[4];
    else if (event->key() == Qt::Key_Escape)
        key = m_cancel;
    else if (event->key() == Qt::Key_Delete)
        key = m_cancelEntry;
    else if (typed == QStringLiteral(".") || typed == QStringLiteral(","))
        key = m_decimal;
    else if (typed == QStringLiteral("%"))
        key = m_percent;
    else if (typed == QStringLiteral("*") || typed == QStringLiteral("x")
        || typed == QStringLiteral("X"))
        key = m_operator[2];
    else
        for (QPushButton* op : m_operator)
            if (op->text() == typed)
                key = op;
    if (key)
        key->click();
    else
        QWidget::keyPressEvent(event);
}

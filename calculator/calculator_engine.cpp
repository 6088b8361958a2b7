#include "calculator/calculator_engine.h"

#include "field_text/field_text.h"

#include <QLocale>

CalculatorEngine::CalculatorEngine()
{
    reset();
}

// The last step of C and the whole of creation.
void CalculatorEngine::reset()
{
    m_fractionMode = false;
    m_operandCount = 0;
    m_inputState = InputState::None;
    m_pendingOp.clear();
    m_readout = zeroReadout();
}

QString CalculatorEngine::separator() const
{
    return QLocale().decimalPoint();
}

QString CalculatorEngine::zeroReadout() const
{
    return QStringLiteral("0") + separator();
}

// Readouts are read by the locale's rules: "12." is 12.
double CalculatorEngine::number(const QString& text) const
{
    QString plain = text;
    plain.replace(separator(), QStringLiteral("."));
    return leadingNumber(plain);
}

// Up to 15 significant digits, no trailing separator; overflow shows "溢出".
QString CalculatorEngine::resultText(double value) const
{
    QString text = plainNumberText(value);
    text.replace(u'.', separator());
    return text;
}

bool CalculatorEngine::signKeysAccepted() const
{
    return m_inputState != InputState::Operator || m_pendingOp == QStringLiteral("=");
}

void CalculatorEngine::pressDigit(int digit)
{
    if (m_inputState != InputState::Numbers) {
        m_readout = separator();
        m_fractionMode = false;
    }
    const QString d = QString::number(digit);
    if (m_fractionMode) {
        m_readout += d;
    } else {
        const qsizetype point = m_readout.indexOf(separator());
        m_readout = (point < 0 ? m_readout : m_readout.left(point)) + d + separator();
    }
    m_inputState = InputState::Numbers;
}

void CalculatorEngine::pressDecimal()
{
    if (m_inputState != InputState::Numbers)
        m_readout = zeroReadout();
    m_fractionMode = true;
    m_inputState = InputState::Numbers;
}

void CalculatorEngine::pressSign()
{
    if (!signKeysAccepted())
        return;
    if (m_readout.startsWith(u'-'))
        m_readout.remove(0, 1);
    else
        m_readout.prepend(u'-');
}

void CalculatorEngine::pressPercent()
{
    if (!signKeysAccepted())
        return;
    m_readout = resultText(number(m_readout) / 100);
    m_inputState = InputState::Percent;
    m_fractionMode = true;
}

CalculatorEngine::KeyResult CalculatorEngine::pressOperator(const QString& op)
{
    KeyResult result = KeyResult::Done;
    if (m_inputState != InputState::Operator)
        ++m_operandCount;
    if (m_operandCount == 1)
        m_accumulator = m_readout;
    if (m_operandCount == 2) {
        m_operand = m_readout;
        const double a = number(m_accumulator);
        const double b = number(m_operand);
        if (m_pendingOp == QStringLiteral("+"))
            m_accumulator = resultText(a + b);
        else if (m_pendingOp == QStringLiteral("-"))
            m_accumulator = resultText(a - b);
        else if (m_pendingOp == QStringLiteral("X"))
            m_accumulator = resultText(a * b);
        else if (m_pendingOp == QStringLiteral("/")) {
            if (b == 0)
                result = KeyResult::DivisionByZero;
            else
                m_accumulator = resultText(a / b);
        } else if (m_pendingOp == QStringLiteral("="))
            m_accumulator = resultText(b);
        m_readout = m_accumulator;
        m_operandCount = 1;
    }
    m_inputState = InputState::Operator;
    m_pendingOp = op;
    return result;
}

void CalculatorEngine::pressClear()
{
    m_readout = zeroReadout();
    m_accumulator = QStringLiteral("0");
    m_operand = QStringLiteral("0");
    reset();
}

void CalculatorEngine::pressClearEntry()
{
    m_readout = zeroReadout();
    m_fractionMode = false;
    m_inputState = InputState::ClearedEntry;
}

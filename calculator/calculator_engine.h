#pragma once

// The state and keys of the pocket calculator, apart from any widget. One
// operation per key; the window forwards clicks and shows readout().

#include <QString>

class CalculatorEngine {
public:
    enum class InputState { None, Numbers, Operator, ClearedEntry, Percent };
    enum class KeyResult { Done, DivisionByZero };

    CalculatorEngine();

    QString readout() const { return m_readout; }

    void pressDigit(int digit);
    void pressDecimal();
    void pressSign();
    void pressPercent();
    // `op` is an operator key's caption: "+", "-", "X", "/" or "=".
    KeyResult pressOperator(const QString& op);
    void pressClear();
    void pressClearEntry();

    // The state, for tests.
    QString accumulator() const { return m_accumulator; }
    InputState inputState() const { return m_inputState; }
    int operandCount() const { return m_operandCount; }
    QString pendingOp() const { return m_pendingOp; }

private:
    void reset();
    QString separator() const;
    QString zeroReadout() const;
    double number(const QString& text) const;
    QString resultText(double value) const;
    bool signKeysAccepted() const;

    // Accumulator and Operand hold the readout's text when taken from it,
    // and the general text of a result when computed.
    QString m_accumulator;
    QString m_operand;
    bool m_fractionMode = false;
    qint16 m_operandCount = 0;
    InputState m_inputState = InputState::None;
    QString m_pendingOp;
    QString m_readout;
};

#pragma once

// Main, the calculator window. All state lives in CalculatorEngine; the
// window forwards key clicks (and the matching keyboard keys) to it and
// shows its readout. Exit hides the window and keeps the state.

#include "calculator/calculator_engine.h"

#include <QVector>
#include <QWidget>

class QLabel;
class QPushButton;

class Main : public QWidget {
    Q_OBJECT

public:
    explicit Main(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* makeKey(const QString& name, const QString& caption, int left, int top);
    void createKeys();
    void onOperatorClicked(QPushButton* key);
    void showReadout();

    CalculatorEngine m_engine;
    QLabel* m_readout = nullptr;
    QVector<QPushButton*> m_number;
    QVector<QPushButton*> m_operator;
    QPushButton* m_decimal = nullptr;
    QPushButton* m_percent = nullptr;
    QPushButton* m_negcmd = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_cancelEntry = nullptr;
};

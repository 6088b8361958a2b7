#pragma once

// The program's messages and questions: modal boxes over the tally window,
// OK only or 是 / 否, no icon, the program's title.

#include "records/command_prompts.h"

class QLineEdit;
class QWidget;

class WindowPrompts : public CommandPrompts {
public:
    // The boxes open over `window`; a missing volume puts the focus on
    // `totalVolume`. Both must be set before the first box.
    void attach(QWidget* window, QLineEdit* totalVolume);

    void showMessage(const QString& text) override;
    void focusTotalVolume() override;
    bool askYesNo(const QString& question) override;
    int chooseOne(const QString& question, const QStringList& options) override;
    void whileBusy(const QString& what, const std::function<void()>& work) override;

private:
    QWidget* m_window = nullptr;
    QLineEdit* m_totalVolume = nullptr;
};

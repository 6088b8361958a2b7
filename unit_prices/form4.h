#pragma once

// Form4, the unit price window. Its three fields Text1(0..2) are the live
// unit prices that the recalculation reads on every tick; the price files
// only fill them when the window is created and keep them when the user
// saves. The window is hidden, never destroyed, by its save command; its
// title bar's ✕ asks first when the prices differ from the files, and so
// does the end of the program.

#include <QLineEdit>
#include <QVector>
#include <QWidget>

class QLabel;

class Form4 : public QWidget {
    Q_OBJECT

public:
    explicit Form4(const QString& priceFolder, QWidget* parent = nullptr);

    QString priceText(int group) const { return m_text1[group]->text(); }
    const QLineEdit* priceField(int group) const { return m_text1[group]; }

    // Before the program ends: prices edited and not saved are asked about
    // as the ✕ asks. 是 saves them; 否 lets them go, unasked again until
    // the next edit. False when they were to be saved and could not be
    // (said to the clerk): the program must not end.
    bool settleEditsBeforeQuit();
    // Texts differ from the price files, and are not edits let go at the end.
    bool hasUnsavedEdits() const;
    QStringList typedTexts() const;

signals:
    // The prices were saved and the window is about to hide.
    void saved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void loadPrices();
    void onSaveAndExitClicked();
    bool saveAndExitEvent(QEvent* event);
    // Writes the price files; false, said to the clerk, when they could not be.
    bool savePrices();
    void showDeferredMessage(const QString& text);

    QString m_priceFolder;
    QVector<QLineEdit*> m_text1;
    QStringList m_savedTexts; // as the price files hold them
    QStringList m_lettingGo; // edits the clerk chose not to keep at the end
    QLabel* m_label3 = nullptr;
};

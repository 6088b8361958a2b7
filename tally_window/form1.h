#pragma once

// Form1, the tally sheet window. It is the data model: every value of a
// tally is the text of one of its fields (TallyFields). Typing and code
// writes go straight into the fields; change reactions (entry_behaviour)
// run inside each write, and Timer1's tick recalculates. The window builds
// its controls at their design places, keeps its few window operations
// (moving by its background, minimising, ending the program, keeping its
// design size) and forwards its buttons: the workbook commands read the
// tally as a Tally when they run, the history services record it and show
// the past loads.

#include "history/load_record.h"
#include "tally_window/tally_fields.h"

#include <QPixmap>
#include <QPointF>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class ClickLabel;
class CommandPrompts;
class EntryBehaviour;
class FieldsSheet;
class Form4;
class HistoryServices;
class Main;
class PictureButton;
class QLabel;
class QSessionManager;
class QTimer;
class Recalculation;
class TallyGate;
class TallyJournal;
class WorkbookCommands;

class Form1 : public QWidget {
    Q_OBJECT

public:
    // The commands, the history (null: none) and the prompts, which say
    // and ask things over this window, must outlive it.
    Form1(const QString& priceFolder, const QString& journalFolder, WorkbookCommands& commands,
        HistoryServices* history, CommandPrompts& prompts, QWidget* parent = nullptr);
    ~Form1() override;
    // What F1 opens: the program's help.
    void setHelp(std::function<void()> show) { m_showHelp = std::move(show); }

    const TallyFields& fields() const { return m_fields; }
    // The tally as the window shows it now.
    Tally tally() const;
    // Rises with every edit of the tally's texts.
    quint64 tallyEdits() const { return m_tallyEdits; }

    // The handler of Timer1, every 100 ms.
    void runRecalculationTick();

    // The unit price window, created hidden on first use.
    Form4* unitPriceWindow();

    // The design size in pixels (10620 x 9540 twips).
    static QSize designSize();

    TallyJournal& journal() { return *m_journal; }

    // The ledger's species list into Combo3; whatever was typed stays.
    void showSpeciesList(const QStringList& species);
    // A load of the history into the sheet, for editing; asks first when
    // the sheet holds data. False when the clerk said no.
    bool openLoadIntoTally(const LoadRecord& load);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createGrid();
    void createLengthFields();
    void createTotals();
    void createPriceSummary();
    void createBillFields();
    void createRightColumn();
    void createLayoutLinks();
    void createButtons();
    void setTabOrder();
    void connectButtons();
    void connectHistory();
    void countTallyEdits();
    void keepDesignSize();

    void onMinimiseClicked();
    void onExitClicked();
    void onUnitPriceLinkClicked();
    void onCalculatorLinkClicked();
    void onHistoryLinkClicked();
    // Shows a window of the tally's, moved beside it when `moveBeside`.
    void showBesideTally(QWidget* window, bool moveBeside);
    void onUnitPricesSaved();
    bool settleUnitPrices();
    void onSessionEnding(QSessionManager& session);
    void placeUnitPriceWindow();
    void onHelpRequested(); // F1
    void showWaitingForServer();
    bool tallyHoldsData() const;

    WorkbookCommands& m_commands;
    HistoryServices* m_history;
    std::function<void()> m_showHelp;
    CommandPrompts& m_prompts;
    quint64 m_tallyEdits = 0;
    TallyFields m_fields;
    Tally m_startingTexts; // what the sheet holds before anything is typed
    EntryBehaviour* m_entry = nullptr;
    std::unique_ptr<FieldsSheet> m_sheet;
    std::unique_ptr<Recalculation> m_recalculation;
    std::unique_ptr<TallyJournal> m_journal;
    std::unique_ptr<TallyGate> m_gate;
    bool m_exitByButton = false; // the close under way is the exit button's
    QTimer* m_timer1 = nullptr;
    bool m_ticking = false;
    // The unit price window and the calculator, made when first shown.
    struct ToolWindows {
        QString priceFolder;
        Form4* unitPrices = nullptr;
        Main* calculator = nullptr;
    } m_tools;
    struct Labels {
        ClickLabel* unitPriceLink = nullptr; // Label5
        ClickLabel* calculatorLink = nullptr; // Label23
        ClickLabel* historyLink = nullptr; // Label24
        QLabel* waiting = nullptr; // Label25: loads waiting for the yard's server
        QLabel* restored = nullptr; // Label26: the sheet came back from the last exit
    } m_labels;
    struct Buttons {
        PictureButton* minimise = nullptr; // Command2
        PictureButton* printBill = nullptr; // Command3
        PictureButton* clear = nullptr; // Command4
        PictureButton* stockIn = nullptr; // Command5
        PictureButton* exit = nullptr; // Command6
        PictureButton* stockOut = nullptr; // Command7
        PictureButton* viewStock = nullptr; // Command8
    } m_buttons;

    QPixmap m_background;
    // Where the window was grabbed, while it is dragged.
    std::optional<QPointF> m_dragOffset;
};

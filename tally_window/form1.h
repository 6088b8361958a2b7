#pragma once

// Form1, the tally sheet window. It is the data model: every value of a
// tally is the text of one of its fields (TallyFields). Typing and code
// writes go straight into the fields; change reactions (entry_behaviour)
// run inside each write. The window itself only builds its controls at their
// design places and owns its few window operations: moving by its
// background, minimising, ending the program and keeping its design size.

#include "history/load_record.h"
#include "tally_window/tally_fields.h"

#include <QPixmap>
#include <QPointF>
#include <QWidget>
#include <array>
#include <memory>

class ClickLabel;
class EntryBehaviour;
class FieldsSheet;
class Form4;
class Main;
class PictureButton;
class QTimer;
class Recalculation;
class CommandPrompts;
class Spreadsheet;
class StockPosting;
class TallyJournal;
class History;
class HistoryRecorder;
class HistorySender;
class QLabel;
struct ReadingStore;
struct ServerSettings;
class QStringListModel;
struct LoadRecord;
class BillExport;
struct BillFields;
struct PostingFields;
struct SpeciesLoad;
template <typename T> class QFutureWatcher;

// Where the program keeps its files.
struct TallyFolders {
    QString program; // the program's own folder, with the workbooks
    QString prices; // the unit price files
    QString journal; // the tally journal; empty: the window keeps none
    QString history; // the history of loads; empty: the window keeps none
    QString config; // the configuration file's folder; empty: no yard server
};

class Form1 : public QWidget {
    Q_OBJECT

public:
    // The spreadsheet serves every workbook command and must outlive the window.
    Form1(const TallyFolders& folders, Spreadsheet& spreadsheet, QWidget* parent = nullptr);
    ~Form1() override;

    const TallyFields& fields() const { return m_fields; }

    // The handler of Timer1, every 100 ms.
    void runRecalculationTick();

    // The unit price window, created hidden on first use.
    Form4* unitPriceWindow();

    // The design size in pixels (10620 x 9540 twips).
    static QSize designSize();

    // Whether the species list read at start has arrived (or failed).
    bool speciesListLoaded() const;

    TallyJournal& journal() { return *m_journal; }

    // Null when the window keeps no history.
    HistoryRecorder* history();
    // A load of the history into the sheet, for editing; asks first when
    // the sheet holds data. False when the clerk said no.
    bool openLoadIntoTally(const LoadRecord& load);
    // The bill of a past load again, with its own date and number; it adds
    // no record.
    bool reprintBill(const LoadRecord& load);
    // The history window once opened; null before.
    History* historyWindow() const;

signals:
    // After each posting or bill that the history was asked to record.
    void loadRecorded();

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
    void keepDesignSize();

    void onMinimiseClicked();
    void onExitClicked();
    void onUnitPriceLinkClicked();
    void onCalculatorLinkClicked();
    // Shows a window of the tally's, moved beside it when `moveBeside`.
    void showBesideTally(QWidget* window, bool moveBeside);
    void onUnitPricesSaved();
    void placeUnitPriceWindow();
    void onAboutRequested(); // F1: the program's name and version

    // Workbook commands (form1_records.cpp).
    void connectWorkbookCommands();
    void startSpeciesLoad();
    void onSpeciesLoaded();
    void onStockPostingClicked(StockPosting& posting);
    void onViewStockClicked();
    void onPrintBillClicked();
    BillFields billFields() const;
    PostingFields postingFields() const;
    void countTallyEdits();

    // History (form1_history.cpp).
    void connectHistory();
    void recordLoad(LoadKind kind, const QString& billNumber = {});
    void offerUsedValues();
    void addUsedValues(const LoadRecord& load);
    bool tallyHoldsData() const;
    void onHistoryLinkClicked();
    bool openHistoryWindow();
    void onStationSettingsRequested();
    void onServerSettingsSaved(const ServerSettings& settings);
    void showWaitingForServer();

    TallyFolders m_folders;
    Spreadsheet& m_spreadsheet;
    std::unique_ptr<CommandPrompts> m_prompts;
    std::unique_ptr<StockPosting> m_stockIn;
    std::unique_ptr<StockPosting> m_stockOut;
    std::unique_ptr<BillExport> m_bill;
    QFutureWatcher<SpeciesLoad>* m_speciesLoad = nullptr;
    bool m_speciesListLoaded = false;
    bool m_commandRunning = false;
    quint64 m_tallyEdits = 0;
    TallyFields m_fields;
    EntryBehaviour* m_entry = nullptr;
    std::unique_ptr<FieldsSheet> m_sheet;
    std::unique_ptr<Recalculation> m_recalculation;
    std::unique_ptr<TallyJournal> m_journal;
    std::unique_ptr<HistoryRecorder> m_history;
    std::unique_ptr<HistorySender> m_sender;
    QString m_settingsFile;
    std::unique_ptr<ReadingStore> m_reading; // what the history window reads
    // A window of its own, not a child: the tally's children are its fields.
    std::unique_ptr<History> m_historyWindow;
    std::array<QStringListModel*, 5> m_usedValues {}; // buyer, truck, supplier, contact, scaler
    QTimer* m_timer1 = nullptr;
    Form4* m_form4 = nullptr;
    Main* m_main = nullptr;
    bool m_ticking = false;
    ClickLabel* m_label5 = nullptr; // unit price link
    ClickLabel* m_label23 = nullptr; // calculator link
    ClickLabel* m_label24 = nullptr; // history link
    QLabel* m_label25 = nullptr; // loads waiting for the yard's server
    PictureButton* m_command2 = nullptr; // minimise
    PictureButton* m_command3 = nullptr; // print bill
    PictureButton* m_command4 = nullptr; // clear data
    PictureButton* m_command5 = nullptr; // stock in
    PictureButton* m_command6 = nullptr; // exit
    PictureButton* m_command7 = nullptr; // stock out
    PictureButton* m_command8 = nullptr; // view stock

    QPixmap m_background;
    bool m_dragging = false;
    QPointF m_dragOffset;
};

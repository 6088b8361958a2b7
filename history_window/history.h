#pragma once

// History, the window of past loads. Two tabs: the loads a filter selects
// (a LoadTableModel that reads and sorts in the store, a page at a time as
// the view scrolls) with their exact totals kind by kind, and the stock
// report (ReportTab). Every filter change queries the store again at once;
// the window holds no SQL of its own. Exports write the loads shown with
// every field recorded (loads_export.h): CSV directly, Excel through the
// spreadsheet on another thread, so the window never waits for the office.

#include "history/history_reader.h"

#include <QWidget>
#include <functional>
#include <optional>

class LoadTableModel;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class ReportTab;
class Spreadsheet;
class BackgroundPass;
struct PassOutcome;

class History : public QWidget {
    Q_OBJECT

public:
    // `reader`: any store's reads. It and `spreadsheet`, which serves the
    // Excel export, must outlive the window. `today` dates the default
    // period (this month).
    History(HistoryReader& reader, Spreadsheet& spreadsheet, std::function<QDate()> today = {},
        QWidget* parent = nullptr);
    ~History() override;

    // Reads the loads, totals and report again, keeping filters and sort.
    void refresh();
    // The station column and filter, for a store of several stations.
    void setStationsShown(bool shown);
    // A line under the tabs, e.g. why this machine's own loads are shown.
    void setNotice(const QString& text);

    // Asks where to save (caption, suggested name, filter); empty: cancelled.
    using SavePathAsker = std::function<QString(
        const QString& caption, const QString& name, const QString& filter)>;
    void setSavePathAsker(SavePathAsker ask);
    // The configuration file, where the exports' dialog keeps the folder
    // last saved to; empty: none kept.
    void setSettingsFile(const QString& file) { m_settingsFile = file; }

    LoadFilter currentFilter() const;
    // Whether an Excel export is still running.
    bool exportRunning() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void openLoadRequested(const LoadRecord& load);
    void reprintRequested(const LoadRecord& load);
    // 检尺站设置 was pressed.
    void stationSettingsRequested();
    // 往来账 was pressed.
    void accountsRequested();
    // After an export was written, with its path.
    void exported(const QString& path);
    // After the report's PDF was written, with its path.
    void reportSaved(const QString& path);

private:
    QWidget* buildLoadsTab();
    QLayout* buildFilters();
    QLayout* buildButtons();
    void sizeToScreen();
    void setColumnWidths();
    void shareColumnWidths();
    void fillSpeciesFilter();
    void fillStationFilter();
    void onFilterChanged();
    void refreshReportWhenShown();
    void showTotals();
    void updateButtons();
    void showReadFailure(const QString& what, const Failure& error);
    void showBoxesFailure(const QString& what, const Failure& error);
    void clearReadFailure();
    void showMessage(const QString& text);
    std::optional<LoadRecord> selectedLoad(int row);
    void onOpenClicked();
    void onReprintClicked();
    QVector<QStringList> exportedRows();
    void onCsvClicked();
    void onExcelClicked();
    void onExcelFinished(const QString& path, const PassOutcome& outcome);
    void setExportRunning(bool running);

    HistoryReader& m_reader;
    Spreadsheet& m_spreadsheet;
    std::function<QDate()> m_today;
    SavePathAsker m_askSavePath;
    QString m_settingsFile;
    QVector<int> m_naturalWidths; // of each column, for its longest figures
    LoadTableModel* m_model = nullptr;
    std::optional<KindTotals> m_totals; // none while they are not read
    QString m_totalsFailure; // what the totals line says while they are not read
    bool m_totalsOutOfRange = false; // the loads are read, their sums are not
    bool m_stationsShown = false;
    bool m_readFailed = false;
    QString m_boxesFailure; // the species or stations not read, while they are not

    QTabWidget* m_tabs = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_species = nullptr;
    QLabel* m_stationCaption = nullptr;
    QComboBox* m_station = nullptr;
    QLineEdit* m_text = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_totalsLabel = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_reprint = nullptr;
    QPushButton* m_csv = nullptr;
    QPushButton* m_excel = nullptr;
    QPushButton* m_stationSettings = nullptr;
    ReportTab* m_report = nullptr;
    bool m_reportStale = true;
    bool m_exporting = false;
    BackgroundPass* m_excelExport = nullptr;
};

// The totals of one kind, e.g. "共 12 车，件数 340，材积 45.6780 m³，金额 36542.40 元".
QString totalsText(const LoadTotals& totals);
// The totals under the table: the kind filtered on, or under 0 (全部) one
// line per kind, each after its kind ("入库：共 …").
QString kindTotalsText(const KindTotals& totals, int kindFilter);

#pragma once

// The history window's report: stock in and stock out of a period, per
// species, day or month, as a table with its totals row and as a bar chart
// of the m³, printable as a PDF. Read from the store when the period or the
// grouping changes, and on refresh().

#include "history/history_reader.h"

#include <QWidget>
#include <functional>
#include <optional>

class QBarSeries;
class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

class ReportTab : public QWidget {
    Q_OBJECT

public:
    using SavePathAsker = std::function<QString(
        const QString& caption, const QString& name, const QString& filter)>;

    // `reader` must outlive the tab.
    ReportTab(HistoryReader& reader, const QDate& today, QWidget* parent = nullptr);

    void refresh();
    // Read at the next refresh.
    void setStation(const QString& station);
    void setSavePathAsker(SavePathAsker ask) { m_askSavePath = std::move(ask); }
    QString title() const;
    QVector<ReportRow> rows() const { return m_rows; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // After each read, with its failure when it failed.
    void readResult(const std::optional<Failure>& failure);
    void saved(const QString& path);
    void saveFailed(const QString& failure);

private:
    void buildControls(const QDate& today);
    void fillTable();
    void fillChart();
    QStringList rowTexts(const ReportRow& row) const;
    QStringList totalTexts() const;
    void onPrintClicked();

    HistoryReader& m_reader;
    QString m_station;
    QVector<ReportRow> m_rows;
    SavePathAsker m_askSavePath;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QComboBox* m_grouping = nullptr;
    QPushButton* m_print = nullptr;
    QTableWidget* m_table = nullptr;
    QVector<int> m_naturalWidths; // of each column, for its texts
    QChartView* m_chartView = nullptr;
};

QStringList reportHeadings(ReportGrouping grouping);

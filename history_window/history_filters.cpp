// The filter boxes above the loads: the period, the kind, the species and
// the station, and the search text; any change queries the loads again.

#include "history/load_columns.h"
#include "history/load_table_model.h"
#include "history_window/history.h"
#include "history_window/report_tab.h"
#include "support/period_edits.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

QLayout* History::buildFilters()
{
    const LoadFilter month = LoadFilter::thisMonth(m_today());
    m_from = periodDateEdit(QStringLiteral("fromDate"), month.from);
    m_to = periodDateEdit(QStringLiteral("toDate"), month.to);
    m_kind = new QComboBox;
    m_kind->setObjectName(QStringLiteral("kindFilter"));
    m_kind->addItem(QStringLiteral("全部"), 0);
    for (LoadKind kind : loadKinds)
        m_kind->addItem(loadKindText(kind), int(kind));
    m_species = new QComboBox;
    m_species->setObjectName(QStringLiteral("speciesFilter"));
    m_species->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_station = new QComboBox;
    m_station->setObjectName(QStringLiteral("stationFilter"));
    m_station->addItem(QStringLiteral("全部"));
    m_stationCaption = new QLabel(QStringLiteral("检尺站"));
    m_station->hide();
    m_stationCaption->hide();
    m_text = new QLineEdit;
    m_text->setObjectName(QStringLiteral("textFilter"));
    QStringList searched;
    for (LoadColumn column : searchedLoadColumns())
        searched << loadColumnSpec(column).heading.toString();
    m_text->setPlaceholderText(searched.join(u'、'));
    m_text->setClearButtonEnabled(true);
    m_text->setMinimumWidth(
        m_text->fontMetrics().horizontalAdvance(m_text->placeholderText()) + 40);

    auto* filters = new QHBoxLayout;
    addPeriod(filters, m_from, m_to);
    filters->addWidget(
        periodPresets(QStringLiteral("periodPresets"), m_from, m_to, [this] { return m_today(); }));
    filters->addSpacing(8);
    filters->addWidget(new QLabel(QStringLiteral("类别")));
    filters->addWidget(m_kind);
    filters->addWidget(new QLabel(QStringLiteral("树种")));
    filters->addWidget(m_species);
    filters->addWidget(m_stationCaption);
    filters->addWidget(m_station);
    filters->addSpacing(8);
    filters->addWidget(m_text, 1);

    connect(m_from, &QDateEdit::dateChanged, this, &History::onFilterChanged);
    connect(m_to, &QDateEdit::dateChanged, this, &History::onFilterChanged);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &History::onFilterChanged);
    connect(m_species, &QComboBox::currentIndexChanged, this, &History::onFilterChanged);
    connect(m_station, &QComboBox::currentIndexChanged, this, [this] {
        m_report->setStation(currentFilter().station);
        onFilterChanged();
        refreshReportWhenShown();
    });
    connect(m_text, &QLineEdit::textChanged, this, &History::onFilterChanged);
    return filters;
}

void History::fillSpeciesFilter()
{
    const QString chosen = m_species->currentIndex() > 0 ? m_species->currentText() : QString();
    const QSignalBlocker quiet(m_species);
    m_species->clear();
    m_species->addItem(QStringLiteral("全部"));
    const Result<QStringList> species = m_reader.recordedSpecies();
    if (species)
        m_species->addItems(*species);
    else
        showBoxesFailure(QStringLiteral("树种读不出来"), species.error());
    m_species->setCurrentIndex(std::max(0, m_species->findText(chosen)));
}

void History::fillStationFilter()
{
    const QString chosen = m_station->currentIndex() > 0 ? m_station->currentText() : QString();
    const QSignalBlocker quiet(m_station);
    m_station->clear();
    m_station->addItem(QStringLiteral("全部"));
    const Result<QStringList> stations = m_reader.recordedStations();
    if (stations)
        m_station->addItems(*stations);
    else
        showBoxesFailure(QStringLiteral("检尺站读不出来"), stations.error());
    m_station->setCurrentIndex(std::max(0, m_station->findText(chosen)));
}

void History::setStationsShown(bool shown)
{
    m_stationsShown = shown;
    m_table->setColumnHidden(shownIndex(LoadColumn::Station), !shown);
    shareColumnWidths();
    m_stationCaption->setVisible(shown);
    m_station->setVisible(shown);
    if (shown)
        fillStationFilter();
    else if (m_station->currentIndex() != 0)
        m_station->setCurrentIndex(0);
}

LoadFilter History::currentFilter() const
{
    LoadFilter filter;
    filter.from = m_from->date();
    filter.to = m_to->date();
    filter.kind = m_kind->currentData().toInt();
    filter.species = m_species->currentIndex() > 0 ? m_species->currentText() : QString();
    filter.station = m_station->currentIndex() > 0 ? m_station->currentText() : QString();
    filter.text = m_text->text();
    return filter;
}

void History::onFilterChanged()
{
    m_model->setFilter(currentFilter());
    showTotals();
}

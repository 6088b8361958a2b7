#pragma once

// The stock report as an A4 PDF: its title with the period, the table, and
// the chart as a picture below it.

#include <QImage>
#include <QStringList>
#include <QVector>

struct ReportPage {
    QString title;
    QStringList headings;
    QVector<QStringList> rows; // the totals row last
    QImage chart;
};

QByteArray reportPdfBytes(const ReportPage& page);

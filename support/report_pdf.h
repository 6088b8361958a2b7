#pragma once

// A4 PDF pages: the stock report (its title with the period, the table, and
// the chart as a picture below it), and any document a window paints.

#include <QImage>
#include <QStringList>
#include <QVector>
#include <functional>

struct ReportPage {
    QString title;
    QStringList headings;
    QVector<QStringList> rows; // the totals row last
    QImage chart;
};

QByteArray reportPdfBytes(const ReportPage& page);

class QPdfWriter;
// An A4 portrait PDF of 300 dpi with 15 mm margins, as `draw` paints it.
QByteArray a4PdfBytes(const QString& title, const std::function<void(QPdfWriter&)>& draw);

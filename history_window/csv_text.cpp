#include "history_window/csv_text.h"

#include <QRegularExpression>

namespace {

bool wouldRun(const QString& text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && formulaStarts.contains(text.front());
}

QString quoted(const QString& text)
{
    const bool quote = text.contains(u',') || text.contains(u'"') || text.contains(u'\n')
        || text.contains(u'\r');
    if (!quote)
        return text;
    QString escaped = text;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

} // namespace

QString csvField(const QString& text)
{
    return quoted(wouldRun(text) ? u'\'' + text : text);
}

QString csvNumberField(const QString& text)
{
    static const QRegularExpression plainNumber(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    return plainNumber.match(text).hasMatch() ? text : csvField(text);
}

QByteArray csvBytes(const QVector<QStringList>& rows, const QSet<int>& numberColumns)
{
    QString text;
    for (const QStringList& row : rows) {
        QStringList fields;
        fields.reserve(row.size());
        for (int column = 0; column < row.size(); ++column)
            fields << (numberColumns.contains(column) ? csvNumberField(row[column])
                                                      : csvField(row[column]));
        text += fields.join(u',') + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

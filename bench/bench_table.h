#pragma once

// Collects the benchmark figures, prints them as a table and writes them
// as JSON.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <algorithm>
#include <vector>

struct Figure {
    QString name;
    double value;
    QString unit;
    QString note;
};

class BenchTable {
public:
    void add(const QString& name, double value, const QString& unit, const QString& note = {})
    {
        m_figures.push_back({ name, value, unit, note });
        QTextStream(stdout) << QStringLiteral("%1 %2 %3  %4\n")
                                   .arg(name, -44)
                                   .arg(value, 12, 'f', value < 10 ? 3 : 1)
                                   .arg(unit, -8)
                                   .arg(note);
    }

    bool writeJson(const QString& path) const
    {
        QJsonArray figures;
        for (const Figure& f : m_figures)
            figures.append(QJsonObject {
                { "name", f.name }, { "value", f.value }, { "unit", f.unit }, { "note", f.note } });
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QJsonDocument(QJsonObject { { "figures", figures } }).toJson());
        return true;
    }

private:
    std::vector<Figure> m_figures;
};

inline double percentile(std::vector<double> samples, double p)
{
    std::sort(samples.begin(), samples.end());
    const size_t index = std::min(samples.size() - 1, size_t(p * (samples.size() - 1) + 0.5));
    return samples[index];
}

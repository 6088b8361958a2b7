#include "records/carried_stock.h"

#include "field_text/fixed_point.h"

#include <QHash>
#include <algorithm>

namespace {

// Volumes summed in millionths: finer than any volume the tally writes.
using Volume = FixedPoint<6>;

} // namespace

std::optional<QVector<CarriedStock>> carriedStock(
    const LedgerColumns& in, const LedgerColumns& out, const QStringList& order)
{
    QStringList species;
    QHash<QString, std::array<Volume, 3>> stock;
    for (const QString& name : order)
        if (!name.trimmed().isEmpty() && !species.contains(name.trimmed()))
            species << name.trimmed();
    const auto add = [&](const LedgerColumns& columns, bool stockIn) {
        for (int row = 0; row < columns.species.size(); ++row) {
            const QString name = columns.species[row].trimmed();
            if (name.isEmpty())
                continue;
            if (!species.contains(name))
                species << name;
            std::array<Volume, 3>& groups = stock[name];
            for (int group = 0; group < 3; ++group) {
                const QStringList& values = columns.volumes[group];
                const std::optional<Volume> volume
                    = row < values.size() ? Volume::parseFigure(values[row]) : std::nullopt;
                if (!volume)
                    continue;
                const auto sum
                    = stockIn ? groups[group].plus(*volume) : groups[group].minus(*volume);
                if (!sum)
                    return false;
                groups[group] = *sum;
            }
        }
        return true;
    };
    if (!add(in, true) || !add(out, false))
        return std::nullopt;

    QVector<CarriedStock> carried;
    for (const QString& name : species) {
        const std::array<Volume, 3> groups = stock.value(name);
        if (std::all_of(groups.begin(), groups.end(), [](Volume v) { return v == Volume(); }))
            continue;
        CarriedStock row { name, {}, false };
        for (int group = 0; group < 3; ++group) {
            row.volumes[group] = groups[group].shortText();
            row.negative = row.negative || groups[group] < Volume();
        }
        carried.append(row);
    }
    return carried;
}

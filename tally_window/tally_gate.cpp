#include "tally_window/tally_gate.h"

#include "input_marks/value_rules.h"
#include "tally_window/tally_field.h"

namespace {

QString useWords(TallyUse use)
{
    switch (use) {
    case TallyUse::StockIn:
        return QStringLiteral("入库");
    case TallyUse::StockOut:
        return QStringLiteral("出库");
    case TallyUse::Bill:
        break;
    }
    return QStringLiteral("打印账单");
}

// The length a block's counts are counted with: in the extended-diameter
// layout the right block of a pair has its partner's.
int lengthBlock(const Tally& tally, int block)
{
    return tally.extendedLayout ? block - block % 2 : block;
}

// The number of a length as the clerk sees it: four, or two in pairs.
int lengthNumber(const Tally& tally, int block)
{
    return tally.extendedLayout ? block / 2 + 1 : block + 1;
}

} // namespace

TallyGate::TallyGate(
    const TallyFields& fields, CommandPrompts& prompts, std::function<QString(int)> typedPrice)
    : m_fields(fields)
    , m_prompts(prompts)
    , m_typedPrice(std::move(typedPrice))
{
}

bool TallyGate::acceptable(const Tally& tally, TallyUse use)
{
    for (int block = 0; block < Tally::blockCount; ++block) {
        if (lengthBlock(tally, block) != block)
            continue;
        const QString length = tally.lengths[block];
        const QString fault = lengthFault(length);
        if (!fault.isEmpty()) {
            refuse(m_fields.lengths[block],
                QStringLiteral("第 %1 个材长“%2”不是有效的材长：%3。")
                    .arg(lengthNumber(tally, block))
                    .arg(length, fault),
                use);
            return false;
        }
    }
    for (int block = 0; block < Tally::blockCount; ++block) {
        const QString length = tally.lengths[lengthBlock(tally, block)];
        for (int row = 1; row <= Tally::rowCount; ++row) {
            const QString count = tally.grid[row - 1][3 * block + 1];
            const QString fault = countFault(count, length);
            if (fault.isEmpty())
                continue;
            const QString diameter = tally.grid[row - 1][3 * block].trimmed();
            const QString where = diameter.isEmpty() ? QStringLiteral("第 %1 行").arg(row)
                                                     : QStringLiteral("径级 %1").arg(diameter);
            refuse(m_fields.cell(row, 3 * block + 1),
                QStringLiteral("第 %1 个材长下 %2 的件数“%3”不是有效的件数：%4。")
                    .arg(lengthNumber(tally, block))
                    .arg(where, count, fault),
                use);
            return false;
        }
    }
    return true;
}

void TallyGate::refuse(QWidget* field, const QString& text, TallyUse use)
{
    m_prompts.showMessage(QStringLiteral("%1\n请改正后再%2。").arg(text, useWords(use)));
    field->setFocus(Qt::OtherFocusReason);
}

bool TallyGate::confirmed(const Tally& tally, TallyUse use)
{
    QString prices;
    for (int group = 0; group < 3; ++group)
        prices += priceQuestionPart(m_typedPrice(group));
    if (!prices.isEmpty()
        && !m_prompts.askYesNo(QStringLiteral("%1仍要%2吗？").arg(prices, useWords(use))))
        return false;
    const bool noBuyer = tally.captions[Tally::Buyer].value.trimmed().isEmpty();
    if (use == TallyUse::Bill && noBuyer && tally.species.trimmed().isEmpty()
        && !m_prompts.askYesNo(QStringLiteral("账单没有填写购货单位和树种，仍要打印吗？")))
        return false;
    return true;
}

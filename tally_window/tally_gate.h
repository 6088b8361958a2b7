#pragma once

// The check between the tally window and the books: a count or length that
// is marked (value_rules) keeps stock in, stock out and the bill from
// running, with a message naming it and the focus on it; a marked unit
// price and a bill with neither buyer nor species are asked about first.

#include "records/command_prompts.h"
#include "tally_window/tally_fields.h"

#include <functional>

class TallyGate : public TallyChecks {
public:
    // `typedPrice` gives the unit price of a group as the clerk typed it.
    TallyGate(
        const TallyFields& fields, CommandPrompts& prompts, std::function<QString(int)> typedPrice);

    bool acceptable(const Tally& tally, TallyUse use) override;
    bool confirmed(const Tally& tally, TallyUse use) override;

private:
    void refuse(QWidget* field, const QString& text, TallyUse use);

    const TallyFields& m_fields;
    CommandPrompts& m_prompts;
    std::function<QString(int)> m_typedPrice;
};

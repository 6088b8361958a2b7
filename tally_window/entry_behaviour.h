#pragma once

// The entry behaviour of the tally sheet fields:
// - change reactions: whenever any element of a totals array or of a grid
//   row changes (typed or written by code), its tested elements whose text
//   sorts below a threshold are emptied, so zeros stay out of sight; unit
//   prices are rewritten in the "0.00" form. The reactions run inside the
//   write that raised them.
// - keys: Enter anywhere in the window queues a Tab; Up and Down step along
//   a grid row, wrapping at its ends; Ctrl+1 ... Ctrl+4 go to the lengths,
//   and Down in a length to the first count of its block.

#include "tally_window/tally_fields.h"

#include <QHash>
#include <QObject>
#include <QSet>

class QLineEdit;
class QWidget;

class EntryBehaviour : public QObject {
public:
    EntryBehaviour(QWidget* window, const TallyFields& fields);

    // The text `field` shows once the reactions to writing `text` into it
    // have run (every reaction leaves its array in this settled form).
    QString settledText(const QLineEdit* field, const QString& text) const;

private:
    void installChangeReactions(const TallyFields& fields);
    void connectBlanking(
        const QVector<TallyField*>& array, int testedCount, const QString& threshold);
    void installKeys(QWidget* window, const TallyFields& fields);

    QHash<const QLineEdit*, QString> m_thresholds;
    QSet<const QLineEdit*> m_unitPrices;
};

#include "tally_window/entry_behaviour.h"

#include "field_text/field_text.h"
#include "tally_window/tally_field.h"

#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QShortcut>
#include <functional>

namespace {

const QString volumeThreshold = QStringLiteral("0.0001");
const QString pieceThreshold = QStringLiteral("1");
const QString amountThreshold = QStringLiteral("0.01");

void blankBelow(const QVector<TallyField*>& tested, const QString& threshold)
{
    for (TallyField* field : tested)
        if (sortsBelow(field->text(), threshold))
            field->setText(QString());
}

void reformatUnitPrices(const QVector<TallyField*>& prices)
{
    for (TallyField* field : prices)
        field->setText(patternText(leadingNumber(field->text()), 2));
}

template <typename Fields>
void onAnyChange(QObject* context, const Fields& array, const std::function<void()>& reaction)
{
    for (TallyField* field : array)
        QObject::connect(field, &QLineEdit::textChanged, context, reaction);
}

struct GridPlace {
    int row = 0;
    int element = 0;
};

class EntryKeys : public QObject {
public:
    EntryKeys(const TallyFields& fields, QObject* parent)
        : QObject(parent)
        , m_fields(fields)
    {
        for (int row = 1; row <= TallyFields::rowCount; ++row)
            for (int element = 0; element < TallyFields::rowElements; ++element)
                m_places.insert(fields.cell(row, element), { row, element });
        for (int block = 0; block < TallyFields::blockCount; ++block)
            m_lengthBlocks.insert(fields.lengths[block], block);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // The field takes its Enter first, then the focus moves at once:
            // a key typed right after Enter belongs to the next field, however
            // quickly it follows.
            watched->event(event);
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QCoreApplication::sendEvent(watched, &tab);
            return true;
        } else if (key == Qt::Key_Down && m_lengthBlocks.contains(watched)) {
            // A length has no arrow of its own: down leads to its counts.
            m_fields.cell(1, 3 * m_lengthBlocks.value(watched) + 1)->setFocus(Qt::TabFocusReason);
            return true;
        } else if (key == Qt::Key_Down || key == Qt::Key_Up) {
            stepAlongRow(watched, key == Qt::Key_Down ? 1 : -1);
        }
        return false; // the key itself goes on to the field
    }

private:
    void stepAlongRow(QObject* watched, int step)
    {
        const auto place = m_places.constFind(watched);
        if (place == m_places.cend())
            return;
        const int n = TallyFields::rowElements;
        const int next = (place->element + step + n) % n;
        m_fields.cell(place->row, next)->setFocus(Qt::TabFocusReason);
    }

    const TallyFields& m_fields;
    QHash<QObject*, GridPlace> m_places;
    QHash<QObject*, int> m_lengthBlocks;
};

// Ctrl+1 ... Ctrl+4: the length of block 1 ... 4; in the extended-diameter
// layout the two lengths there are, Text23 and Text26.
void addLengthKeys(QWidget* window, const TallyFields& fields)
{
    for (int key = 0; key < TallyFields::blockCount; ++key) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + key)), window);
        QObject::connect(shortcut, &QShortcut::activated, window, [&fields, key] {
            int block = key;
            if (fields.extendedLayoutShown()) {
                if (key > 1)
                    return;
                block = 2 * key;
            }
            fields.lengths[block]->setFocus(Qt::ShortcutFocusReason);
        });
    }
}

} // namespace

EntryBehaviour::EntryBehaviour(QWidget* window, const TallyFields& fields)
    : QObject(window)
{
    installChangeReactions(fields);
    installKeys(window, fields);
}

QString EntryBehaviour::settledText(const QLineEdit* field, const QString& text) const
{
    if (m_unitPrices.contains(field))
        return patternText(leadingNumber(text), 2);
    const auto threshold = m_thresholds.constFind(field);
    if (threshold != m_thresholds.cend() && sortsBelow(text, *threshold))
        return QString();
    return text;
}

void EntryBehaviour::connectBlanking(
    const QVector<TallyField*>& array, int testedCount, const QString& threshold)
{
    const QVector<TallyField*> tested = array.first(testedCount);
    for (TallyField* field : tested)
        m_thresholds.insert(field, threshold);
    onAnyChange(this, array, [tested, threshold] { blankBelow(tested, threshold); });
}

void EntryBehaviour::installChangeReactions(const TallyFields& fields)
{
    for (const auto& row : fields.grid) {
        const QVector<TallyField*> volumes = { row[2], row[5], row[8], row[11] };
        for (TallyField* volume : volumes)
            m_thresholds.insert(volume, volumeThreshold);
        onAnyChange(this, row, [volumes] { blankBelow(volumes, volumeThreshold); });
    }
    connectBlanking(fields.text29, 6, pieceThreshold);
    connectBlanking(fields.text30, 6, volumeThreshold);
    connectBlanking(fields.text16, 4, pieceThreshold);
    connectBlanking(fields.text18, 4, volumeThreshold);
    connectBlanking(fields.text28, 4, amountThreshold);

    const QVector<TallyField*> prices = fields.text19;
    for (TallyField* price : prices)
        m_unitPrices.insert(price);
    onAnyChange(this, prices, [prices] { reformatUnitPrices(prices); });
}

void EntryBehaviour::installKeys(QWidget* window, const TallyFields& fields)
{
    auto* keys = new EntryKeys(fields, this);
    for (QWidget* child : window->findChildren<QWidget*>())
        if (child->focusPolicy() != Qt::NoFocus && child->parentWidget() == window)
            child->installEventFilter(keys);
    addLengthKeys(window, fields);
}

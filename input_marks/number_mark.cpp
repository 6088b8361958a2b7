#include "input_marks/number_mark.h"

#include <QLineEdit>
#include <cmath>
#include <functional>

namespace {

const QColor markRed(255, 0, 0);

class NumberMark : public QObject {
public:
    NumberMark(QLineEdit* field, std::function<QString()> noteOf)
        : QObject(field)
        , m_field(field)
        , m_noteOf(std::move(noteOf))
    {
        connect(field, &QLineEdit::textChanged, this, &NumberMark::follow);
        follow();
    }

    // The note also depends on `other`'s text.
    void alsoFollow(const QLineEdit* other)
    {
        connect(other, &QLineEdit::textChanged, this, &NumberMark::follow);
    }

private:
    void follow()
    {
        const QString note = m_noteOf();
        if (note == m_note)
            return;
        // The field's own look (some rows are red already), to come back to.
        if (m_note.isEmpty()) {
            m_palette = m_field->palette();
            m_font = m_field->font();
            m_toolTip = m_field->toolTip();
        }
        m_note = note;
        QPalette palette = m_palette;
        QFont font = m_font;
        if (!note.isEmpty()) {
            palette.setColor(QPalette::Text, markRed);
            font.setUnderline(true);
        }
        m_field->setPalette(palette);
        m_field->setFont(font);
        m_field->setToolTip(note.isEmpty() ? m_toolTip : note);
    }

    QLineEdit* m_field;
    std::function<QString()> m_noteOf;
    QString m_note;
    QPalette m_palette;
    QFont m_font;
    QString m_toolTip;
};

} // namespace

void markTypedNumbers(QLineEdit* field, TypedNumber kind)
{
    new NumberMark(field, [field, kind] { return typedNumberNote(field->text(), kind); });
}

void markTypedCount(QLineEdit* count, const QLineEdit* length)
{
    auto* mark = new NumberMark(
        count, [count, length] { return countNote(count->text(), length->text()); });
    mark->alsoFollow(length);
}

void markTypedLength(QLineEdit* length)
{
    new NumberMark(length, [length] { return lengthNote(length->text()); });
}

void markTypedPrice(QLineEdit* price)
{
    new NumberMark(price, [price] { return priceNote(price->text()); });
}

void markCopiedPrice(QLineEdit* shown, const QLineEdit* typed)
{
    auto* mark = new NumberMark(shown, [typed] { return priceNote(typed->text()); });
    mark->alsoFollow(typed);
}

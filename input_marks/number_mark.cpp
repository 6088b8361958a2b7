#include "input_marks/number_mark.h"

#include <QLineEdit>

namespace {

const QColor markRed(255, 0, 0);

class NumberMark : public QObject {
public:
    NumberMark(QLineEdit* field, TypedNumber kind)
        : QObject(field)
        , m_field(field)
        , m_kind(kind)
    {
        connect(field, &QLineEdit::textChanged, this, &NumberMark::follow);
        follow(field->text());
    }

private:
    void follow(const QString& text)
    {
        const QString note = typedNumberNote(text, m_kind);
        if (note == m_note)
            return;
        // The field's own look (some rows are red already), to come back to.
        if (m_note.isEmpty()) {
            m_palette = m_field->palette();
            m_font = m_field->font();
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
        m_field->setToolTip(note);
    }

    QLineEdit* m_field;
    TypedNumber m_kind;
    QString m_note;
    QPalette m_palette;
    QFont m_font;
};

} // namespace

void markTypedNumbers(QLineEdit* field, TypedNumber kind)
{
    new NumberMark(field, kind);
}

#include "input_marks/number_mark.h"

#include <QLineEdit>
#include <cmath>
#include <functional>

namespace {

const QColor markRed(255, 0, 0);
constexpr double largestCount = 9999;

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
    std::function<QString()> m_noteOf;
    QString m_note;
    QPalette m_palette;
    QFont m_font;
};

} // namespace

void markTypedNumbers(QLineEdit* field, TypedNumber kind)
{
    new NumberMark(field, [field, kind] { return typedNumberNote(field->text(), kind); });
}

QString countNote(const QString& count, const QString& length)
{
    const QString typed = typedNumberNote(count, TypedNumber::Count);
    const double pieces = leadingNumber(count);
    if (!typed.isEmpty() || pieces == 0 || std::isnan(pieces))
        return typed;
    if (pieces < 0)
        return QStringLiteral("负数：从件数和材积中减去");
    if (pieces > largestCount)
        return QStringLiteral("件数超过 9999，请检查");
    if (leadingNumber(length) == 0)
        return QStringLiteral("这一列没有材长，按 0 立方米计算");
    return {};
}

void markTypedCount(QLineEdit* count, const QLineEdit* length)
{
    auto* mark = new NumberMark(
        count, [count, length] { return countNote(count->text(), length->text()); });
    mark->alsoFollow(length);
}

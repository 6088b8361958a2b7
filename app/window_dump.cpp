#include "window_dump.h"

#include "support/durable_file.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTextStream>

namespace {

QString shownText(const QWidget* widget)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText();
    return {};
}

} // namespace

void writeWindowDump(const QWidget& window, const QString& path)
{
    QString text;
    QTextStream out(&text);
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        const bool named = qobject_cast<const QLineEdit*>(widget)
            || qobject_cast<const QComboBox*>(widget)
            || qobject_cast<const QAbstractButton*>(widget);
        // A combo box's own line edit is not a control of the window.
        if (!named || widget->objectName().isEmpty())
            continue;
        const QRect place(widget->mapTo(&window, QPoint(0, 0)), widget->size());
        out << widget->objectName() << '\t' << shownText(widget) << '\t' << place.x() << ','
            << place.y() << ',' << place.width() << ',' << place.height() << '\n';
    }
    if (const QWidget* focused = QApplication::focusWidget()) {
        // A combo box's line edit stands for its combo box.
        const QWidget* control = focused->objectName().isEmpty() && focused->parentWidget()
            ? focused->parentWidget()
            : focused;
        out << "focus\t" << control->objectName() << '\n';
    }
    if (const auto* box = qobject_cast<const QMessageBox*>(QApplication::activeModalWidget()))
        out << "message\t" << box->text() << '\n';
    out.flush();
    writeFileDurably(path, text.toUtf8());
}

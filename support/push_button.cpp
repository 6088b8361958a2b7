#include "support/push_button.h"

#include <QPushButton>

QPushButton* namedButton(const QString& text, const QString& objectName)
{
    auto* button = new QPushButton(text);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

#include "AccessibleNames.h"

#include <QLabel>

void NameFieldsAfterTheirLabels(QWidget* root) {
    for (QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* field = label->buddy();
        if (!field || !field->accessibleName().isEmpty()) {
            continue;
        }
        QString name = label->text();
        name.remove(QLatin1Char('&'));
        while (name.endsWith(QLatin1Char(':')) || name.endsWith(QLatin1Char(' '))) {
            name.chop(1);
        }
        field->setAccessibleName(name);
    }
}

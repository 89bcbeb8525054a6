#pragma once

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

// The titled "Example" box that ends a format panel, then the stretch below
// it; the label shows the example (objectName names it for tests).
inline QLabel* AddExampleBox(QWidget* panel, QVBoxLayout* layout, const QString& objectName) {
    auto* box = new QGroupBox(QCoreApplication::translate("ExampleBox", "Example"), panel);
    auto* boxLayout = new QVBoxLayout(box);
    auto* example = new QLabel(box);
    example->setObjectName(objectName);
    example->setTextInteractionFlags(Qt::TextSelectableByMouse);
    boxLayout->addWidget(example);
    layout->addWidget(box);
    layout->addStretch(1);
    return example;
}

#pragma once

#include <QString>

#include "model/DVFile.h"

class CController;
class IPrompter;
class QWidget;

// The Transform command: checks the source first (an information box with
// the code's message when it is not ready), then runs the definition in the
// modal "Transforming" dialog.
void RunTransform(QWidget* parent, CController& controller, IPrompter& prompter);

// "file name" for file sources, the data source for ODBC.
QString SourceDescription(const DVFile& definition);

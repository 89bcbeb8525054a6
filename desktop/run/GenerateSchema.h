#pragma once

class CController;
class IPrompter;
class QWidget;

// The Generate Schema command: asks where to save the schema (beside the
// definition by default), writes the XML Schema of every document the
// definition writes, then asks whether the definition should validate its
// output against it from now on (an undoable change). A failure shows the
// code's message; nothing runs.
void GenerateSchema(QWidget* parent, CController& controller, IPrompter& prompter);

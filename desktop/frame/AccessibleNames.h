#pragma once

class QWidget;

// Gives every field below root that a label names (its buddy) the label's
// text as accessible name, where it has none. Qt finds a buddy's label among
// the field's siblings only; a field inside a compound widget (the file name
// field's edit, say) would be announced without a name.
void NameFieldsAfterTheirLabels(QWidget* root);

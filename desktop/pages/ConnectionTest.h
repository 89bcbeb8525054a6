#pragma once

#include "model/DVFile.h"

class CBackgroundTask;
class IPrompter;
class QPushButton;

// The Test button of the database forms: connects with a copy of the
// settings off the user interface thread (the button is disabled and the
// cursor busy meanwhile) and reports the outcome in a message box.
void StartConnectionTest(CBackgroundTask& task, IPrompter& prompter, QPushButton* button,
                         const DVFile& definition);

inline constexpr const char* kConnectionSuccess =
    "Success!\r\n\r\nTarnwright Datavane successfully connected to the data source. ";

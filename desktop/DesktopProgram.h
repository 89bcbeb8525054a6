#pragma once

#include <memory>

class CController;
class CMainFrame;
class CSettings;
class IPrompter;

// Makes the program's icons available (the registration needs them before
// any window exists).
void InitialiseDesktopResources();

// Assembles the main window: the frame, its four pages and the commands the
// pages and sheets carry out.
std::unique_ptr<CMainFrame> CreateMainFrame(CController& controller, IPrompter& prompter,
                                            CSettings& settings);

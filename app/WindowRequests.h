#pragma once

namespace quorvane {

class MainWindow;

// Opens the help window and the about window when the main window asks for them.
void openWindowsOnRequest(MainWindow& form);

} // namespace quorvane

#pragma once

namespace quorvane {

class TForm1;

// Opens the help window and the about window when the main window asks for them.
void openWindowsOnRequest(TForm1& form);

} // namespace quorvane

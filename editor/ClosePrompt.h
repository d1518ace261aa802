#pragma once

class QString;
class QWidget;

namespace quorvane {

enum class CloseDecision { Apply, Discard, Cancel };

// Before the window closes with changes that were not applied, to the menu (`menu`) or in the
// open properties dialog (`properties`), the user decides about them. Asks nothing, and answers
// Discard, when neither holds changes.
CloseDecision askBeforeClosing(QWidget* window, const QString& title, bool menu, bool properties);

} // namespace quorvane

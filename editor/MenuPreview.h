#pragma once

#include "menu/ShownMenu.h"

class QMenu;
class QWidget;

namespace quorvane {

// The menu as the extension shows it, as a real cascading menu: one entry "Quorvane" whose
// cascade holds the submenus, separators and captions. Choosing an entry does nothing but close
// it.
QMenu* previewMenu(const ShownMenu& shown, QWidget* parent);

} // namespace quorvane

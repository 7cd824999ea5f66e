#pragma once

namespace tarn {

// Installs the accessible interfaces where Qt's own would not tell a screen
// reader what the window's control table does. Safe to call more than once.
void installAccessibility();

}  // namespace tarn

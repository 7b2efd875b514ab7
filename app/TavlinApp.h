#pragma once

namespace tavlin {

// The program as a tray item: one instance per session, no window at launch, no taskbar entry.
// Owns the services, the model, the menu and the tray icon for the whole run.
namespace TavlinApp {
int run(int argc, char** argv);
} // namespace TavlinApp

} // namespace tavlin

#pragma once
// Every command handler runs through RunCommand: an error that escapes the
// command ends it and is shown in the standard error box, and the program
// carries on. No exception ever reaches the event loop.

#include <functional>

class TDialogs;

// Runs the command; returns false when it ended with an error.
bool RunCommand(TDialogs& dialogs, const std::function<void()>& command) noexcept;

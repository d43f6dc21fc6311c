#include "app/Command.h"

#include <exception>

#include "app/Dialogs.h"
#include "evaluator/Faults.h"

bool RunCommand(TDialogs& dialogs, const std::function<void()>& command) noexcept {
  try {
    command();
    return true;
  } catch (const std::exception& error) {
    try {
      dialogs.ShowError(UserTextOf(error));
    } catch (...) {
    }
  } catch (...) {
    try {
      dialogs.ShowError("Unexpected error");
    } catch (...) {
    }
  }
  return false;
}

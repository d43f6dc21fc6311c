#include "app/Dialogs.h"

#include "evaluator/Faults.h"

void TDialogs::ShowError(const std::string& message) {
  ErrorBox(QString::fromStdString(WithFullStop(message)));
}

#pragma once
// The installer screens' modal questions: the app's alert, shown and released.
#include <QMessageBox>
#include <memory>

#include "services/KVPublicUtilities.h"

// 1 for the first button, 0 for the second, KVPublicUtilities::kAlertDismissed
// when the alert was closed without either. An empty `second` shows one button.
inline int installerAsk(const QString& title, const QString& message, const QString& first, const QString& second) {
  std::unique_ptr<QMessageBox> alert(KVPublicUtilities::getAlertWithTitle(title, message, first, second));
  return KVPublicUtilities::runAlert(alert.get());
}

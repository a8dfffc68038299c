// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WMsgBox.h"

std::string_view MessageBoxTitle(TMsgKind kind) {
  switch (kind) {
  case TMsgKind::Error:
    return "Fehler";
  case TMsgKind::Information:
    return "Information";
  case TMsgKind::Question:
    return "Frage";
  case TMsgKind::Warning:
    return "Warnung";
  case TMsgKind::Confirmation:
    return "Bestätigung";
  }
  return {};
}

TMsgIcon MessageBoxIcon(TMsgKind kind) {
  switch (kind) {
  case TMsgKind::Error:
    return TMsgIcon::Exclamation;
  case TMsgKind::Information:
    return TMsgIcon::Information;
  case TMsgKind::Warning:
    return TMsgIcon::Stop;
  case TMsgKind::Question:
  case TMsgKind::Confirmation:
    return TMsgIcon::Question;
  }
  return TMsgIcon::Information;
}

std::string MessageBoxCaption(std::string_view caption, TMsgKind kind) {
  return std::string(caption.empty() ? MessageBoxTitle(kind) : caption);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/DownloadState.h"

std::string DownloadStateText(TDownloadState state, const std::string& message) {
  switch (state) {
  case TDownloadState::Waiting:
    return "Download beginnt";
  case TDownloadState::Running:
    return "Download läuft";
  case TDownloadState::Paused:
    return "Download unterbrochen";
  case TDownloadState::Complete:
    return "Download abgeschlossen";
  case TDownloadState::Error:
    break;
  }
  return "Fehler: " + message;
}

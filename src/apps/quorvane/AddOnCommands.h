// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "/Deinstall", "/DeinstallPK": the popup killer and the download manager off, and
// with both off the browser add-on unregistered; silent, as an uninstaller runs it.
void DeinstallAddOn();

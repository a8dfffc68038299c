// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the popup killer and the browser add-on's switches.
#include "app/MainUnit.h"
#include "app/UserInterface.h"
#include "common/ProductInfo.h"
#include "downloads/DownloadManagerKeys.h"
#include "privacy/AddOnDownloadSettings.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerTexts.h"
#include "privacy/PopupKillerUnit.h"

TAddOnState TMain::AddOnState() const {
  TAddOnState state;
  state.Available = FAddOn->IsHelperAvailable();
  state.PopupKillerEnabled = IsPopupKillerEnabled(FRegistry, *FAddOn);
  state.DownloadManagerEnabled = IsDownloadManagerEnabled(FRegistry, *FAddOn);
  return state;
}

void TMain::RefreshAddOnControls() {
  FView.ShowAddOnState(AddOnState());
  if (!FAddOn->IsHelperAvailable()) {
    FUserInterface.ShowMessageBox(PopupKillerTexts::AddOnMissing, {}, TMsgKind::Error,
                                  TMsgButtons::OK);
  }
}

void TMain::popupkillerChkBoxClick(bool checked) {
  if (FAddOn->IsHelperAvailable() && checked != IsPopupKillerEnabled(FRegistry, *FAddOn))
    SetPopupKillerEnabled(FRegistry, *FAddOn, checked);
  TAddOnState state = AddOnState();
  state.SetCheckBoxes = false;
  FView.ShowAddOnState(state);
}

void TMain::PopupKiller2Click() {
  if (!FAddOn->IsHelperAvailable())
    return;
  SetPopupKillerEnabled(FRegistry, *FAddOn, !IsPopupKillerEnabled(FRegistry, *FAddOn));
  TAddOnState state = AddOnState();
  state.SetCheckBoxes = false;
  FView.ShowAddOnState(state);
}

void TMain::PKSoundFileNameChange(const std::string& fileName) {
  SaveSoundFileName(FRegistry, fileName);
}

std::string TMain::PKSoundFileName() const {
  return LoadSoundFileName(FRegistry);
}

void TMain::AllowedPopupsBtnClick() {
  std::vector<std::string> list = LoadAllowedPopups(FRegistry);
  if (FUserInterface.EditURLList(PopupKillerTexts::AllowedPopupsCaption, list))
    SaveAllowedPopups(FRegistry, list);
}

void TMain::BlockedURLsBtnClick() {
  std::vector<std::string> list = LoadBlockedPopupURLs(FRegistry);
  if (FUserInterface.EditURLList(PopupKillerTexts::BlockedURLsCaption, list))
    SaveBlockedPopupURLs(FRegistry, list);
}

void TMain::LastBlockedURLsBtnClick() {
  std::vector<std::string> collected;
  if (FUserInterface.CollectKilledURLs(LoadKilledURLs(FRegistry), collected))
    AllowKilledPages(FRegistry, collected);
}

void TMain::DMChkBoxClick(bool checked) {
  if (FAddOn->IsHelperAvailable() && checked != IsDownloadManagerEnabled(FRegistry, *FAddOn))
    SetDownloadManagerEnabled(FRegistry, *FAddOn, checked);
  TAddOnState state = AddOnState();
  state.SetCheckBoxes = false;
  FView.ShowAddOnState(state);
}

void TMain::mnuADDMClick() {
  SetDownloadManagerEnabled(FRegistry, *FAddOn, !IsDownloadManagerEnabled(FRegistry, *FAddOn));
  FView.ShowAddOnState(AddOnState());
}

std::string TMain::DMFileExtEditChange(const std::string& text) {
  std::string normal = AddOnDownloadSettings::NormalizeFileExtensions(text);
  SaveFileExtensions(FRegistry, normal);
  return normal;
}

std::string TMain::DMFileExtensions() const {
  return LoadFileExtensions(FRegistry);
}

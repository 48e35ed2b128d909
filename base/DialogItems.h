// A dialog's controls read and set by id, each through DialogControl: the
// one vocabulary for check boxes, combo boxes, trackbars, texts and enabling,
// used by the program's dialogs and by the tests that drive them. UI thread
// only. A missing control reads as unchecked, unselected (-1), position 0,
// empty and disabled; setting one does nothing.
#pragma once

#include <windows.h>
#include <string>

// Check boxes and radio buttons: checked is any state but unchecked.
bool IsItemChecked(HWND hDlg, int id);
void CheckItem(HWND hDlg, int id, bool checked);

// Combo boxes: the selected index, CB_ERR (-1) when none is. An index
// outside the items leaves none selected.
int ComboSelection(HWND hDlg, int id);
void SelectComboItem(HWND hDlg, int id, int index);

// Trackbars: setting moves the thumb (the trackbar holds it in its range)
// and redraws; no scroll message is sent.
int TrackbarPosition(HWND hDlg, int id);
void SetTrackbarPosition(HWND hDlg, int id, int position);

// The control's whole text, read by its length.
std::string ItemText(HWND hDlg, int id);

bool IsItemEnabled(HWND hDlg, int id);
void EnableItem(HWND hDlg, int id, bool enable);

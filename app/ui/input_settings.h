#pragma once

#include "settings/settings_file.h"

#include <QStringList>

class QComboBox;
struct MainWindowControls;

/// The settings file's side of the window's inputs: the URL and its history,
/// the series parts, the save folder and the options. The client's keys and
/// the window's layout are the window's own.
namespace InputSettings {

/// Puts the inputs of `s` into the controls.
void Show(const Settings& s, MainWindowControls& controls);
/// Writes the inputs as the controls stand into `s`; the save folder ends in
/// "/".
void Read(const MainWindowControls& controls, Settings& s);

/// The URL history: the combo box's items.
QStringList History(const QComboBox& box);
/// Replaces the items; the text the user sees stays.
void SetHistory(QComboBox& box, const QStringList& items);
/// Appends the box's text to its items unless an item equals it exactly (an
/// empty text included).
void AddToHistory(QComboBox& box);
/// Puts the box's text at the top of its items (see RaiseInUrlHistory); the
/// text the user sees stays.
void RaiseInHistory(QComboBox& box);

} // namespace InputSettings

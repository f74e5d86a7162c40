#pragma once

#include <QString>
#include <functional>

class QCoreApplication;

/// The languages the program speaks. Its texts are written in Japanese;
/// English comes from a catalogue built with the program.
enum class UiLanguage { Japanese, English };

/// What a process reads of its environment: the value of a variable, empty
/// when it is unset.
using EnvironmentLookup = std::function<QString(const char* name)>;

/// The language chosen by `setting` ("ja", "en"; "auto", empty or anything
/// else asks the environment). The environment is read as gettext reads it:
/// the first entry of `LANGUAGE`, else `LC_ALL`, else `LC_MESSAGES`, else
/// `LANG`. A value starting with "ja" is Japanese; everything else, the
/// "C" locale and nothing at all included, is English.
UiLanguage ChooseLanguage(const QString& setting, const EnvironmentLookup& environment);

/// ChooseLanguage over the process's own environment.
UiLanguage ChooseLanguage(const QString& setting);

/// `[Window]` `Language` of the settings file at `path` ("auto" when the
/// file or the key is missing).
QString WindowLanguageSetting(const QString& path);

/// Puts the catalogue of `language` in front of every later translate()
/// call of `app`. Japanese needs none: its texts are the source texts.
/// False when the English catalogue is missing from the build.
bool InstallTranslation(QCoreApplication& app, UiLanguage language);

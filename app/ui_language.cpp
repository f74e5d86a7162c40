#include "app/ui_language.h"

#include "platform/profile_file.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

UiLanguage ChooseLanguage(const QString& setting, const EnvironmentLookup& environment) {
    const QString chosen = setting.trimmed().toLower();
    if (chosen == QLatin1String("ja"))
        return UiLanguage::Japanese;
    if (chosen == QLatin1String("en"))
        return UiLanguage::English;
    // LANGUAGE is a list of preferences ("ja:en"); its first entry counts.
    QString locale = environment("LANGUAGE").section(QLatin1Char(':'), 0, 0);
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!locale.isEmpty())
            break;
        locale = environment(name);
    }
    return locale.startsWith(QLatin1String("ja")) ? UiLanguage::Japanese : UiLanguage::English;
}

UiLanguage ChooseLanguage(const QString& setting) {
    return ChooseLanguage(setting, [](const char* name) { return qEnvironmentVariable(name); });
}

QString WindowLanguageSetting(const QString& path) {
    return ProfileFile(path).read(QStringLiteral("Window"), QStringLiteral("Language"),
                                  QStringLiteral("auto"));
}

bool InstallTranslation(QCoreApplication& app, UiLanguage language) {
    if (language == UiLanguage::Japanese)
        return true;
    auto english = std::make_unique<QTranslator>();
    if (!english->load(QStringLiteral(":/i18n/serifetch_en.qm")))
        return false;
    // Owned by the application from here: it translates until the process ends.
    english->setParent(&app);
    return QCoreApplication::installTranslator(english.release());
}

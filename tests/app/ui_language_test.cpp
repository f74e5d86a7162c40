// The window's language: how it is chosen, the English catalogue's
// completeness against the texts in the code, and the captions a user sees
// in either language.
#include "app/run_panels.h"
#include "app/series.h"
#include "app/ui/tform1.h"
#include "app/ui_language.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTranslator>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

struct LanguageCase {
    const char* name;
    const char* setting;
    QMap<QString, QString> environment;
    UiLanguage expected;
};

TEST(ChooseLanguage, SettingFirstThenTheEnvironmentAsGettextReadsIt) {
    const LanguageCase cases[] = {
        {"ja setting beats an English environment",
         "ja",
         {{"LANG", "en_US.UTF-8"}},
         UiLanguage::Japanese},
        {"en setting beats a Japanese environment",
         "en",
         {{"LANGUAGE", "ja"}},
         UiLanguage::English},
        {"setting read without case or blanks",
         " EN ",
         {{"LANG", "ja_JP.UTF-8"}},
         UiLanguage::English},
        {"auto with LANG ja_JP", "auto", {{"LANG", "ja_JP.UTF-8"}}, UiLanguage::Japanese},
        {"auto with LANG de_DE", "auto", {{"LANG", "de_DE.UTF-8"}}, UiLanguage::English},
        {"unknown setting asks the environment",
         "fr",
         {{"LANG", "ja_JP.UTF-8"}},
         UiLanguage::Japanese},
        {"empty setting asks the environment",
         "",
         {{"LC_ALL", "ja_JP.eucJP"}},
         UiLanguage::Japanese},
        {"LANGUAGE's first entry wins",
         "auto",
         {{"LANGUAGE", "en:ja"}, {"LC_ALL", "ja_JP.UTF-8"}},
         UiLanguage::English},
        {"LANGUAGE ja beats LC_ALL C",
         "auto",
         {{"LANGUAGE", "ja"}, {"LC_ALL", "C"}},
         UiLanguage::Japanese},
        {"LC_ALL beats LC_MESSAGES and LANG",
         "auto",
         {{"LC_ALL", "C.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "ja_JP.UTF-8"}},
         UiLanguage::English},
        {"LC_MESSAGES beats LANG",
         "auto",
         {{"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "C"}},
         UiLanguage::Japanese},
        {"an empty LANGUAGE counts as unset",
         "auto",
         {{"LANGUAGE", ""}, {"LANG", "ja_JP"}},
         UiLanguage::Japanese},
        {"nothing set is English", "auto", {}, UiLanguage::English},
        {"C locale is English", "auto", {{"LANG", "C"}}, UiLanguage::English},
    };
    for (const LanguageCase& c : cases) {
        const UiLanguage got = ChooseLanguage(QString::fromUtf8(c.setting), [&](const char* name) {
            return c.environment.value(QString::fromLatin1(name));
        });
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(ChooseLanguage, WindowSettingReadFromTheSettingsFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("serifech.ini");
    EXPECT_EQ(WindowLanguageSetting(path), "auto") << "no file";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Window]\r\nLeft=3\r\nlanguage = en \r\n");
    file.close();
    EXPECT_EQ(WindowLanguageSetting(path), "en");
}

// One message of a catalogue: its translation and whether it is finished.
struct Entry {
    QString translation;
    bool finished = false;
};

// context + "\x1f" + source -> entry.
QMap<QString, Entry> ReadCatalogue(const QString& path) {
    QMap<QString, Entry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    QXmlStreamReader xml(&file);
    QString context, source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished = xml.attributes().value("type") == QLatin1String("unfinished") ||
                                    xml.attributes().value("type") == QLatin1String("vanished") ||
                                    xml.attributes().value("type") == QLatin1String("obsolete");
            Entry entry{xml.readElementText(), !unfinished};
            entries.insert(context + QChar(0x1f) + source, entry);
        }
    }
    return entries;
}

QStringList Placeholders(const QString& text) {
    QStringList found;
    static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
    for (auto it = placeholder.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

// Every text the code puts through translate() has a finished English
// entry: a text added without its translation fails here, named.
TEST(EnglishCatalogue, HoldsEveryTextOfTheCodeTranslated) {
    QTemporaryDir scratch;
    const QString fresh = scratch.filePath("fresh.ts");
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(SERIFETCH_SOURCE_DIR));
    lupdate.start(QStringLiteral(SERIFETCH_LUPDATE),
                  {"-silent", "-I", ".", "-locations", "none", "-source-language", "ja",
                   "-target-language", "en", "app", "cli", "http", "net", "platform", "settings",
                   "-ts", fresh});
    ASSERT_TRUE(lupdate.waitForFinished(120'000)) << "lupdate did not run: " SERIFETCH_LUPDATE;
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

    const QMap<QString, Entry> inCode = ReadCatalogue(fresh);
    const QMap<QString, Entry> english =
        ReadCatalogue(QStringLiteral(SERIFETCH_SOURCE_DIR "/translations/serifetch_en.ts"));
    ASSERT_GT(inCode.size(), 50) << "lupdate found almost no texts";
    static const QRegularExpression japanese(QStringLiteral("[\\x{3000}-\\x{30ff}\\x{3400}-"
                                                            "\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    QStringList missing, wrong;
    for (auto it = inCode.cbegin(); it != inCode.cend(); ++it) {
        const QString text = it.key().section(QChar(0x1f), 1);
        const auto entry = english.constFind(it.key());
        if (entry == english.cend() || !entry->finished || entry->translation.isEmpty())
            missing << it.key().section(QChar(0x1f), 0, 0) + ": " + text;
        else if (entry->translation.contains(japanese) ||
                 Placeholders(entry->translation) != Placeholders(text))
            wrong << text + " => " + entry->translation;
    }
    // The run tells some failures apart by the first words of their
    // reasons; a translation must keep them.
    for (const char* read : {"Connection refused", "Connection closed", "No reply"}) {
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            if (it.key().section(QChar(0x1f), 1).startsWith(QLatin1String(read))) {
                EXPECT_TRUE(it->translation.startsWith(QLatin1String(read)))
                    << it.key().toStdString() << " => " << it->translation.toStdString();
            }
        }
    }
    EXPECT_TRUE(missing.isEmpty())
        << "texts without an English entry (run scripts/update-translations, then translate):\n"
        << missing.join('\n').toStdString();
    EXPECT_TRUE(wrong.isEmpty()) << "translations with Japanese left in or other placeholders:\n"
                                 << wrong.join('\n').toStdString();
}

QString CaptionOf(const QWidget* buddy) {
    for (const QLabel* label : buddy->window()->findChildren<QLabel*>())
        if (label->buddy() == buddy)
            return label->text();
    return {};
}

// The captions and run texts a user sees, in each language.
class WindowLanguage : public ::testing::Test {
protected:
    void TearDown() override {
        for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
};

struct CaptionCase {
    const char* what;
    std::function<QString(TForm1&)> text;
    const char* japanese;
    const char* english;
};

TEST_F(WindowLanguage, MainWindowAndRunTextsInJapaneseAndInEnglish) {
    const CaptionCase cases[] = {
        {"head", [](TForm1& f) { return CaptionOf(f.Edit1); }, "先頭部", "Head"},
        {"digits", [](TForm1& f) { return CaptionOf(f.SpinEdit1); }, "数字桁数", "Digits"},
        {"start", [](TForm1& f) { return CaptionOf(f.Edit2); }, "開始番号", "Start"},
        {"end", [](TForm1& f) { return CaptionOf(f.Edit5); }, "終了番号", "End"},
        {"tail", [](TForm1& f) { return CaptionOf(f.Edit3); }, "後部", "Tail"},
        {"browse", [](TForm1& f) { return f.Button1->text(); }, "参照", "Browse…"},
        {"skip", [](TForm1& f) { return f.CheckBox1->text(); }, "同一ファイル名はスキップ",
         "Skip existing files"},
        {"retry small", [](TForm1& f) { return CaptionOf(f.SpinEdit2); }, "KByte以下はリトライ",
         "KB or less: fetch again"},
        {"run state", [](TForm1& f) { return f.PanelText(0); }, "停止中", "Idle"},
        {"list up", [](TForm1& f) { return f.SpeedButton1->text(); }, "List Up", "List Up"},
        {"no jobs", [](TForm1&) { return DownloadRun::NoJobsMessage(); }, "登録されていません",
         "No jobs are listed"},
        {"all done", [](TForm1&) { return DownloadRun::AllDoneMessage(); },
         "登録されていたすべてのダウンロード完了", "All listed downloads are complete"},
        {"progress", [](TForm1&) { return RunPanels::ProgressText(512, 2048); },
         "Bytes：512 / 2048 (25%)", "Bytes: 512 / 2048 (25%)"},
        {"bad start",
         [](TForm1&) { return SeriesErrorMessage(SeriesError::StartNotInteger, {}, "x"); },
         "開始番号「x」は整数として読めません（-2147483648～2147483647）。",
         "Start “x” is not a whole number (-2147483648 to 2147483647)."},
        {"marks stay",
         [](TForm1&) {
             return QCoreApplication::translate("MainWindowControls", "Retry all failed (▼, ×)");
         },
         "Retry all failed (▼, ×)", "Retry all failed (▼, ×)"},
    };
    for (UiLanguage language : {UiLanguage::Japanese, UiLanguage::English}) {
        ASSERT_TRUE(InstallTranslation(*qApp, language));
        TForm1 form;
        for (const CaptionCase& c : cases) {
            const char* expected = language == UiLanguage::Japanese ? c.japanese : c.english;
            EXPECT_EQ(c.text(form), QString::fromUtf8(expected))
                << c.what << (language == UiLanguage::Japanese ? " (ja)" : " (en)");
        }
    }
}

} // namespace

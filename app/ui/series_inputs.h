#pragma once

#include "app/client_config.h"
#include "app/file_url_split.h"
#include "app/pattern_jobs.h"
#include "app/series.h"
#include "app/series_prober.h"
#include "app/series_split.h"
#include "app/ui/user_prompts.h"
#include "settings/settings_file.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLineEdit;
class SeriesFinder;
struct MainWindowControls;

/// The series inputs of the main window: the file-name preview in Label10,
/// the start and end numbers normalised as they are left, a warning on a
/// base URL that would glue the file names on, and a pasted file URL offered
/// for splitting into the inputs, or for finding its series on the server.
class SeriesInputs : public QObject {
    Q_OBJECT

public:
    /// Tells the user of a failure.
    using Tell = std::function<void(const QString& text)>;
    /// Asks the user a yes/no question; true for yes.
    using Ask = std::function<bool(const QString& question)>;
    /// What "Find the series" asks the server with: the window's client as
    /// its options stand, and its pause between requests.
    struct ProbeSetup {
        ClientConfig client;
        int intervalMs = 0;
    };
    using ProbeSetupFor = std::function<ProbeSetup()>;

    /// Follows the inputs of `controls`, which must outlive it.
    SeriesInputs(MainWindowControls& controls, Tell tell, Ask ask, QObject* parent = nullptr);
    ~SeriesInputs() override;

    /// Normalises the start and end, then refreshes the preview in Label10.
    void RefreshPreview();
    /// Whether the URL box holds a pattern (`ch[01-10]/p[001-030].jpg`): it
    /// then says the jobs alone, named by NameEdit.
    bool UrlHasPattern() const;
    /// The pattern in the URL box as List Up takes it.
    PatternInputs Pattern() const;
    /// The series the inputs give with an open end, from `start`.
    OpenSeries OpenEnd(qint32 start) const;
    /// Shows the name field while the URL holds a pattern, and greys the
    /// inputs a pattern does not use (after the run gave them back too).
    void UpdatePatternState();
    /// Writes the normal form of a number input back to it.
    void NormaliseNumberInput(QLineEdit* edit);
    /// The start (Edit2) and end (Edit5) numbers, or nothing after telling
    /// the user.
    std::optional<qint32> ReadStart();
    std::optional<qint32> ReadEnd();
    /// The series the inputs describe, from `start` to `end`.
    SeriesSpec Spec(qint32 start, qint32 end) const;
    /// Runs `fill` with failures kept quiet: the preview follows every input
    /// as it is filled (never showing a name from before), and a number that
    /// cannot be read is told once, by the caller's RefreshPreview afterwards.
    void FillQuietly(const std::function<void()>& fill);
    /// When `text` is a whole file URL, offers to split it into the inputs:
    /// "Split" fills them from it with the end left open, "Find the series"
    /// asks the server first and fills them with what it found (with what
    /// "Split" gives when it found nothing, telling why). Either proposes a
    /// folder of its own for the series (SeriesFolderFor). Nothing is listed.
    void OfferFileUrlSplit(const QString& text);
    /// Where the offer's choice comes from, and what the server is asked
    /// with; without them the offer is declined and nothing is asked.
    void SetSplitChooser(UserPrompts::SplitChooser choose) { m_choose = std::move(choose); }
    void SetProbeSetup(ProbeSetupFor setup) { m_probeSetup = std::move(setup); }
    /// The inputs a split fills, as they stand, and filled from `fields`.
    SeriesFields Fields() const;
    void Fill(const SeriesFields& fields);
    /// How many missing numbers in a row end an open series
    /// (`[FileName]` `Misses`, kept as the settings file says).
    void SetMisses(int misses);
    int Misses() const { return m_misses; }

protected:
    /// Normalises Edit2 and Edit5 as the focus leaves them.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<qint32> ReadNumber(QLineEdit* edit, SeriesError failure);
    void UrlTextEdited(const QString& text);
    void UpdateSlashWarnings();
    void SeriesFound(SeriesProber::End end, const ProbedSeries& series);

    MainWindowControls& m_c;
    Tell m_tell;
    Ask m_ask;
    bool m_inPreview = false;
    bool m_filling = false;
    int m_misses = OpenSeries::kDefaultMisses;
    UserPrompts::SplitChooser m_choose;
    ProbeSetupFor m_probeSetup;
    std::unique_ptr<SeriesFinder> m_finder;
    /// The pasted file whose series the finder is asking for.
    std::optional<FileUrlParts> m_finding;
    // The URL box's last two texts, to tell a paste from typing.
    QString m_urlBefore;
    QString m_urlNow;
};

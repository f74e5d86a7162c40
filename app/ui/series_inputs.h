#pragma once

#include "app/pattern_jobs.h"
#include "app/series.h"
#include "settings/settings_file.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLineEdit;
struct MainWindowControls;

/// The series inputs of the main window: the file-name preview in Label10,
/// the start and end numbers normalised as they are left, a warning on a
/// base URL that would glue the file names on, and a pasted file URL offered
/// for splitting into the inputs.
class SeriesInputs : public QObject {
    Q_OBJECT

public:
    /// Tells the user of a failure.
    using Tell = std::function<void(const QString& text)>;
    /// Asks the user a yes/no question; true for yes.
    using Ask = std::function<bool(const QString& question)>;

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
    /// When `text` is a whole file URL, asks whether to split it into the
    /// inputs, and does so on "yes".
    void OfferFileUrlSplit(const QString& text);
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

    MainWindowControls& m_c;
    Tell m_tell;
    Ask m_ask;
    bool m_inPreview = false;
    bool m_filling = false;
    int m_misses = OpenSeries::kDefaultMisses;
    // The URL box's last two texts, to tell a paste from typing.
    QString m_urlBefore;
    QString m_urlNow;
};

#pragma once

#include "app/file_url_split.h"
#include "app/series_probe.h"

#include <QString>

/// The series inputs a pasted file URL fills, as plain values: the window
/// reads its controls into one, and writes back what the split makes of it.
struct SeriesFields {
    QString baseUrl;
    QString head;
    int digits = 0;
    QString start;
    QString end;
    bool openEnd = false;
    QString tail;
    QString saveDir;

    bool operator==(const SeriesFields&) const = default;
};

/// The folder a series from `baseUrl` goes to, proposed from the save folder
/// `saveDir`: a folder of its own under it, named after the URL's last folder
/// (`/home/u/pics/` and `http://host/gallery/vol02/` give
/// `/home/u/pics/vol02/`), or after the host when the URL has no folder. A
/// save folder already named so is kept as it is, as is an empty one.
QString SeriesFolderFor(const QString& saveDir, const QString& baseUrl);

/// The inputs after "Split": the pasted URL's parts, the end left open from
/// the pasted number on (the end's text kept for when the box is unticked),
/// and the proposed folder.
SeriesFields SplitFields(const SeriesFields& now, const FileUrlParts& pasted);

/// The inputs after the server was asked and `found` a series: its head,
/// padding and both ends, the end closed, and the proposed folder. A `found`
/// with an error gives what SplitFields gives.
SeriesFields FoundFields(const SeriesFields& now, const FileUrlParts& pasted,
                         const ProbedSeries& found);

/// `number` written `digits` wide with leading zeros (1 or less: as it is).
QString PaddedSeriesNumber(qint64 number, int digits);

#pragma once

#include <QString>

/// Decimal text of `number`, left-padded with "0" to at least `digits`
/// characters. Width 0 gives the empty text (the number is left out
/// altogether); a longer number is never cut; a negative width pads nothing.
/// The job grid's file names and the job list file's keys both use it.
QString IntToStrL(qint64 number, int digits);

// What a check of the list asks and what it makes of the answer, without a
// socket: one row per rule.
#include "app/list_refresh.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

const QDateTime kFileTime(QDate(2024, 5, 1), QTime(12, 0, 7), QTimeZone::utc());
constexpr const char* kServerTime = "Sun, 06 Nov 1994 08:49:37 GMT";

TEST(ListRefresh, AsksWithTheValidatorsElseTheFilesTimeElseWithoutConditions) {
    const struct {
        const char* rule;
        JobList::Validators validators;
        std::optional<QDateTime> fileTime;
        QList<QByteArray> lines;
    } rows[] = {
        {"both validators",
         {"\"abc\"", kServerTime},
         kFileTime,
         {"If-None-Match: \"abc\"", QByteArray("If-Modified-Since: ") + kServerTime}},
        {"a weak tag goes back as it came",
         {"W/\"abc\"", ""},
         kFileTime,
         {"If-None-Match: W/\"abc\""}},
        {"only a date",
         {"", kServerTime},
         kFileTime,
         {QByteArray("If-Modified-Since: ") + kServerTime}},
        {"none: the file's own time, in GMT",
         {},
         kFileTime,
         {"If-Modified-Since: Wed, 01 May 2024 12:00:07 GMT"}},
        {"a file's time in another zone is said in GMT",
         {},
         QDateTime(QDate(2024, 5, 1), QTime(21, 0, 7), QTimeZone(9 * 3600)),
         {"If-Modified-Since: Wed, 01 May 2024 12:00:07 GMT"}},
        {"a deleted file is fetched anew", {"\"abc\"", kServerTime}, std::nullopt, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ListRefresh::ConditionLines(row.validators, row.fileTime), row.lines) << row.rule;
}

TEST(ListRefresh, JudgesTheAnswer) {
    using R = ListRefresh::Result;
    const auto outcome = [](DownloadOutcome::Status status, int code, qint64 saved) {
        DownloadOutcome o;
        o.status = status;
        o.httpStatus = code;
        o.saved = saved;
        return o;
    };
    using S = DownloadOutcome::Status;
    const struct {
        const char* rule;
        DownloadOutcome outcome;
        R result;
    } rows[] = {
        {"a 304", outcome(S::Failed, 304, -1), R::Unchanged},
        {"a whole 200 saved", outcome(S::Succeeded, 200, 12), R::Changed},
        {"an empty file saved is a change too", outcome(S::Succeeded, 200, 0), R::Changed},
        {"a success that saved nothing", outcome(S::Succeeded, 200, -1), R::Failed},
        {"a 404", outcome(S::Failed, 404, -1), R::Failed},
        {"no answer", outcome(S::Failed, 0, -1), R::Failed},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ListRefresh::Judge(row.outcome), row.result) << row.rule;
}

TEST(ListRefresh, SummaryCountsEachKind) {
    EXPECT_EQ((ListRefresh::Summary{20, 1, 19, 0}.Text()),
              "20 checked: 1 changed, 19 unchanged, 0 failed");
}

} // namespace

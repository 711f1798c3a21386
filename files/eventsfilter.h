#pragma once

#include "files/eventstable.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <optional>

// Which rows of the events list are shown. Times are compared as the list shows them, on
// the wall clock, so the hour that repeats when summer time ends is taken as displayed.
struct EventsFilter {
    QStringList signalNames;       // a row matches when one of them changed in it; none: any
    std::optional<QDateTime> from; // limits included; wall-clock times held as UTC
    std::optional<QDateTime> to;

    bool isActive() const { return !signalNames.isEmpty() || from || to; }
};

// "YYYY-MM-DD[THH:MM[:SS]]" as a limit. A limit stands for its whole last unit: as an upper
// limit a day ends at 23:59:59 and a minute at its 59th second. Nothing for other texts.
std::optional<QDateTime> parseTimeLimit(const QString& text, bool upper);

// A row's time text ("2015_3_7 9:5:0") as a wall-clock time; nothing for "?".
std::optional<QDateTime> rowTime(const QString& timeText);

// The filter in words, for a printout or a log line; empty when it lets every row through.
QString filterDescription(const EventsFilter& filter);

// The rows that match, in list order. Row 0 carries the device line and is always kept.
QList<int> filteredRows(const QList<EventListRow>& rows, const EventsFilter& filter);

#include "events/eventsprintsource.h"

#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"

// The rows are taken when the job is prepared, so the printout shows the list as it
// was when the command was given.
EventsPrintSource eventsPrintSource(const CEventsDlg& page)
{
    EventsPrintSource source;
    source.selectedRows = page.selectedRows();
    source.rowCount = page.list()->itemCount();
    if (page.filter().isActive()) {
        source.shownRows = page.shownRows();
        source.note = filterDescription(page.filter());
    }
    QList<std::array<QString, 3>> rows;
    rows.reserve(source.rowCount);
    for (int r = 0; r < source.rowCount; ++r)
        rows.append(page.rowTexts(r));
    source.texts = [rows = std::move(rows)](int row) -> std::array<QString, 3> {
        return row >= 0 && row < rows.size() ? rows.at(row) : std::array<QString, 3>{};
    };
    return source;
}

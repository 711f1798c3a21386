#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"
#include "files/printjob.h"

std::optional<EventsPrintSource> eventsPrintSource(CPropertyPage* eventsPage)
{
    const auto* page = dynamic_cast<const CEventsDlg*>(eventsPage);
    if (!page)
        return std::nullopt;
    // Every selected row, not only the first selected and as many after it: the list
    // allows a selection with gaps.
    const CListCtrlEx* list = page->list();
    EventsPrintSource source;
    source.rowCount = list->itemCount();
    QList<std::array<QString, 3>> texts;
    texts.reserve(source.rowCount);
    for (int row = 0; row < source.rowCount; ++row) {
        if (list->isItemSelected(row))
            source.selectedRows.append(row);
        texts.append(page->rowTexts(row));
    }
    // Taken now, so that the printout (and a preview redrawn later) shows the list as it
    // was when the job started.
    source.texts = [texts = std::move(texts)](int row) -> std::array<QString, 3> {
        return row >= 0 && row < texts.size() ? texts.at(row) : std::array<QString, 3>{};
    };
    return source;
}

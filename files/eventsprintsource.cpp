#include "files/printjob.h"

// The events page joins the build separately; until it does there is no list to print.
std::optional<EventsPrintSource> eventsPrintSource(CPropertyPage* eventsPage)
{
    (void)eventsPage;
    return std::nullopt;
}

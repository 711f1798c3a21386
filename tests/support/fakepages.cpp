#include "tests/support/fakepages.h"

CPropertyPage* createFakePage(PageKind kind, AppContext&, const StartOptions&)
{
    if (kind == PageKind::Communication)
        return new FakeLinkPage(pageTitle(kind));
    if (kind == PageKind::Events)
        return new FakeEventsPage(pageTitle(kind));
    return new FakePage(pageTitle(kind));
}

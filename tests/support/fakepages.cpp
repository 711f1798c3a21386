#include "tests/support/fakepages.h"

CPropertyPage* createFakePage(PageKind kind, AppContext&, const StartOptions&)
{
    switch (kind) {
    case PageKind::Communication:
        return new FakeLinkPage(pageTitle(kind));
    case PageKind::Events:
        return new FakeEventsPage(pageTitle(kind));
    default:
        return new FakePage(pageTitle(kind));
    }
}

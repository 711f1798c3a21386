#include "app/pageregistry.h"

#include "app/cintrodlg.h"
#include "events/ceventsdlg.h"
#include "link/page/cinitpage.h"
#include "pagekit/appcontext.h"
#include "pagekit/startoptions.h"
#include "pages/canalog.h"
#include "pages/cbinary.h"
#include "pages/crs484cfg.h"
#include "pages/cuklad.h"

QString pageTitle(PageKind kind)
{
    switch (kind) {
    case PageKind::Intro:
        return QStringLiteral("Dorvik");
    case PageKind::Communication:
        return QStringLiteral("Komunikacja z Dorvik");
    case PageKind::Times:
        return QStringLiteral("Nastawy czasów");
    case PageKind::Program:
        return QStringLiteral("Program działania");
    case PageKind::Circuit:
        return QStringLiteral("Układ i wariant");
    case PageKind::Rs485:
        return QStringLiteral("RS 485 konfiguracja");
    case PageKind::Events:
        return QStringLiteral("Zdarzenia");
    }
    return {};
}

CPropertyPage* createPage(PageKind kind, AppContext& context, const StartOptions& options)
{
    switch (kind) {
    case PageKind::Intro:
        return new CIntroDlg;
    case PageKind::Communication:
        return new CInitPage(context, options);
    case PageKind::Times:
        return new Canalog(context);
    case PageKind::Program:
        return new CBinary(context);
    case PageKind::Circuit:
        return new CUklad(context);
    case PageKind::Rs485:
        return new CRS484cfg(context);
    case PageKind::Events:
        return new CEventsDlg(context);
    }
    Q_UNREACHABLE();
    return nullptr;
}

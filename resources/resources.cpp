#include "resources/resources.h"

#include <QtGlobal>

static void initOnce()
{
    Q_INIT_RESOURCE(tavrel);
}

void initTavrelResources()
{
    static const bool done = (initOnce(), true);
    (void)done;
}

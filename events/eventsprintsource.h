#pragma once

#include "files/eventsprintout.h"

class CEventsDlg;

// The events page's list as the events printout takes it.
EventsPrintSource eventsPrintSource(const CEventsDlg& page);

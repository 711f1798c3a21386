#pragma once

#include "files/servicereport.h"

class DeviceLink;
class TrafficMonitor;

// The service report of this visit: `controller` (its settings and register as read), the
// link's status fields, the monitor's statistics and traffic, and the settings changed
// since the day's first backup in `backupRoot`. Taken now.
ServiceReport visitReport(const DeviceData& controller, const DeviceLink& link,
                          const TrafficMonitor& monitor, const QString& backupRoot);

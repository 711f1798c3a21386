#pragma once

#include <QString>
#include <functional>

// Where status lines of the core go: the communication page's log in the window,
// stderr in the command line, a list in tests.
using LogSink = std::function<void(const QString&)>;

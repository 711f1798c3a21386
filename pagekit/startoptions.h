#pragma once

#include <QString>

// What the command line asks of the window; handed to the communication page when
// it is created.
struct StartOptions {
    QString port; // port name or device path to select, added to the list if absent
    bool connect = false;
    QString labelsDir; // where label files are looked for; empty: the program's directory
};

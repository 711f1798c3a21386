#pragma once

#include <QList>
#include <QString>
#include <optional>

// The controllers a collection run visits, from a JSON file:
//   {"controllers": [{"name": "Stacja 12", "port": "/dev/ttyUSB0", "factory": 3055,
//                     "settings": "ref/3055.nst"}]}
struct InventoryEntry {
    QString name;
    QString port;
    quint16 factory = 0;
    QString settingsPath; // absolute; empty when the entry names no reference settings
};

struct Inventory {
    QList<InventoryEntry> controllers;
};

struct InventoryResult {
    std::optional<Inventory> inventory;
    QString error; // why the file was refused, when it was
};

// Reads and checks the whole file; a relative settings path is taken relative to the
// file's directory. Each factory number may appear once: it names the topics and the
// cursor of its controller.
InventoryResult readInventory(const QString& path);

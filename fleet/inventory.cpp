#include "fleet/inventory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

InventoryResult refused(const QString& text)
{
    return {std::nullopt, text};
}

} // namespace

InventoryResult readInventory(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(file.errorString());
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return refused(QStringLiteral("not JSON (%1 at offset %2)")
                           .arg(parseError.errorString())
                           .arg(parseError.offset));
    const QJsonValue list = document.object().value(QStringLiteral("controllers"));
    if (!document.isObject() || !list.isArray())
        return refused(QStringLiteral("a \"controllers\" list expected"));

    const QDir base = QFileInfo(path).absoluteDir();
    Inventory inventory;
    QSet<int> factories;
    int index = 0;
    for (const QJsonValue& item : list.toArray()) {
        ++index;
        const QString where = QStringLiteral("controller %1: ").arg(index);
        const QJsonObject object = item.toObject();
        InventoryEntry entry;
        entry.name = object.value(QStringLiteral("name")).toString();
        entry.port = object.value(QStringLiteral("port")).toString();
        const QJsonValue factory = object.value(QStringLiteral("factory"));
        const double number = factory.toDouble(-1);
        if (!item.isObject() || entry.name.isEmpty() || entry.port.isEmpty())
            return refused(where + QStringLiteral("\"name\" and \"port\" expected"));
        // A factory number is 16 bits on the wire; a fraction or a text is not one.
        if (!factory.isDouble() || number < 0 || number > 0xFFFF || number != int(number))
            return refused(where +
                           QStringLiteral("\"factory\": a number from 0 to 65535 expected"));
        entry.factory = quint16(number);
        if (factories.contains(entry.factory))
            return refused(where + QStringLiteral("factory number %1 listed twice").arg(number));
        factories.insert(entry.factory);
        const QJsonValue settings = object.value(QStringLiteral("settings"));
        if (!settings.isUndefined() && !settings.isNull()) {
            if (!settings.isString() || settings.toString().isEmpty())
                return refused(where + QStringLiteral("\"settings\": a file name expected"));
            entry.settingsPath = base.absoluteFilePath(settings.toString());
        }
        inventory.controllers.append(entry);
    }
    if (inventory.controllers.isEmpty())
        return refused(QStringLiteral("no controllers listed"));
    return {inventory, {}};
}

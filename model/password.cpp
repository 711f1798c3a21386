#include "model/password.h"

namespace {
constexpr char16_t devicePasswordPrefix[] = u"KLUCZDV";
}

QString devicePassword(std::uint16_t factoryNumber)
{
    return QString::fromUtf16(devicePasswordPrefix) + QString::number(factoryNumber);
}

PasswordResult checkPassword(const QString& typed, std::uint16_t factoryNumber, AccessFlags current)
{
    PasswordResult result{current, false};
    if (typed == QString::fromUtf16(servicePassword)) {
        result.flags.locked = false;
        result.accepted = true;
    } else {
        result.flags.locked = true;
    }
    if (factoryNumber != 0) {
        if (typed == devicePassword(factoryNumber)) {
            result.flags.deviceAccess = true;
            result.accepted = true;
        } else {
            result.flags.deviceAccess = false;
        }
    }
    return result;
}

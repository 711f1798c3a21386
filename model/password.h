#pragma once

#include <QString>
#include <cstdint>

// The two access levels of the login strip. The service password unlocks the label
// texts and the service commands; the device password, built from the connected
// controller's factory number, unlocks the controller's RS-485 configuration.
inline constexpr char16_t servicePassword[] = u"KTRsondal";

// The device password of a controller: a fixed prefix and the factory number in
// decimal. Built for each attempt, never stored.
QString devicePassword(std::uint16_t factoryNumber);

struct AccessFlags {
    bool locked = true;
    bool deviceAccess = false;
};

struct PasswordResult {
    AccessFlags flags;
    bool accepted = false;
};

// The check of a typed password against both passwords. A controller whose factory
// number is not known (0) leaves deviceAccess as it was.
PasswordResult checkPassword(const QString& typed, std::uint16_t factoryNumber,
                             AccessFlags current);

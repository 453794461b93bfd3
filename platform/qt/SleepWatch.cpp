#include "platform/qt/SleepWatch.h"

#include <QDBusConnection>

namespace pelmor::qt {

SleepWatch::SleepWatch(std::function<void(bool)> onSleep) : onSleep_(std::move(onSleep)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return;
    bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                this, SLOT(PrepareForSleep(bool)));
}

void SleepWatch::PrepareForSleep(bool start) { onSleep_(start); }

}  // namespace pelmor::qt

// logind's word that the system is about to sleep and has woken: the
// PrepareForSleep(bool) signal of org.freedesktop.login1.Manager on the
// system bus. Without a system bus or logind nothing is announced.
#pragma once

#include <QObject>

#include <functional>

namespace pelmor::qt {

class SleepWatch final : public QObject {
    Q_OBJECT
public:
    // onSleep(true) before a suspend or hibernation, onSleep(false) after the resume.
    explicit SleepWatch(std::function<void(bool)> onSleep);

private slots:
    void PrepareForSleep(bool start);

private:
    std::function<void(bool)> onSleep_;
};

}  // namespace pelmor::qt

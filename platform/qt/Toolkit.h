// The Qt Widgets window system behind IToolkit, for the native Linux
// program.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <QString>

#include "platform/Toolkit.h"

namespace pelmor::qt {

// Forms, controls, menus, timers, modal loops. The QApplication must exist.
std::unique_ptr<IToolkit> CreateToolkit();

inline QString ToQ(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string FromQ(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace pelmor::qt

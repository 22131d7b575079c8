#pragma once

#include <QIcon>

// The program's own icon, in every size it is drawn in, for window title bars and the about
// box (":/icons/pratilio.png" is the largest alone).
namespace ProgramIcon {

QIcon icon();

} // namespace ProgramIcon

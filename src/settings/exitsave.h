#pragma once

#include "settingsfile.h"

#include <QString>
#include <array>

enum class ExitSaveStatus { Saved, BadBox, WriteFailed };

struct ExitSaveResult
{
    ExitSaveStatus status = ExitSaveStatus::Saved;
    QString message; // what to ask the operator when not saved
};

// The confirmed exit: all eight boxes are read as whole numbers (no range check) before
// the file is touched, then the file is written with the current tick interval. The
// running clock's own lengths are left alone, since the window may yet stay open.
ExitSaveResult saveAtExit(const std::array<QString, 8> &boxes, const ClockState &state,
                          SettingsFile &file);

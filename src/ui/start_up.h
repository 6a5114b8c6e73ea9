// The start checks that come before any window: the arguments and the data
// folder.
#pragma once

#include <QString>
#include <QStringList>

#include "ui/start_options.h"

namespace zarvel {

struct StartUp {
  StartOptions options;
  QString error;  // the message to show and end with, or empty
};

// The command line's arguments after the program name, as given.
QStringList program_arguments(int argc, char** argv);

// The checks of a start, in their order: one copy per user (the lock is
// taken and kept), the arguments, the data folder, one copy per data folder
// (its lock taken and kept).
StartUp start_checks(const QStringList& args, const QString& program_file);

// Settles the data folder: none given, the program file's folder; one, that
// folder (created with its missing parents) with "/" appended. Empty
// arguments (a pair of quotes with nothing between) count as none.
StartUp settle_start(const QStringList& args, const QString& program_file);

}  // namespace zarvel

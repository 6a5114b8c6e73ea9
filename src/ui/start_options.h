// What the program was started with.
#pragma once

#include <QString>

struct StartOptions {
  QString data_folder;  // ends with "/"
  QString help_file;    // the program file's path with ".hlp"
};
